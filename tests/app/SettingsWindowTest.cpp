// What the window keeps between runs (place, zoom step, style), and the style and zoom boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <cmath>
#include <memory>
#include <sys/stat.h>
#include <vector>

#include "app/ErrorReport.h"
#include "app/SheetChooser.h"
#include "app/StyleManager.h"
#include "app/TForm1.h"
#include "app/store/ExIniFile.h"
#include "tests/app/RealMessageBoxes.h"
#include "tests/support/TestSupport.h"

using tf::TStyleManager;

namespace {

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        m_previousHook = tf::SetMessageBoxHook([this](const tf::MessageBoxRequest &r) { boxes.push_back(r); });
        tf::TBaseFolders folders = tf::SystemBaseFolders();
        folders.application = dir.path();
        folders.appData = dir.filePath(QStringLiteral("config"));
        folders.executableName = QStringLiteral("tallyfold");
        tf::SetBaseFoldersOverride(folders);
        // The start sequence switches to the built-in look before the window exists.
        TStyleManager::TrySetStyle(QStringLiteral("Turquoise Gray"), true);
    }
    void TearDown() override
    {
        form.reset();
        TStyleManager::Reset();
        tf::SetBaseFoldersOverride(std::nullopt);
        tf::SetMessageBoxHook(m_previousHook);
    }

    QString Ini() const { return dir.filePath(QStringLiteral("tallyfold.ini")); }
    void WriteIni(const QByteArray &bytes)
    {
        QFile f(Ini());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void Start()
    {
        form = std::make_unique<TForm1>();
        form->show();
        QCoreApplication::processEvents();
    }
    void Close()
    {
        form->close();
        form.reset();
    }
    void Restart()
    {
        Close();
        TStyleManager::TrySetStyle(QStringLiteral("Turquoise Gray"), true);
        Start();
    }
    // An item chosen from a box's list as the user does: the list selects it and reports the choice.
    static void Choose(QComboBox *box, const QString &item)
    {
        const int index = box->findText(item);
        box->setCurrentIndex(index);
        emit box->activated(index);
        QCoreApplication::processEvents();
    }
    void ChooseZoom(const QString &step) { Choose(form->ScaleComboBox, step); }
    void ChooseStyle(const QString &name) { Choose(form->StyleSelecter, name); }
    QStringList BoxTexts()
    {
        QStringList texts;
        for (const tf::MessageBoxRequest &r : boxes)
            texts += r.text;
        return texts;
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
    std::vector<tf::MessageBoxRequest> boxes;

private:
    tf::MessageBoxHook m_previousHook;
};

TEST_F(SettingsWindowTest, FirstStartUsesTheDefaultsAndCloseWritesThem)
{
    Start();
    EXPECT_EQ(form->pos(), QPoint(0, 0));
    EXPECT_EQ(form->size(), QSize(829, 578));
    EXPECT_EQ(form->ScaleComboBox->currentText(), QStringLiteral("100%"));
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Windows"));
    EXPECT_EQ(form->StyleSelecter->currentText(), QStringLiteral("Windows"));
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    EXPECT_FALSE(QFileInfo::exists(Ini())) << "reading creates nothing";
    Close();
    EXPECT_EQ(FileBytes(Ini()), QByteArray("[FORM]\r\nPOSITION.X=0\r\nPOSITION.Y=0\r\nSIZE.XSize=829\r\nSIZE.YSize=578\r\n"
                                           "DPI=0\r\n\r\n[Style]\r\nName=Windows\r\n\r\n"));
    EXPECT_TRUE(boxes.empty()) << BoxTexts().join(u'\n').toStdString();
}

TEST_F(SettingsWindowTest, StoredPlacementIsRestoredAndHandAddedLinesSurvive)
{
    WriteIni("[Mine]\r\nkeep=1\r\n[form]\r\nposition.x = 40\r\nPOSITION.Y=$20\r\nSIZE.XSize=700\r\nSIZE.YSize=bad\r\n");
    Start();
    EXPECT_EQ(form->pos(), QPoint(40, 32));
    EXPECT_EQ(form->size(), QSize(700, 578));
    Close();
    EXPECT_EQ(FileBytes(Ini()), QByteArray("[Mine]\r\nkeep=1\r\n\r\n[form]\r\nposition.x=40\r\nPOSITION.Y=32\r\n"
                                           "SIZE.XSize=700\r\nSIZE.YSize=578\r\nDPI=0\r\n\r\n[Style]\r\nName=Windows\r\n\r\n"));
}

TEST_F(SettingsWindowTest, StoredStepIsShownWithoutEnlargingTheWindow)
{
    WriteIni("[FORM]\r\nDPI=3\r\n");
    Start();
    EXPECT_EQ(form->ScaleComboBox->currentText(), QStringLiteral("175%"));
    EXPECT_EQ(form->size(), QSize(829, 578));
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_EQ(form->PixelsPerInch(), 96);
}

TEST_F(SettingsWindowTest, StoredStepOutOfRangeSelectsNothingAndIsStoredAsMinusOne)
{
    WriteIni("[FORM]\r\nDPI=7\r\n");
    Start();
    EXPECT_EQ(form->ScaleComboBox->currentIndex(), -1);
    EXPECT_EQ(form->ScaleComboBox->currentText(), QString());
    Close();
    EXPECT_TRUE(FileBytes(Ini()).contains("DPI=-1\r\n"));
}

// Every control that stands at a design position of its own, with its bounds at 96 pixels per inch.
std::vector<std::pair<QWidget *, QRect>> PlacedControls(TForm1 &form)
{
    std::vector<std::pair<QWidget *, QRect>> placed;
    for (QWidget *page : {form.TabSheet1, form.TabSheet2, form.TabSheet3, static_cast<QWidget *>(form.Panel1)}) {
        for (QWidget *w : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            placed.emplace_back(w, w->geometry());
    }
    return placed;
}

QRect Times(const QRect &r, double f)
{
    auto s = [f](int v) { return int(std::lround(v * f)); };
    return QRect(s(r.x()), s(r.y()), s(r.width()), s(r.height()));
}

struct ZoomCase {
    const char *name;
    const char *step;
    int ppi;
};
TF_PRINT_CASE_AS_NAME(ZoomCase)

class ZoomStep : public SettingsWindowTest, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomStep, ScalesEverythingFromTheDesignAndBack)
{
    const ZoomCase &c = GetParam();
    Start();
    const auto design = PlacedControls(*form);
    ASSERT_GT(design.size(), 30u);
    const QSize chartDesign = form->Chart1->size();
    const double f = c.ppi / 96.0;

    ChooseZoom(QString::fromLatin1(c.step));
    EXPECT_EQ(form->PixelsPerInch(), c.ppi);
    EXPECT_EQ(form->size(), QSize(int(std::lround(829 * f)), int(std::lround(578 * f))));
    EXPECT_EQ(form->font().pixelSize(), int(std::lround(11 * f)));
    EXPECT_EQ(form->ToolBar1->height(), int(std::lround(47 * f)));
    EXPECT_EQ(form->OpenBtn->size(), QSize(int(std::lround(34 * f)), int(std::lround(35 * f))));
    for (const auto &[w, bounds] : design)
        EXPECT_EQ(w->geometry(), Times(bounds, f)) << w->objectName().toStdString();
    EXPECT_DOUBLE_EQ(form->Chart1->zoom(), f);
    EXPECT_NEAR(form->Chart1->width(), chartDesign.width() * f, 2.0);
    EXPECT_NEAR(form->Chart1->height(), chartDesign.height() * f, 2.0);

    // The same step again changes nothing.
    const QSize once = form->size();
    form->ScaleComboBoxChange();
    EXPECT_EQ(form->size(), once);
    for (const auto &[w, bounds] : design)
        EXPECT_EQ(w->geometry(), Times(bounds, f)) << w->objectName().toStdString();

    ChooseZoom(QStringLiteral("100%"));
    EXPECT_EQ(form->PixelsPerInch(), 96);
    EXPECT_EQ(form->size(), QSize(829, 578));
    EXPECT_EQ(form->font().pixelSize(), 11);
    for (const auto &[w, bounds] : design)
        EXPECT_EQ(w->geometry(), bounds) << w->objectName().toStdString();
    EXPECT_EQ(form->Chart1->size(), chartDesign);
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Steps, ZoomStep,
                         ::testing::Values(ZoomCase{"Step125", "125%", 125}, ZoomCase{"Step150", "150%", 144},
                                           ZoomCase{"Step175", "175%", 168}, ZoomCase{"Step200", "200%", 192}),
                         tftest::CaseName());

// Dialogs are windows of their own, so the window's fonts do not reach them: the zoom scales the program's font,
// which they take, and gives it back at 100% and when the window closes.
TEST_F(SettingsWindowTest, DialogsOpenedUnderAZoomHaveTheirLettersScaledToo)
{
    Start();
    const auto chooser = [this] {
        return std::make_unique<tf::SheetChooser>(QStringLiteral("測定記録.xlsx"), QStringList{QStringLiteral("4月")},
                                                  form.get());
    };
    const QFont design = chooser()->list()->font();
    const int designHeight = chooser()->list()->fontMetrics().height();

    ChooseZoom(QStringLiteral("200%"));
    EXPECT_DOUBLE_EQ(chooser()->list()->font().pointSizeF(), design.pointSizeF() * 2);
    EXPECT_GE(chooser()->list()->fontMetrics().height(), designHeight * 18 / 10) << "the letters the user reads";

    ChooseZoom(QStringLiteral("100%"));
    EXPECT_EQ(chooser()->list()->font(), design);
    ChooseZoom(QStringLiteral("150%"));
    form.reset();
    EXPECT_EQ(QApplication::font(), design) << "the program's font after the window is gone";
}

TEST_F(SettingsWindowTest, StepsAreAbsoluteWhateverCameBefore)
{
    Start();
    const auto design = PlacedControls(*form);
    for (const char *step : {"125%", "200%", "175%", "125%", "150%"})
        ChooseZoom(QString::fromLatin1(step));
    EXPECT_EQ(form->size(), QSize(1244, 867));
    for (const auto &[w, bounds] : design)
        EXPECT_EQ(w->geometry(), Times(bounds, 1.5)) << w->objectName().toStdString();
    ChooseZoom(QStringLiteral("100%"));
    EXPECT_EQ(form->size(), QSize(829, 578));
}

TEST_F(SettingsWindowTest, StyleBoxListsTheFourStylesSorted)
{
    Start();
    QStringList items;
    for (int i = 0; i < form->StyleSelecter->count(); ++i)
        items += form->StyleSelecter->itemText(i);
    EXPECT_EQ(items, (QStringList{QStringLiteral("Auric"), QStringLiteral("Glow"), QStringLiteral("Turquoise Gray"),
                                  QStringLiteral("Windows")}));
}

TEST_F(SettingsWindowTest, StyleNameInOtherCaseSelectsTheStyleAndIsStoredAsSpelled)
{
    WriteIni("[Style]\r\nName=turquoise GRAY\r\n");
    Start();
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Turquoise Gray"));
    EXPECT_EQ(form->StyleSelecter->currentText(), QStringLiteral("Turquoise Gray"));
    Close();
    EXPECT_TRUE(FileBytes(Ini()).contains("[Style]\r\nName=Turquoise Gray\r\n"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsWindowTest, StoredUnknownStyleIsReportedAndTheBuiltInLookStays)
{
    WriteIni("[Style]\r\nName=Nope\r\n");
    Start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("スタイル 'Nope' が見つかりません"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Close));
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Turquoise Gray"));
    EXPECT_EQ(form->StyleSelecter->currentText(), QStringLiteral("Turquoise Gray"));
    Close();
    EXPECT_TRUE(FileBytes(Ini()).contains("[Style]\r\nName=Turquoise Gray\r\n"));
}

// Markup in a stored name is shown as typed: rendered, an image tag would read the file it names (a pipe
// there would hang the start).
TEST_F(SettingsWindowTest, StoredStyleNameWithMarkupIsShownAsTyped)
{
    const QString name = QStringLiteral("<b>太字</b><img src=\"/nonexistent/x.png\">");
    WriteIni("[Style]\r\nName=" + name.toUtf8() + "\r\n");
    RealMessageBoxes real;
    Start();
    ASSERT_EQ(real.seen.size(), 1u);
    EXPECT_EQ(real.seen[0].text, QStringLiteral("スタイル '%1' が見つかりません").arg(name));
    EXPECT_EQ(real.seen[0].format, Qt::PlainText);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsWindowTest, StoredStyleNameOfAMegabyteIsShownShortened)
{
    WriteIni("[Style]\r\nName=" + QByteArray("Glow").repeated(250000) + "\r\n");
    Start();
    ASSERT_EQ(boxes.size(), 1u);
    const QString text = boxes[0].text;
    EXPECT_LE(text.size(), 256);
    EXPECT_TRUE(text.startsWith(QStringLiteral("スタイル 'GlowGlowGlow"))) << text.left(40).toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("GlowGlow' が見つかりません"))) << text.right(40).toStdString();
    EXPECT_EQ(text.count(u'…'), 1);
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Turquoise Gray"));
}

