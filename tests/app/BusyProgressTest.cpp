// A long read or build shows a progress bar in the status bar and keeps the window painting; the
// result and the status text are those of the same build without it.
#include "tests/app/WindowFixture.h"

#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include "app/BusyIndicator.h"

namespace {

QStringList LargeTable()
{
    QStringList lines{QStringLiteral("測定値A\t温度（℃）")};
    for (int r = 0; r < 300000; ++r)
        lines += QString::number(r % 1000 * 0.5, 'f', 1) + u'\t' + QString::number(r % 37);
    return lines;
}

} // namespace

TEST_F(WindowTest, ALongBuildShowsProgressAndEndsAsAnyBuild)
{
    Load(LargeTable());
    Build();
    const QString status = form->StatusText();
    const QStringList statistics = chart().SubTitle.Text.Lines();
    ASSERT_EQ(statistics.size(), 2);

    const int delay = tf::BusyIndicator::delayMs();
    tf::BusyIndicator::delayMs() = 0; // every build counts as long
    bool barSeen = false, chartHeld = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { // runs while the build lets the window paint
        if (auto *bar = form->StatusBar1->findChild<QProgressBar *>(QStringLiteral("BusyProgress"))) {
            barSeen = barSeen || bar->isVisible();
            chartHeld = chartHeld || !form->Chart1->updatesEnabled();
        }
    });
    probe.start(0);
    Load(LargeTable()); // new data: the columns are read again, on several threads
    Build();
    probe.stop();
    tf::BusyIndicator::delayMs() = delay;

    EXPECT_TRUE(barSeen);
    EXPECT_TRUE(chartHeld);
    EXPECT_EQ(form->StatusBar1->findChild<QProgressBar *>(QStringLiteral("BusyProgress")), nullptr);
    EXPECT_TRUE(form->Chart1->updatesEnabled());
    EXPECT_EQ(form->StatusText(), status);
    EXPECT_EQ(chart().SubTitle.Text.Lines(), statistics);
    EXPECT_TRUE(boxes.empty());
}
