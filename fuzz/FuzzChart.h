#pragma once
// Shared by the fuzz targets that draw: a chart built from text as the window builds it, then styled
// from the input's bytes (odd axis ranges and steps, legend sides, shadow, titles, fonts).
#include "FuzzGui.h"
#include "FuzzSupport.h"

#include "chart/ChartModel.h"
#include "chart/Histogram.h"
#include "engine/Build.h"
#include "intake/TextRules.h"


namespace fuzz {

// Fills the chart as the window does during a build.
class ChartSink : public tf::BuildSink {
public:
    explicit ChartSink(tf::TChart &chart) : m_chart(chart) {}

    void ClearForBuild(bool manualRange, bool horizontal) override
    {
        for (int i = m_chart.SeriesCount() - 1; i >= 0; --i)
            m_chart.DestroySeries(i);
        m_chart.SubTitle.Text.Clear();
        m_chart.LeftAxis.Automatic = true;
        m_chart.BottomAxis.Automatic = true;
        m_horizontal = horizontal;
        if (manualRange)
            tf::BinAxis(m_chart, horizontal).Automatic = false;
    }
    void CreateSeries(int count, bool horizontal) override
    {
        for (int i = 0; i < count; ++i)
            tf::AddHistogramSeries(m_chart, horizontal);
    }
    void SetSeriesTitles(const QStringList &titles) override
    {
        for (int i = 0; i < titles.size(); ++i)
            m_chart.Series(i)->Title = titles[i];
    }
    void SetBinAxisMinimum(double v) override { tf::BinAxis(m_chart, m_horizontal).Minimum = v; }
    void SetBinAxisMaximum(double v) override { tf::BinAxis(m_chart, m_horizontal).Maximum = v; }
    void SetKukanValueText(const QString &) override {}
    void AddSeriesPoints(int series, const std::vector<double> &positions, const std::vector<int> &counts) override
    {
        tf::TChartSeries &s = *m_chart.Series(series);
        for (size_t j = 0; j < positions.size(); ++j)
            tf::AddBin(s, positions[j], counts[j]);
    }
    void SetRangeTexts(const QString &, const QString &) override {}
    void AddStatisticsLine(const QString &line) override { m_chart.SubTitle.Text.Add(line); }
    void SetStatusText(const QString &) override {}

private:
    tf::TChart &m_chart;
    bool m_horizontal = false;
};

constexpr double kRangeEnds[] = {0.0, 1.0, -1.0, 0.5, 1e-9, 1e9, -1e300, 1e300, 1.7976931348623157e308, 4.9e-324, 3.0, 1e15};
constexpr double kSteps[] = {0.0, 1.0, 0.1, 1e-300, 1e300, 7.0, 0.25, 1e-9, 2.5e8};
constexpr int kFontSizes[] = {8, 1, 0, 36, 200, -5, 12};
constexpr tf::TColor kColors[] = {tf::clWhite, tf::clBlack, tf::clBtnFace, tf::AutoColor, tf::RGBColor(255, 0, 0), 0x00FFFF00};

inline void StyleAxis(Input &in, tf::TChartAxis &axis)
{
    const std::uint8_t f = in.byte();
    try {
        if (f & 1) {
            axis.Automatic = false;
            const double a = in.pick(kRangeEnds) * ((f & 2) ? -1 : 1), b = in.pick(kRangeEnds);
            // The order the axis commands allow: widen first, so the other end is not refused.
            axis.Maximum = std::max(axis.Maximum.get(), b);
            axis.Minimum = a;
            axis.Maximum = b;
        }
        if (f & 4)
            axis.Increment = in.pick(kSteps);
    } catch (const tf::AxisException &) {
        // refused as the window refuses it; the chart keeps its earlier range
    }
    if (f & 8)
        axis.Title.Caption = in.field();
    axis.LabelsFont.Size = in.pick(kFontSizes);
}

inline void Style(Input &in, tf::TChart &chart)
{
    const std::uint8_t f = in.byte();
    chart.Legend.Alignment = tf::TLegendAlignment(f & 3);
    chart.Legend.Visible = !(f & 4);
    chart.Shadow.Visible = f & 8;
    chart.Shadow.HorizSize = in.inRange(-10, 40);
    chart.Shadow.VertSize = in.inRange(-10, 40);
    chart.Shadow.Transparency = in.inRange(0, 100);
    chart.Border.Visible = f & 16;
    chart.BackWall.Transparent = f & 32;
    chart.Title.Visible = !(f & 64);
    chart.SubTitle.Visible = !(f & 128);
    chart.Color = in.pick(kColors);
    chart.BackWall.Color = in.pick(kColors);
    chart.Title.Alignment = tf::TAlignment(in.inRange(0, 2));
    chart.Title.TextAlignment = tf::TAlignment(in.inRange(0, 2));
    chart.Title.Font.Size = in.pick(kFontSizes);
    chart.SubTitle.Font.Size = in.pick(kFontSizes);
    chart.Legend.Font.Size = in.pick(kFontSizes);
    chart.Title.Text = in.field().split(u'\n');
    StyleAxis(in, chart.BottomAxis);
    StyleAxis(in, chart.LeftAxis);
}

// Build controls, style and text from the input; a build that stops leaves the chart as far as it got,
// and that is drawn too.
inline void BuildStyledChart(Input &in, tf::TChart &chart)
{
    tf::BuildControls controls;
    const std::uint8_t flags = in.byte();
    controls.horizontal = flags & 1;
    controls.kukanManualSize = flags & 2;
    controls.bunkatuSize = in.inRange(2, 100);
    controls.kukanMaxValue = in.field();
    controls.kukanMinValue = in.field();
    Style(in, chart);
    tf::EngineState st;
    st.DataList = tf::SplitLines(QString::fromUtf8(in.rest()));
    ChartSink sink(chart);
    try {
        tf::BuildHistogram(st, controls, sink, tf::NumberFormat{});
    } catch (const tf::Error &) {
    }
    // Tolerance lines and normal curves from the flags' upper bits, placed by the build's own figures so
    // that the input's bytes keep their meaning.
    if (!st.last.complete || st.last.stats.empty())
        return;
    const tf::ColumnStats &s = st.last.stats.front();
    if (flags & 0x10) {
        chart.Capability.LowerLimit = s.minimum - (flags >> 6) * s.stdDev;
        chart.Capability.Target = s.mean;
    }
    if (flags & 0x20)
        chart.Capability.UpperLimit = s.maximum + (flags >> 6) * s.stdDev;
    if (flags & 0x08) {
        chart.Capability.NormalCurves = true;
        for (std::size_t q = 0; q < st.last.stats.size() && int(q) < chart.SeriesCount(); ++q) {
            const tf::ColumnStats &c = st.last.stats[q];
            chart.Series(int(q))->NormalFit = tf::TNormalFit{double(c.count), c.mean, c.stdDev, st.last.width};
        }
    }
}

} // namespace fuzz