TEST_F(SettingsWindowTest, ChosenStyleRestylesAtOnceAndSurvivesARestart)
{
    Start();
    const QColor before = form->palette().color(QPalette::Window);
    ChooseStyle(QStringLiteral("Glow"));
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Glow"));
    EXPECT_NE(form->palette().color(QPalette::Window), before);
    Restart();
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Glow"));
    EXPECT_EQ(form->StyleSelecter->currentText(), QStringLiteral("Glow"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsWindowTest, TypedTextThatNamesNoStyleIsReportedWithAnEmptyName)
{
    Start();
    ChooseStyle(QStringLiteral("Auric"));
    form->StyleSelecter->lineEdit()->selectAll();
    QTest::keyClicks(form->StyleSelecter->lineEdit(), QStringLiteral("x"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("スタイル '' が見つかりません"));
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Auric"));
    EXPECT_EQ(form->StyleSelecter->count(), 4);
}

TEST_F(SettingsWindowTest, TypedZoomStepRescales)
{
    Start();
    form->ScaleComboBox->lineEdit()->selectAll();
    QTest::keyClicks(form->ScaleComboBox->lineEdit(), QStringLiteral("150%"));
    EXPECT_EQ(form->PixelsPerInch(), 144);
    EXPECT_EQ(form->size(), QSize(1244, 867));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsWindowTest, WindowClosedWhileMaximizedReopensNormalWithTheMaximizedBounds)
{
    Start();
    form->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form->isMaximized());
    const QRect maximized(form->pos(), form->size());
    ASSERT_NE(maximized.size(), QSize(829, 578));
    Restart();
    EXPECT_FALSE(form->isMaximized());
    EXPECT_EQ(QRect(form->pos(), form->size()), maximized);
}

TEST_F(SettingsWindowTest, UnreadableFileIsReportedOnceAndLeftAsItIs)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(Ini()).constData(), 0600), 0);
    Start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("ファイル ") + Ini() + QStringLiteral(" は開けません。")))
        << boxes[0].text.toStdString();
    EXPECT_EQ(form->size(), QSize(829, 578));
    EXPECT_EQ(TStyleManager::ActiveStyleName(), QStringLiteral("Windows"));
    Close();
    EXPECT_EQ(boxes.size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Ini()).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(SettingsWindowTest, FileThatCannotBeWrittenAtCloseIsReportedOnce)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("tallyfold.ini")));
    Start();
    EXPECT_TRUE(boxes.empty());
    Close();
    ASSERT_EQ(boxes.size(), 1u) << BoxTexts().join(u'\n').toStdString();
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("ファイル \"") + Ini() + QStringLiteral("\" を作成できません。")))
        << boxes[0].text.toStdString();
}

