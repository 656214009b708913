// Tolerance lines and normal curves in the exports: real dashed and dotted pens and one polyline per curve
// in the metafile, and a chart without them exported exactly as before.
#include "ExportTestSupport.h"
#include "export/EmfFormat.h"
#include "export/Export.h"

#include <gtest/gtest.h>

#include <map>

using namespace exporttest;
using namespace tf::emf;

namespace {

// Twenty values 2..20 counted in bins 2 wide: a vertical histogram as a build makes it.
TChart &histogram(TChart &c)
{
    tf::RegisterChartFontSubstitutions();
    auto *s = tf::AddHistogramSeries(c, false);
    s->Title = QStringLiteral("ロットA");
    const int counts[] = {1, 2, 4, 6, 4, 2, 1};
    for (int j = 0; j < 7; ++j)
        tf::AddBin(*s, 4.0 + 2 * j, counts[j]);
    c.SubTitle.Text.Add(QStringLiteral("     ロットA: 平均=  10.00  標準偏差=  3.00  最大値=  17.00  最小値=   4.00"));
    return c;
}

TEST(CapabilityDrawing, NothingSetDrawsTheChartAsBefore)
{
    TChart plain, fitted;
    histogram(plain);
    histogram(fitted);
    // A fit alone, with the curves off and no limit, changes no pixel.
    fitted.Series(0)->NormalFit = tf::TNormalFit{20, 11.0, 1.0, 2.0};
    EXPECT_EQ(charttest::render(plain).image, charttest::render(fitted).image);
    EXPECT_EQ(tf::ExportEmf(plain, kSize, tf::EmfReference::at96Dpi()),
              tf::ExportEmf(fitted, kSize, tf::EmfReference::at96Dpi()));
}

// The pens the metafile creates (handle to style and colour) and the polylines drawn with each.
struct PenUse {
    std::uint32_t style, colour;
    int width;
    std::vector<int> polylinePoints; // point count of each polyline drawn with it
};

std::vector<PenUse> penUses(const tf::EmfDocument &doc)
{
    std::map<std::uint32_t, PenUse> pens;
    std::vector<PenUse> used;
    PenUse *current = nullptr;
    for (const auto &r : doc.records) {
        if (r.type == EMR_CREATEPEN) {
            pens[r.u32(8)] = PenUse{r.u32(12), tf::ReadColorRef(r), int(r.u32(16)), {}};
        } else if (r.type == EMR_SELECTOBJECT && pens.count(r.u32(8))) {
            used.push_back(pens[r.u32(8)]);
            current = &used.back();
        } else if ((r.type == EMR_POLYLINE16 || r.type == EMR_POLYLINE) && current) {
            for (const QPolygon &p : tf::ReadPolyRecord(r))
                current->polylinePoints.push_back(int(p.size()));
        }
    }
    return used;
}

TEST(CapabilityDrawing, MetafileHasDashedAndDottedPensAndTheCurveAsOnePolyline)
{
    TChart c;
    histogram(c);
    c.Capability.LowerLimit = 3.0;
    c.Capability.UpperLimit = 18.0;
    c.Capability.Target = 10.0;
    c.Series(0)->NormalFit = tf::TNormalFit{20, 11.0, 3.0, 2.0};
    c.Capability.NormalCurves = true;
    const tf::EmfDocument doc = tf::ParseEmf(tf::ExportEmf(c, kSize, tf::EmfReference::at96Dpi()));
    const auto uses = penUses(doc);
    const std::uint32_t red = RGBColor(210, 0, 0), green = RGBColor(0, 140, 0);
    int dashedRed = 0, dottedGreen = 0;
    for (const PenUse &u : uses) {
        if (u.style == PS_DASH && u.colour == red)
            dashedRed += int(u.polylinePoints.size());
        if (u.style == PS_DOT && u.colour == green)
            dottedGreen += int(u.polylinePoints.size());
    }
    EXPECT_EQ(dashedRed, 2);
    EXPECT_EQ(dottedGreen, 1);
    const tf::ChartLayout l = tf::LayoutChart(c, kSize);
    ASSERT_EQ(l.curves.size(), 1);
    const QColor cc = l.curves[0].color;
    const std::uint32_t curveColour = RGBColor(cc.red(), cc.green(), cc.blue());
    std::vector<int> curvePolylines;
    for (const PenUse &u : uses) {
        if (u.colour == curveColour) {
            EXPECT_EQ(u.style, PS_SOLID);
            EXPECT_EQ(u.width, 2);
            curvePolylines.insert(curvePolylines.end(), u.polylinePoints.begin(), u.polylinePoints.end());
        }
    }
    ASSERT_EQ(curvePolylines.size(), 1u) << "the curve is one polyline";
    EXPECT_GE(curvePolylines.front(), 30);
    // The labels are text records.
    int labels = 0;
    for (const auto &r : doc.records)
        if (r.type == EMR_EXTTEXTOUTW) {
            const QString t = tf::ReadTextRecord(r).text;
            labels += t == QStringLiteral("LSL") || t == QStringLiteral("USL") || t == QStringLiteral("T");
        }
    EXPECT_EQ(labels, 3);
}

} // namespace
