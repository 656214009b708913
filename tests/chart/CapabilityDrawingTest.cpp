// Tolerance lines, normal curves and capability lines: where the layout puts them and what the painter
// draws.
#include "tests/chart/ChartTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

using namespace charttest;

namespace {

// Twenty values 2..20 counted in bins 2 wide: a vertical histogram as a build makes it.
TChart &histogram(TChart &c, bool horizontal = false)
{
    tf::RegisterChartFontSubstitutions();
    auto *s = tf::AddHistogramSeries(c, horizontal);
    s->Title = QStringLiteral("ロットA");
    const int counts[] = {1, 2, 4, 6, 4, 2, 1};
    for (int j = 0; j < 7; ++j)
        tf::AddBin(*s, 4.0 + 2 * j, counts[j]);
    c.SubTitle.Text.Add(QStringLiteral("     ロットA: 平均=  10.00  標準偏差=  3.00  最大値=  17.00  最小値=   4.00"));
    return c;
}

int countPixels(const QImage &img, const QRect &area, const std::function<bool(QColor)> &match)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += match(img.pixelColor(x, y));
    return n;
}

bool reddish(QColor c) { return c.red() > 180 && c.green() < 60 && c.blue() < 60; }
bool greenish(QColor c) { return c.green() > 110 && c.red() < 60 && c.blue() < 60; }

TEST(ToleranceLines, StandAtTheirValuesAndWidenTheAutomaticBinRange)
{
    TChart c;
    histogram(c);
    const tf::ChartLayout before = charttest::render(c).layout;
    c.Capability.LowerLimit = 1.0; // below every bar
    c.Capability.UpperLimit = 16.0;
    c.Capability.Target = 10.0;
    const charttest::Rendered r = charttest::render(c);
    const tf::ChartLayout &l = r.layout;
    ASSERT_EQ(l.toleranceLines.size(), 3);
    // The range reaches just past the lower limit; the counts' axis keeps its range.
    ASSERT_TRUE(l.bottomComputed);
    EXPECT_LT(l.bottomComputed->minimum, 1.0);
    EXPECT_GT(l.bottomComputed->minimum, 0.0);
    EXPECT_LE(l.bottomComputed->maximum, before.bottomComputed->maximum + 0.5);
    EXPECT_EQ(l.leftMax, before.leftMax);
    EXPECT_EQ(l.bars.size(), before.bars.size());
    const double pxPerUnit = l.plot.width() / (l.bottomMax - l.bottomMin);
    const char *texts[] = {"LSL", "USL", "T"};
    const double values[] = {1.0, 16.0, 10.0};
    for (int k = 0; k < 3; ++k) {
        const auto &s = l.toleranceLines[k];
        SCOPED_TRACE(texts[k]);
        EXPECT_EQ(s.text, QLatin1String(texts[k]));
        EXPECT_NEAR(s.line.x1(), l.plot.left() + (values[k] - l.bottomMin) * pxPerUnit, 1.0);
        EXPECT_EQ(s.line.x1(), s.line.x2());
        EXPECT_EQ(s.line.y1(), l.plot.top());
        EXPECT_EQ(s.line.y2(), l.plot.bottom());
        EXPECT_TRUE(l.plot.contains(s.label)) << "label inside the plot";
    }
    // Dashed red limits, a dotted green target: pixels of each colour down their columns, with gaps.
    for (int k = 0; k < 3; ++k) {
        const int x = l.toleranceLines[k].line.x1();
        const QRect column(x, l.plot.top() + 20, 1, l.plot.height() - 20);
        const int coloured = countPixels(r.image, column, k == 2 ? greenish : reddish);
        EXPECT_GT(coloured, column.height() / 4) << texts[k];
        EXPECT_LT(coloured, column.height() * 9 / 10) << texts[k] << " is broken, not solid";
    }
}

TEST(ToleranceLines, LieAcrossAHorizontalChart)
{
    TChart c;
    histogram(c, true);
    c.Capability.UpperLimit = 16.0;
    const tf::ChartLayout l = charttest::render(c).layout;
    ASSERT_EQ(l.toleranceLines.size(), 1);
    const QLine line = l.toleranceLines[0].line;
    EXPECT_EQ(line.y1(), line.y2());
    EXPECT_EQ(line.x1(), l.plot.left());
    EXPECT_EQ(line.x2(), l.plot.right());
    const double pxPerUnit = l.plot.height() / (l.leftMax - l.leftMin);
    EXPECT_NEAR(line.y1(), l.plot.top() + l.plot.height() - (16.0 - l.leftMin) * pxPerUnit, 1.0);
}

