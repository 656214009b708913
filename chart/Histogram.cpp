#include "chart/Histogram.h"

namespace tf {

TChartAxis &BinAxis(TChart &chart, bool horizontal)
{
    return horizontal ? chart.LeftAxis : chart.BottomAxis;
}

const TChartAxis &BinAxis(const TChart &chart, bool horizontal)
{
    return horizontal ? chart.LeftAxis : chart.BottomAxis;
}

TChartAxis &CountAxis(TChart &chart, bool horizontal)
{
    return horizontal ? chart.BottomAxis : chart.LeftAxis;
}

const TChartAxis &CountAxis(const TChart &chart, bool horizontal)
{
    return horizontal ? chart.BottomAxis : chart.LeftAxis;
}

TCustomBarSeries *AddHistogramSeries(TChart &chart, bool horizontal)
{
    TCustomBarSeries *series = horizontal ? static_cast<TCustomBarSeries *>(chart.CreateSeries<THorizBarSeries>())
                                          : static_cast<TCustomBarSeries *>(chart.CreateSeries<TBarSeries>());
    // The chart centres a bar on its position; half a bar towards larger values puts the lower bin edge there.
    series->OffsetPercent = horizontal ? -50 : 50;
    series->BarWidthPercent = 100;
    series->MultiBar = mbStacked;
    series->Marks.Visible = false;
    chart.AddSeries(series);
    return series;
}

void AddBin(TChartSeries &series, double position, double count)
{
    if (series.IsHorizontal())
        series.AddXY(count, position, QString(), AutoColor);
    else
        series.AddXY(position, count, QString(), AutoColor);
}

} // namespace tf
