// Writes a picture of the whole window with sample data when TF_WRITE_WINDOW_PNG names a file
// (run under a real display server, e.g. xvfb-run, so the window is drawn as users see it).
#include "tests/app/WindowFixture.h"

#include <QPixmap>
#include <QTabWidget>
#include <QToolButton>
#include <cmath>

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
