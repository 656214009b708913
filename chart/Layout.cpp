// The chart layout: panel, text blocks, legend, axes and bars, each step taking the room the ones before left.
#include "chart/LayoutSteps.h"

#include <algorithm>

namespace tf {

ChartLayout LayoutChart(const TChart &chart, const QSize &size, const NumberFormat &fmt)
{
    using namespace layout;
    ChartLayout l;
    const int w = std::max(1, size.width());
    const int h = std::max(1, size.height());
    l.size = QSize(w, h);
    QRect panel(0, 0, w, h);
    if (chart.Shadow.Visible.get())
        panel.adjust(0, 0, -std::max(0, chart.Shadow.HorizSize.get()), -std::max(0, chart.Shadow.VertSize.get()));
    panel.setWidth(std::max(1, panel.width()));
    panel.setHeight(std::max(1, panel.height()));
    l.panel = panel;
    const QRect inner = panel.adjusted(kMargin, kMargin, -kMargin, -kMargin);

    const int top = PlaceCapabilityBlock(chart, panel, inner, PlaceTextBlocks(chart, panel, inner, l), l);
    QRect area(inner.left(), top, inner.width(), inner.bottom() + 1 - top);
    area = PlaceLegend(chart, panel, area, l);
    const SeriesSet set = SelectSeries(chart);
    l.horizontal = set.horizontal;
    const AxisMaps maps = PlaceAxes(chart, set, area, fmt, l);
    PlaceBars(chart, set, maps, l);
    PlaceCurves(chart, set, maps, l);
    PlaceToleranceLines(chart, set, maps, l);
    return l;
}

void StoreAutomaticRanges(TChart &chart, const ChartLayout &layout)
{
    if (layout.bottomComputed)
        chart.BottomAxis.StoreRange(layout.bottomComputed->minimum, layout.bottomComputed->maximum);
    if (layout.leftComputed)
        chart.LeftAxis.StoreRange(layout.leftComputed->minimum, layout.leftComputed->maximum);
}

} // namespace tf
