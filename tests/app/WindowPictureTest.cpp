// Writes a picture of the whole window with sample data when TF_WRITE_WINDOW_PNG names a file
// (run under a real display server, e.g. xvfb-run, so the window is drawn as users see it).
#include "tests/app/WindowFixture.h"
#include "tests/support/WallPicture.h"

#include <QCheckBox>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>

#include "app/CheckEdit.h"
#include "app/RadioGroup.h"
#include "chart/ChartRenderer.h"

namespace {
// Two measured quantities with a header row, as a spreadsheet copy gives them.
QStringList SampleLines()
{
    QStringList lines{QStringLiteral("width\theight")};
    for (int i = 0; i < 60; ++i) {
        const double a = 20.0 + 6.0 * std::sin(i * 0.7) + (i % 7) * 0.9;
        const double b = 24.0 + 5.0 * std::cos(i * 0.45) + (i % 5) * 1.1;
        lines += QString::number(a, 'f', 2) + u'\t' + QString::number(b, 'f', 2);
    }
    return lines;
}

// Three measured quantities, for the styled chart.
QStringList ThreeColumnLines()
{
    QStringList lines{QStringLiteral("ロットA\tロットB\tロットC")};
    for (int i = 0; i < 120; ++i) {
        const double a = 10.0 + 1.2 * std::sin(i * 0.9) + (i % 9) * 0.12;
        const double b = 10.6 + 1.0 * std::cos(i * 0.53) + (i % 7) * 0.15;
        const double c = 11.1 + 0.9 * std::sin(i * 0.31 + 1.0) + (i % 5) * 0.18;
        lines += QString::number(a, 'f', 3) + u'\t' + QString::number(b, 'f', 3) + u'\t' + QString::number(c, 'f', 3);
    }
    return lines;
}

// An item chosen from the list as the user does: the box selects it and reports the choice.
void Choose(QComboBox *box, const QString &item)
{
    const int index = box->findText(item);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}
} // namespace

