// Writes a picture of the whole window with sample data when TF_WRITE_WINDOW_PNG names a file
// (run under a real display server, e.g. xvfb-run, so the window is drawn as users see it).
#include "tests/app/WindowFixture.h"

#include <QPixmap>
#include <QTabWidget>
#include <QToolButton>
#include <cmath>

#include "chart/ChartRenderer.h"

TEST_F(WindowTest, WritesWindowPicture)
{
    const QString path = qEnvironmentVariable("TF_WRITE_WINDOW_PNG");
    if (path.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_WINDOW_PNG to a file name to write the picture";
    tf::RegisterChartFontSubstitutions();

    // Two measured quantities with a header row, as a spreadsheet copy gives them.
    QStringList lines{QStringLiteral("width\theight")};
    for (int i = 0; i < 60; ++i) {
        const double a = 20.0 + 6.0 * std::sin(i * 0.7) + (i % 7) * 0.9;
        const double b = 24.0 + 5.0 * std::cos(i * 0.45) + (i % 5) * 1.1;
        lines += QString::number(a, 'f', 2) + u'\t' + QString::number(b, 'f', 2);
    }
    Load(lines);
    form->PasteBtn->setFocus();
    Build();
    form->PageControl1->setCurrentIndex(2);
    form->activateWindow();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(form->grab().save(path));
}