TEST(ToleranceLines, AFixedRangeThatLeavesALimitOutHidesIt)
{
    TChart c;
    histogram(c);
    c.BottomAxis.Automatic = false;
    c.BottomAxis.Maximum = 20;
    c.BottomAxis.Minimum = 4;
    c.Capability.LowerLimit = 1.0;
    c.Capability.UpperLimit = 16.0;
    const tf::ChartLayout l = charttest::render(c).layout;
    ASSERT_EQ(l.toleranceLines.size(), 1);
    EXPECT_EQ(l.toleranceLines[0].text, QStringLiteral("USL"));
    EXPECT_EQ(l.bottomMin, 4);
}

TEST(NormalCurves, FollowCountTimesWidthTimesDensityAndRaiseTheCountAxis)
{
    for (const bool horizontal : {false, true}) {
        SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
        TChart c;
        histogram(c, horizontal);
        // Twenty values, mean 11, deviation 1: the top N * w / (s * sqrt(2 pi)) = 15.96 is above every bar.
        c.Series(0)->NormalFit = tf::TNormalFit{20, 11.0, 1.0, 2.0};
        c.Capability.NormalCurves = true;
        const charttest::Rendered r = charttest::render(c);
        const tf::ChartLayout &l = r.layout;
        ASSERT_EQ(l.curves.size(), 1);
        const double top = 20 * 2.0 / std::sqrt(2 * std::numbers::pi);
        const double countMax = horizontal ? l.bottomMax : l.leftMax;
        EXPECT_GE(countMax, top);
        EXPECT_LT(countMax, top * 1.01);
        // The point furthest along the count axis lies at the mean and touches the plot's count end.
        const QPolygonF &pts = l.curves[0].points;
        const auto peak = std::max_element(pts.begin(), pts.end(), [&](const QPointF &a, const QPointF &b) {
            return horizontal ? a.x() < b.x() : a.y() > b.y();
        });
        const double meanPx = horizontal
            ? l.plot.top() + l.plot.height() - (11.0 - l.leftMin) / (l.leftMax - l.leftMin) * l.plot.height()
            : l.plot.left() + (11.0 - l.bottomMin) / (l.bottomMax - l.bottomMin) * l.plot.width();
        EXPECT_NEAR(horizontal ? peak->y() : peak->x(), meanPx, 3.0);
        EXPECT_NEAR(horizontal ? peak->x() : peak->y(),
                    horizontal ? l.plot.left() + l.plot.width() * top / countMax
                               : l.plot.top() + l.plot.height() * (1 - top / countMax), 1.5);
        // Drawn in a darker shade of the series colour.
        const QColor curve = l.curves[0].color;
        EXPECT_LT(curve.value(), charttest::barsOf(l, 0).front().color.value());
        const QPoint at = peak->toPoint() + (horizontal ? QPoint(-1, 0) : QPoint(0, 1));
        const QRect around(at - QPoint(2, 2), QSize(5, 5));
        EXPECT_GT(countPixels(r.image, around, [&](QColor p) {
                      return std::abs(p.red() - curve.red()) < 40 && std::abs(p.green() - curve.green()) < 40
                          && std::abs(p.blue() - curve.blue()) < 40;
                  }), 2);
    }
}

TEST(NormalCurves, NoneForASeriesWithoutSpreadOrWhileSwitchedOff)
{
    TChart c;
    histogram(c);
    c.Series(0)->NormalFit = tf::TNormalFit{20, 11.0, 0.0, 2.0};
    c.Capability.NormalCurves = true;
    EXPECT_TRUE(charttest::render(c).layout.curves.isEmpty());
    c.Series(0)->NormalFit = tf::TNormalFit{20, 11.0, 1.0, 2.0};
    c.Capability.NormalCurves = false;
    EXPECT_TRUE(charttest::render(c).layout.curves.isEmpty());
    c.Capability.NormalCurves = true;
    c.Series(0)->Active = false;
    EXPECT_TRUE(charttest::render(c).layout.curves.isEmpty());
}

TEST(CapabilityBlock, StandsUnderTheStatisticsLinesInTheirFont)
{
    TChart c;
    histogram(c);
    const tf::ChartLayout before = charttest::render(c).layout;
    c.Capability.Lines.Add(QStringLiteral("     ロットA: Cp= 0.92  Cpk= 0.90 (95%: 0.70–1.11)  規格外= 1 (2.0%)  推定= 6037 ppm  判定: 不足"));
    const tf::ChartLayout l = charttest::render(c).layout;
    ASSERT_EQ(l.capabilityLines.size(), 1);
    EXPECT_EQ(l.subTitleBlock, before.subTitleBlock);
    EXPECT_GT(l.capabilityBlock.top(), l.subTitleBlock.bottom());
    EXPECT_EQ(l.capabilityBlock.height(), l.subTitleBlock.height());
    EXPECT_EQ(l.capabilityBlock.left(), l.subTitleBlock.left());
    EXPECT_GT(l.plot.top(), l.capabilityBlock.bottom());
    // With the statistics lines hidden the block takes their place.
    c.SubTitle.Visible = false;
    EXPECT_EQ(charttest::render(c).layout.capabilityBlock.top(), before.subTitleBlock.top());
}

} // namespace
