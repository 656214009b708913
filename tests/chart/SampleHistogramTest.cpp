// The histogram of the column 3, 7, 12, 25, 31 (bin width 2 from 2 to 32) as the build fills the chart.
// Set TF_WRITE_SAMPLE_PNG to a file path to also write the picture (docs/sample-histogram.png).
#include "ChartTestSupport.h"

#include <gtest/gtest.h>

using namespace charttest;

TEST(SampleHistogram, DrawsFiveUnitBarsUnderTheStatisticsLine)
{
    TChart c;
    TBarSeries *s = addBars(c, {}, QStringLiteral("No0"));
    for (int j = 0; j <= 15; ++j) {
        const double x = 2 + j * 2.0;
        const bool hit = x == 2 || x == 6 || x == 12 || x == 24 || x == 30;
        s->AddXY(x, hit ? 1 : 0, QString(), AutoColor);
    }
    c.SubTitle.Text.Add(QStringLiteral("       No0: 平均=  15.60  標準偏差= 11.95  最大値=  31.00  最小値=   3.00"));

    const Rendered r = render(c);
    EXPECT_EQ(c.LeftAxis.Minimum.get(), 0.0);
    EXPECT_EQ(c.LeftAxis.Maximum.get(), 1.0);
    ASSERT_EQ(r.layout.bars.size(), 5);
    for (const auto &bar : r.layout.bars) {
        EXPECT_EQ(bar.rect.top(), r.layout.plot.top());
        EXPECT_EQ(r.image.pixelColor(bar.rect.center()), tf::ChartColor(SeriesPalette[0]));
    }
    ASSERT_EQ(r.layout.legendEntries.size(), 1);
    EXPECT_LT(r.layout.subTitleBlock.bottom(), r.layout.plot.top());

    const QString out = qEnvironmentVariable("TF_WRITE_SAMPLE_PNG");
    if (!out.isEmpty()) {
        ASSERT_TRUE(r.image.save(out, "PNG")) << out.toStdString();
    }
}