// WCAG contrast ratio of two colours.
double Contrast(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class StyleLook : public SettingsWindowTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(StyleLook, EveryTextStandsOutFromItsBackground)
{
    Start();
    ChooseStyle(QString::fromLatin1(GetParam()));
    ASSERT_EQ(TStyleManager::ActiveStyleName(), QString::fromLatin1(GetParam()));
    const QPalette p = form->palette();
    struct Pair {
        const char *what;
        QPalette::ColorGroup group;
        QPalette::ColorRole text, background;
        double least;
    };
    const Pair pairs[] = {
        {"labels", QPalette::Active, QPalette::WindowText, QPalette::Window, 4.5},
        {"buttons", QPalette::Active, QPalette::ButtonText, QPalette::Button, 4.5},
        {"edits", QPalette::Active, QPalette::Text, QPalette::Base, 4.5},
        {"selection", QPalette::Active, QPalette::HighlightedText, QPalette::Highlight, 3.0},
        {"hints", QPalette::Active, QPalette::PlaceholderText, QPalette::Base, 3.0},
        {"tooltips", QPalette::Active, QPalette::ToolTipText, QPalette::ToolTipBase, 4.5},
        {"disabled labels", QPalette::Disabled, QPalette::WindowText, QPalette::Window, 1.5},
        {"disabled edits", QPalette::Disabled, QPalette::Text, QPalette::Base, 1.5},
    };
    for (const Pair &pair : pairs) {
        EXPECT_GE(Contrast(p.color(pair.group, pair.text), p.color(pair.group, pair.background)), pair.least)
            << pair.what;
    }
    // Switching keeps every control in the window's font.
    for (QWidget *w : {static_cast<QWidget *>(form->Memo2), static_cast<QWidget *>(form->StyleSelecter),
                       static_cast<QWidget *>(form->Label3), static_cast<QWidget *>(form->StatusBar1Text)})
        EXPECT_EQ(w->font().pixelSize(), 11) << w->objectName().toStdString();
    // The chart's texts are black on its face; a message box shares the window's palette.
    const QImage chart = form->Chart1->grab().toImage();
    EXPECT_GE(Contrast(Qt::black, chart.pixelColor(3, chart.height() / 2)), 7.0) << "chart face";
    EXPECT_EQ(QMessageBox().palette().color(QPalette::WindowText), p.color(QPalette::WindowText));
}

INSTANTIATE_TEST_SUITE_P(Styles, StyleLook, ::testing::Values("Auric", "Glow", "Turquoise Gray", "Windows"),
                         [](const auto &info) {
                             std::string name = info.param;
                             name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                             return name;
                         });

} // namespace
