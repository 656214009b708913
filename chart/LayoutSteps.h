#pragma once
// The steps of the chart layout, in the order LayoutChart runs them: the series that take part, the text
// blocks at the top, the legend, the axes with the plot area, and the bars. Each step takes the room the
// previous ones left.
#include "chart/ChartLayout.h"

#include <QFont>
#include <QFontMetrics>

#include <cmath>
#include <vector>

namespace tf::layout {

constexpr int kMargin = 6;     // panel edge to its contents
constexpr int kGap = 4;        // between neighbouring parts
constexpr int kTick = 4;       // axis tick length, outward
constexpr int kSwatchW = 16;   // legend colour swatch
constexpr int kLegendPad = 4;  // inside the legend frame
constexpr int kEntryGap = 12;  // between entries side by side
constexpr int kMaxLabels = 200;
constexpr int kLabelGap = 4;   // least room between neighbouring labels along the bottom axis

// Keeps far-off values (a manual range far from the data) inside int without overflow.
int Rounded(double v);

struct TextPart {
    QFont font;
    QFontMetrics fm;
    explicit TextPart(const QFont &f) : font(f), fm(f) {}
};

// One axis as drawn: its range and its pixel length, mapping values to pixels along the axis
// (0 at the minimum end, growing with the value).
struct AxisMap {
    double min = 0, max = 1;
    int length = 1;

    int px(double v) const { return Rounded((v - min) / (max - min) * length); }
};

// The series that take part in drawing: one orientation (the first visible series decides),
// the shown ones for bars and legend, and the ones whose values set the automatic ranges.
struct SeriesSet {
    bool horizontal = false;
    std::vector<int> shown;   // visible series of the orientation, list order
    std::vector<int> ranged;  // series that count for the automatic ranges
    int maxPoints = 0;        // among the ranged series
};

SeriesSet SelectSeries(const TChart &chart);

// Automatic range of the count axis: 0 to the top of the highest stack (down to the lowest negative one).
bool CountRange(const TChart &chart, const SeriesSet &set, double &lo, double &hi);
// Automatic range of the position axis for an axis of the given pixel length.
bool PositionRange(const TChart &chart, const SeriesSet &set, int axisLength, double &lo, double &hi);
// True when every count of the ranged series is a whole number.
bool AllCountsWhole(const TChart &chart, const SeriesSet &set);

// Title, then subtitle directly below it, from the top of inner; returns the top of the room left.
int PlaceTextBlocks(const TChart &chart, const QRect &panel, const QRect &inner, ChartLayout &l);

// The legend's frame and entries; returns the room left for the axes and the plot area.
QRect PlaceLegend(const TChart &chart, const QRect &panel, QRect area, ChartLayout &l);

// The capability lines under the statistics lines, in their font; returns the top of the room left.
int PlaceCapabilityBlock(const TChart &chart, const QRect &panel, const QRect &inner, int top, ChartLayout &l);

// Automatic ranges reach just far enough to show the tolerance lines (bin axis) and the tops of the
// normal curves (count axis).
void WidenForToleranceLines(const TChart &chart, double &lo, double &hi);
void WidenForCurves(const TChart &chart, const SeriesSet &set, double &lo, double &hi);

// The plot area, axis ranges, labels and titles inside the given room.
struct AxisMaps {
    AxisMap bottom, left;
};
AxisMaps PlaceAxes(const TChart &chart, const SeriesSet &set, const QRect &area, const NumberFormat &fmt,
                   ChartLayout &l);

// The bars of the shown series on the placed axes.
void PlaceBars(const TChart &chart, const SeriesSet &set, const AxisMaps &maps, ChartLayout &l);

// The normal curves of the shown series and the tolerance lines, over the bars.
void PlaceCurves(const TChart &chart, const SeriesSet &set, const AxisMaps &maps, ChartLayout &l);
void PlaceToleranceLines(const TChart &chart, const SeriesSet &set, const AxisMaps &maps, ChartLayout &l);

// A series' colour as drawn (a series not yet in a chart has none of its own).
QColor SeriesDrawColor(const TChartSeries *s);

} // namespace tf::layout
