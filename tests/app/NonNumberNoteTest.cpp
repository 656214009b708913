// The status bar's note on data cells that were not numbers, seen through a real paste.
#include "tests/app/WindowFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QTextDocument>
#include <QStatusBar>
#include <QToolButton>

namespace {

const QString kCopyWithNonNumbers = QStringLiteral(
    "測定値A\t温度（℃）\t値C\n12.5\t21.4\t100\n-3.25\t-5\t2024/03/15\n7\t12%\t2.35\n\t18\t-50\n1,234.5\t16.4\t25\n"
    "8.75\t19.25\t75\n");
const QString kCleanCopy = QStringLiteral("測定値A\t温度（℃）\n12.5\t21.4\n-3.25\t-5\n7\t18\n");
const QString kNote = QStringLiteral("数値でないセル 4 個（直前の数値で代用）");

} // namespace

class NonNumberNoteTest : public WindowTest {
protected:
    void Paste(const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        form->PasteBtn->click();
        QCoreApplication::processEvents();
    }
    QLabel *Note() { return form->StatusBar1->findChild<QLabel *>(QStringLiteral("NonNumberNote")); }
    // What the note's tooltip shows: raised by the help event a hover sends, its label's text read the way
    // the label reads it (as markup when Qt takes it for rich text).
    QString ShownToolTip()
    {
        QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), Note()->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(Note(), &hover);
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *label = qobject_cast<QLabel *>(top);
            if (!label || top->objectName() != QStringLiteral("qtooltip_label") || !top->isVisible())
                continue;
            const bool rich = label->textFormat() == Qt::RichText ||
                              (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
            if (!rich)
                return label->text();
            QTextDocument shown;
            shown.setHtml(label->text());
            return shown.toPlainText();
        }
        return QStringLiteral("no tooltip shown");
    }
};

TEST_F(NonNumberNoteTest, AppearsAtTheRightEndWithTheCellsAndClearsOnACleanBuild)
{
    Paste(kCleanCopy);
    const QString cleanStatus = form->StatusText();
    ASSERT_NE(Note(), nullptr);
    EXPECT_FALSE(Note()->isVisible());

    Paste(kCopyWithNonNumbers);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Note()->isVisible());
    EXPECT_EQ(Note()->text(), kNote);
    EXPECT_EQ(ShownToolTip(), QStringLiteral("2行目 値C: 「2024/03/15」 → 100\n3行目 温度（℃）: 「12%」 → -5\n"
                                                 "4行目 測定値A: 「」 → 7\n5行目 測定値A: 「1,234.5」 → 7"));
    // The status text stays the first field, as it is.
    EXPECT_EQ(form->StatusText(), cleanStatus);
    EXPECT_TRUE(form->StatusBar1Text->isVisible());
    EXPECT_LT(form->StatusBar1Text->geometry().left(), Note()->geometry().left());
    EXPECT_GE(Note()->geometry().right(), form->StatusBar1->width() - 20);
    EXPECT_NE(Note()->palette().color(QPalette::WindowText), form->StatusBar1Text->palette().color(QPalette::WindowText));
    EXPECT_TRUE(form->Chart1->accessibleDescription().endsWith(u'\n' + kNote));

    Paste(kCleanCopy);
    EXPECT_FALSE(Note()->isVisible());
    EXPECT_EQ(form->StatusText(), cleanStatus);
    EXPECT_FALSE(form->Chart1->accessibleDescription().contains(kNote));
}

// Cells and column names are the user's: text that looks like markup shows as it was typed.
TEST_F(NonNumberNoteTest, ShowsCellsThatLookLikeMarkupLiterally)
{
    Paste(QStringLiteral("<i>列</i>\n1\n<img src=\"/nonexistent.png\"><b>x</b>\n2\n"));
    ASSERT_TRUE(Note()->isVisible());
    EXPECT_EQ(ShownToolTip(), QStringLiteral("2行目 <i>列</i>: 「<img src=\"/nonexistent.png\"><b>x</b>」 → 1"));
}

TEST_F(NonNumberNoteTest, ABuildThatStopsClearsIt)
{
    Paste(kCopyWithNonNumbers);
    ASSERT_TRUE(Note()->isVisible());
    Paste(QStringLiteral("a\tb\n\n")); // a header without a data row stops the build
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(Note()->isVisible());
    EXPECT_FALSE(form->Chart1->accessibleDescription().contains(kNote));
}

// Writes the window with the note showing when TF_WRITE_NOTE_PNG names a file (under a display server).
TEST_F(NonNumberNoteTest, WritesNotePicture)
{
    const QString path = qEnvironmentVariable("TF_WRITE_NOTE_PNG");
    if (path.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_NOTE_PNG to a file name to write the picture";
    Paste(kCopyWithNonNumbers);
    form->activateWindow();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(form->grab().save(path));
}
