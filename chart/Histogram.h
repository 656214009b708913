#pragma once
// What makes a chart a histogram: which axis carries the bin positions and which the counts for an
// orientation, and the bar series one column becomes.
#include "chart/ChartModel.h"

namespace tf {

// The bin axis carries the bin positions: the bottom axis for vertical bars, the left one for horizontal.
TChartAxis &BinAxis(TChart &chart, bool horizontal);
const TChartAxis &BinAxis(const TChart &chart, bool horizontal);
// The count axis carries the counts: the other one.
TChartAxis &CountAxis(TChart &chart, bool horizontal);
const TChartAxis &CountAxis(const TChart &chart, bool horizontal);

// A point's bin position and count: horizontal bars carry the count in X and the position in Y.
inline double PositionOf(const TChartValue &point, bool horizontal)
{
    return horizontal ? point.Y : point.X;
}
inline double CountOf(const TChartValue &point, bool horizontal)
{
    return horizontal ? point.X : point.Y;
}

// Creates one column's bar series and adds it to the chart: stacked, bars as wide as their bin with the
// lower bin edge at the point's position, no marks.
TCustomBarSeries *AddHistogramSeries(TChart &chart, bool horizontal);

// Appends one bin (position and count) to a histogram series, along the series' own orientation.
void AddBin(TChartSeries &series, double position, double count);

} // namespace tf
