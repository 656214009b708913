// What a new user meets first in the window: readable tab captions, drop-downs whose lists stay as they are,
// Qt's own texts in Japanese, and the Tab key landing on the selected radio button.
#include "tests/app/WindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/CheckEdit.h"
#include "app/FixedListComboBox.h"
#include "app/PageControl.h"
#include "app/RadioGroup.h"

namespace {

bool HasJapanese(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x3040 && c.unicode() <= 0x9fff)
            return true;
    }
    return false;
}

} // namespace

TEST_F(WindowTest, ShortTabCaptionsReadWholeAtTheDesignWidth)
{
    auto *bar = qobject_cast<tf::PageTabBar *>(form->PageControl1->tabBar());
    ASSERT_NE(bar, nullptr);
    const QFontMetrics metrics(bar->font());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(bar->tabText(i).toStdString());
        EXPECT_FALSE(bar->captionShortened(i));
        EXPECT_GE(bar->tabRect(i).width(), metrics.horizontalAdvance(bar->tabText(i)));
        EXPECT_TRUE(bar->rect().contains(bar->tabRect(i)));
    }
    // The long caption gives up what is missing, and its tooltip tells it whole.
    EXPECT_LE(bar->tabRect(3).right(), bar->rect().right());
    EXPECT_EQ(bar->tabToolTip(3), QStringLiteral("フォーム・使用例"));
}

TEST_F(WindowTest, TypedTextNeverAddsAnItemToTheFixedLists)
{
    struct Typing {
        const char *name;
        tf::FixedListComboBox *TForm1::*box;
        QString typed;
        int expectedIndex;
    };
    const Typing cases[] = {
        {"ZoomStepNotInTheList", &TForm1::ScaleComboBox, QStringLiteral("300%"), -1},
        {"ZoomStepInTheList", &TForm1::ScaleComboBox, QStringLiteral("150%"), 2},
        {"StyleInLowerCase", &TForm1::StyleSelecter, QStringLiteral("glow"), 1},
        {"UnknownStyle", &TForm1::StyleSelecter, QStringLiteral("Solarized"), -1},
    };
    form->PageControl1->setCurrentIndex(3);
    for (const Typing &c : cases) {
        SCOPED_TRACE(c.name);
        tf::FixedListComboBox *box = form.get()->*c.box;
        const int items = box->count();
        int changes = 0;
        const QMetaObject::Connection counting =
            QObject::connect(box, &tf::FixedListComboBox::changed, [&changes] { ++changes; });
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), c.typed);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(box->count(), items);
        EXPECT_EQ(box->currentIndex(), c.expectedIndex);
        EXPECT_EQ(box->currentText().toLower(), c.typed.toLower());
        EXPECT_EQ(changes, c.typed.size()) << "one change for every character typed";
        QObject::disconnect(counting);
        boxes.clear(); // the style command's own error boxes are not this test's concern
    }
}

TEST_F(WindowTest, OpenDialogAndEditMenuSpeakJapanese)
{
    form->FileOpenDialogHook = nullptr;
    QStringList labels, buttons;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (QLabel *label : dialog->findChildren<QLabel *>())
            labels += label->text();
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            buttons += button->text();
        dialog->reject();
    });
    form->OpenBtn->click();
    const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
    const QString fileName = QCoreApplication::translate("QFileDialog", "File &name:");
    ASSERT_TRUE(HasJapanese(lookIn)) << "Qt's Japanese translation is not installed";
    EXPECT_TRUE(labels.contains(lookIn)) << labels.join(u'|').toStdString();
    EXPECT_TRUE(labels.contains(fileName)) << labels.join(u'|').toStdString();
    for (const QString &english : {QStringLiteral("Look in:"), QStringLiteral("File &name:")})
        EXPECT_FALSE(labels.contains(english)) << english.toStdString();
    for (const QString &english : {QStringLiteral("&Open"), QStringLiteral("Cancel")})
        EXPECT_FALSE(buttons.contains(english)) << english.toStdString();
    EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(), HasJapanese)) << buttons.join(u'|').toStdString();

    std::unique_ptr<QMenu> menu(form->TitleEditBtn->createStandardContextMenu());
    QStringList items;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator())
            items += action->text();
    }
    ASSERT_FALSE(items.isEmpty());
    for (const QString &item : items)
        EXPECT_TRUE(HasJapanese(item)) << item.toStdString();
}

TEST_F(WindowTest, TabLandsOnTheSelectedRadioButtonAndLeavesTheGroupNext)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->PageControl1->setCurrentIndex(0);
    tf::RadioGroup *group = form->ChartTitleAlignment;
    group->setItemIndex(2);
    form->ChartShadow->setFocus(); // the control before the group in the page's tab order
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), group->item(2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(group->itemIndex(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(group->isAncestorOf(QApplication::focusWidget()));

    // Shift+Tab from the control after the group comes back to the selected button as well.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), group->item(2));
    // An arrow selects the neighbour ("左寄席" left of "右寄せ"), which then becomes the group's stop.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(group->itemIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), group->item(0));
    EXPECT_EQ(group->item(2)->focusPolicy() & Qt::TabFocus, 0);
}
