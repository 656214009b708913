// Layout steps for a tolerance: the limits and the target as lines across the plot at their positions on
// the bin axis, each series' normal curve over its bars, and the room the automatic ranges give them.
#include "chart/ChartStyle.h"
#include "chart/Histogram.h"
#include "chart/LayoutSteps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tf::layout {

namespace {

// How far either side of the mean a curve is drawn; beyond it the density is below a hundredth of a
// per cent of its top.
constexpr double kCurveSigmas = 4.5;
constexpr int kCurvePixelStep = 2;
constexpr int kCurveMaxPoints = 600;
constexpr int kLabelPad = 3;

bool drawable(const std::optional<TNormalFit> &fit)
{
    return fit && fit->count >= 2 && fit->stdDev > 0 && std::isfinite(fit->stdDev) && std::isfinite(fit->mean)
        && std::isfinite(fit->binWidth) && fit->binWidth > 0;
}

double curveHeight(const TNormalFit &f, double x)
{
    const double z = (x - f.mean) / f.stdDev;
    return f.count * f.binWidth * std::exp(-0.5 * z * z) / (f.stdDev * std::sqrt(2 * std::numbers::pi));
}

// A value's distance along an axis in pixels, unrounded so that a curve stays smooth.
double along(const AxisMap &map, double v)
{
    return std::clamp((v - map.min) / (map.max - map.min) * map.length, -1.0e6, 1.0e6);
}

struct ToleranceValue {
    ChartLayout::ToleranceLine::Kind kind;
    std::optional<double> value;
    const char *text;
};

std::vector<ToleranceValue> toleranceValues(const TChart &chart)
{
    return {{ChartLayout::ToleranceLine::Lower, chart.Capability.LowerLimit.get(), "LSL"},
            {ChartLayout::ToleranceLine::Upper, chart.Capability.UpperLimit.get(), "USL"},
            {ChartLayout::ToleranceLine::Target, chart.Capability.Target.get(), "T"}};
}

} // namespace

void WidenForToleranceLines(const TChart &chart, double &lo, double &hi)
{
    const double span = hi - lo;
    if (!(span > 0) || !std::isfinite(span))
        return;
    // A line on the plot's edge would hide under the axis: it gets a fiftieth of the range as room.
    const double room = span / 50;
    for (const ToleranceValue &s : toleranceValues(chart)) {
        if (!s.value || !std::isfinite(*s.value))
            continue;
        lo = std::min(lo, *s.value - room);
        hi = std::max(hi, *s.value + room);
    }
}

void WidenForCurves(const TChart &chart, const SeriesSet &set, double &lo, double &hi)
{
    (void)lo;
    if (!chart.Capability.NormalCurves.get())
        return;
    for (int idx : set.shown) {
        const auto &fit = chart.SeriesList.Items()[size_t(idx)]->NormalFit.get();
        if (!drawable(fit))
            continue;
        const double top = curveHeight(*fit, fit->mean);
        if (std::isfinite(top))
            hi = std::max(hi, top);
    }
}

void PlaceCurves(const TChart &chart, const SeriesSet &set, const AxisMaps &maps, ChartLayout &l)
{
    if (!chart.Capability.NormalCurves.get())
        return;
    const AxisMap &posMap = set.horizontal ? maps.left : maps.bottom;
    const AxisMap &cntMap = set.horizontal ? maps.bottom : maps.left;
    const int x0 = l.plot.left();
    const int y1 = l.plot.top() + l.plot.height(); // exclusive bottom
    for (int idx : set.shown) {
        const TChartSeries *s = chart.SeriesList.Items()[size_t(idx)];
        const auto &fit = s->NormalFit.get();
        if (!drawable(fit))
            continue;
        const double from = std::max(posMap.min, fit->mean - kCurveSigmas * fit->stdDev);
        const double to = std::min(posMap.max, fit->mean + kCurveSigmas * fit->stdDev);
        if (!(from < to))
            continue;
        const double pixels = along(posMap, to) - along(posMap, from);
        const int steps = std::clamp(int(pixels / kCurvePixelStep), 8, kCurveMaxPoints);
        // Darker than the bars' outlines, so that the curve stands out where it runs along a bar's top.
        ChartLayout::Curve curve{idx, SeriesDrawColor(s).darker(200), {}};
        curve.points.reserve(steps + 1);
        for (int k = 0; k <= steps; ++k) {
            const double x = from + (to - from) * k / steps;
            const double p = along(posMap, x);
            const double height = curveHeight(*fit, x);
            if (!std::isfinite(height))
                continue;
            const double c = along(cntMap, height);
            curve.points << (set.horizontal ? QPointF(x0 + c, y1 - p) : QPointF(x0 + p, y1 - c));
        }
        if (curve.points.size() >= 2)
            l.curves.push_back(std::move(curve));
    }
}

void PlaceToleranceLines(const TChart &chart, const SeriesSet &set, const AxisMaps &maps, ChartLayout &l)
{
    const AxisMap &posMap = set.horizontal ? maps.left : maps.bottom;
    const QFontMetrics fm(ChartFont(BinAxis(chart, set.horizontal).LabelsFont));
    const QRect &plot = l.plot;
    const int x0 = plot.left();
    const int y1 = plot.top() + plot.height(); // exclusive bottom
    for (const ToleranceValue &s : toleranceValues(chart)) {
        if (!s.value || !(*s.value >= posMap.min && *s.value <= posMap.max))
            continue; // a fixed range that leaves the line out does not show it
        const int p = posMap.px(*s.value);
        const QString text = QString::fromLatin1(s.text);
        const int tw = fm.horizontalAdvance(text);
        const int th = fm.height();
        ChartLayout::ToleranceLine line{s.kind, {}, {}, text};
        if (set.horizontal) {
            const int y = std::clamp(y1 - p, plot.top(), y1 - 1);
            line.line = QLine(x0, y, plot.right(), y);
            int top = y - th - 1;
            if (top < plot.top())
                top = y + 2;
            line.label = QRect(plot.right() - kLabelPad - tw, top, tw, th);
        } else {
            const int x = std::clamp(x0 + p, x0, plot.right());
            line.line = QLine(x, plot.top(), x, y1 - 1);
            int left = x + kLabelPad;
            if (left + tw > plot.right())
                left = x - kLabelPad - tw;
            line.label = QRect(left, plot.top() + 2, tw, th);
        }
        l.toleranceLines.push_back(line);
    }
}

} // namespace tf::layout