TEST_F(WindowTest, WritesWindowPicture)
{
    const QString path = qEnvironmentVariable("TF_WRITE_WINDOW_PNG");
    if (path.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_WINDOW_PNG to a file name to write the picture";
    tf::RegisterChartFontSubstitutions();
    Load(SampleLines());
    form->PasteBtn->setFocus();
    Build();
    form->PageControl1->setCurrentIndex(2);
    form->activateWindow();
    Settle();
    ASSERT_TRUE(form->grab().save(path));
}

// One picture per style (window-<style>.png, the 外観 page open) and one at 150% (window-150.png).
TEST_F(WindowTest, WritesStylePictures)
{
    const QString folder = qEnvironmentVariable("TF_WRITE_STYLE_PICTURES");
    if (folder.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_STYLE_PICTURES to a folder to write the pictures";
    tf::RegisterChartFontSubstitutions();
    Load(SampleLines());
    Build();
    form->PageControl1->setCurrentIndex(3);
    for (const QString &style : tf::TStyleManager::StyleNames()) {
        Choose(form->StyleSelecter, style);
        form->activateWindow();
        Settle();
        QString name = style.toLower();
        name.remove(u' ');
        ASSERT_TRUE(form->grab().save(folder + QStringLiteral("/window-") + name + QStringLiteral(".png")));
    }
    Choose(form->StyleSelecter, QStringLiteral("Windows"));
    form->PageControl1->setCurrentIndex(0);
    Choose(form->ScaleComboBox, QStringLiteral("150%"));
    Settle();
    ASSERT_TRUE(form->grab().save(folder + QStringLiteral("/window-150.png")));
}

// The 外観 page in Auric and in Glow with some boxes ticked and some not (checks-<style>.png), and the
// whole window at 200 % on that page (window-200.png).
TEST_F(WindowTest, WritesIndicatorAndZoomPictures)
{
    const QString folder = qEnvironmentVariable("TF_WRITE_INDICATOR_PICTURES");
    if (folder.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_INDICATOR_PICTURES to a folder to write the pictures";
    tf::RegisterChartFontSubstitutions();
    Load(SampleLines());
    Build();
    form->PageControl1->setCurrentIndex(0);
    form->ChartShadow->click();
    form->HorizontalCheck->setFocus();
    for (const char *style : {"Auric", "Glow"}) {
        Choose(form->StyleSelecter, QString::fromLatin1(style));
        form->PageControl1->setCurrentIndex(0);
        form->activateWindow();
        Settle();
        ASSERT_TRUE(form->ChartShadow->isChecked() && !form->BorderCheck->isChecked());
        const QString name = QString::fromLatin1(style).toLower();
        ASSERT_TRUE(form->PageControl1->grab().save(folder + QStringLiteral("/checks-") + name + QStringLiteral(".png")));
    }
    Choose(form->StyleSelecter, QStringLiteral("Turquoise Gray"));
    Choose(form->ScaleComboBox, QStringLiteral("200%"));
    form->PageControl1->setCurrentIndex(0);
    form->activateWindow();
    Settle();
    ASSERT_TRUE(form->grab().save(folder + QStringLiteral("/window-200.png")));
}

// The chart with the look changed through the 外観 and シリーズ pages: title text, fonts and position, axis
// titles, outer colour, a background picture, shadow, series colours and the legend at the bottom.
TEST_F(WindowTest, WritesStyledChartPicture)
{
    const QString path = qEnvironmentVariable("TF_WRITE_STYLED_PNG");
    if (path.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_STYLED_PNG to a file name to write the picture";
    tf::RegisterChartFontSubstitutions();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString wall = tftest::WriteWallPicture(folder.path());
    ASSERT_FALSE(wall.isEmpty());
    form->resize(1100, 720);
    Load(ThreeColumnLines());
    Build();

    const auto answerFont = [this](tf::FontChoice answer) {
        form->FontDialogHook = [answer](tf::FontChoice &font) {
            font = answer;
            return true;
        };
    };
    const auto answerColour = [this](tf::TColor answer) {
        form->ColorDialogHook = [answer](tf::TColor &color) {
            color = answer;
            return true;
        };
    };
    const auto setText = [](tf::CheckEdit *edit, const QString &text) {
        edit->setText(text);
        edit->checkAction()->trigger();
    };

    form->PageControl1->setCurrentIndex(0);
    setText(form->TitleEditBtn, QStringLiteral("軸受外径の分布（3ロット）"));
    answerFont({QStringLiteral("Noto Sans CJK JP"), 15, tf::RGBColor(24, 52, 96), tf::fsBold});
    form->TitleFontBtn->click();
    answerFont({QStringLiteral("Noto Sans CJK JP"), 9, tf::RGBColor(70, 70, 70), 0});
    form->SuBTitleFontBtn->click();
    form->ChartTitleAlignment->item(0)->click();
    setText(form->XAxisEdit, QStringLiteral("外径 [mm]"));
    setText(form->YAxisEdit, QStringLiteral("個数"));
    answerFont({QStringLiteral("Noto Sans CJK JP"), 10, tf::RGBColor(24, 52, 96), tf::fsItalic});
    form->AxisFont->click();
    answerColour(tf::RGBColor(247, 243, 233));
    form->ChartColor->click();
    form->OpenPictureDialogHook = [wall] { return wall; };
    form->WallPictureBtn->click();
    if (!form->ChartShadow->isChecked())
        form->ChartShadow->click();

    form->PageControl1->setCurrentIndex(1);
    const tf::TColor seriesColours[] = {tf::RGBColor(38, 110, 160), tf::RGBColor(230, 140, 40), tf::RGBColor(90, 160, 90)};
    for (int i = 0; i < 3; ++i) {
        form->SeriesCombo->setCurrentIndex(i);
        emit form->SeriesCombo->activated(i);
        answerColour(seriesColours[i]);
        form->SeriesColor->click();
    }
    form->LegendPosGrp->item(3)->click();

    form->activateWindow();
    Settle();
    const QImage shown = form->Chart1->grab().toImage();
    ASSERT_EQ(chart().Legend.Alignment.get(), tf::laBottom);
    ASSERT_TRUE(shown.save(path));
}
