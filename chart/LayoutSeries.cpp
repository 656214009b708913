// Layout steps that read the series: which of them take part, how their bars stack, the automatic ranges
// they give the axes, and the bar rectangles.
#include "chart/Histogram.h"
#include "chart/ChartStyle.h"
#include "chart/LayoutSteps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tf::layout {

namespace {

bool isStacked(const TChartSeries *s)
{
    const auto *bar = dynamic_cast<const TCustomBarSeries *>(s);
    return bar && bar->MultiBar.get() == mbStacked;
}

// Start and end of every bar along the count axis, by stacking over the given series in order:
// stacked series pile up per point index (positive on positive, negative on negative).
struct Extent {
    double from = 0, to = 0;
};

std::vector<std::vector<Extent>> stackBars(const TChart &chart, const std::vector<int> &series)
{
    std::vector<std::vector<Extent>> out;
    std::vector<double> pos, neg;
    for (int idx : series) {
        const TChartSeries *s = chart.SeriesList.Items()[size_t(idx)];
        const bool stacked = isStacked(s);
        std::vector<Extent> bars(size_t(s->Count()));
        if (pos.size() < bars.size()) {
            pos.resize(bars.size(), 0.0);
            neg.resize(bars.size(), 0.0);
        }
        for (int i = 0; i < s->Count(); ++i) {
            double c = CountOf(s->Value(i), s->IsHorizontal());
            if (!std::isfinite(c))
                c = 0;
            double base = 0;
            if (stacked) {
                double &acc = c >= 0 ? pos[size_t(i)] : neg[size_t(i)];
                base = acc;
                acc += c;
            }
            bars[size_t(i)] = Extent{base, base + c};
        }
        out.push_back(std::move(bars));
    }
    return out;
}

// The slot rule: the position axis's pixel length over (most points + 1), made even.
int slotPixels(int axisLength, int maxPoints)
{
    int slot = int(std::lround(double(axisLength) / (maxPoints + 1)));
    if (slot % 2)
        ++slot;
    return std::max(slot, 2);
}

} // namespace

int Rounded(double v)
{
    if (std::isnan(v))
        return 0;
    return int(std::lround(std::clamp(v, -1.0e6, 1.0e6)));
}

QColor SeriesDrawColor(const TChartSeries *s)
{
    return s->SeriesColor.get() == AutoColor ? QColor(Qt::gray) : ChartColor(s->SeriesColor.get());
}

SeriesSet SelectSeries(const TChart &chart)
{
    SeriesSet set;
    const auto &items = chart.SeriesList.Items();
    int first = -1;
    for (int i = 0; i < int(items.size()); ++i) {
        if (items[size_t(i)]->Active.get()) {
            first = i;
            break;
        }
    }
    const bool anyVisible = first >= 0;
    if (!anyVisible && !items.empty())
        first = 0;
    if (first < 0)
        return set;
    set.horizontal = items[size_t(first)]->IsHorizontal();
    for (int i = 0; i < int(items.size()); ++i) {
        const TChartSeries *s = items[size_t(i)];
        if (s->IsHorizontal() != set.horizontal)
            continue;
        if (s->Active.get())
            set.shown.push_back(i);
        if (s->Active.get() || !anyVisible) {
            set.ranged.push_back(i);
            set.maxPoints = std::max(set.maxPoints, s->Count());
        }
    }
    return set;
}

bool AllCountsWhole(const TChart &chart, const SeriesSet &set)
{
    for (int idx : set.ranged) {
        const TChartSeries *s = chart.SeriesList.Items()[size_t(idx)];
        for (const TChartValue &v : s->Values()) {
            const double c = CountOf(v, s->IsHorizontal());
            if (std::isfinite(c) && c != std::floor(c))
                return false;
        }
    }
    return true;
}

bool CountRange(const TChart &chart, const SeriesSet &set, double &lo, double &hi)
{
    const auto stacks = stackBars(chart, set.ranged);
    bool any = false;
    lo = 0;
    hi = 0;
    for (const auto &bars : stacks) {
        for (const Extent &e : bars) {
            any = true;
            lo = std::min({lo, e.from, e.to});
            hi = std::max({hi, e.from, e.to});
        }
    }
    return any;
}

// Smallest to largest point position, widened so that the first and last bars are whole, with half a slot
// of air at both ends.
bool PositionRange(const TChart &chart, const SeriesSet &set, int axisLength, double &lo, double &hi)
{
    double minP = std::numeric_limits<double>::infinity();
    double maxP = -minP;
    for (int idx : set.ranged) {
        const TChartSeries *s = chart.SeriesList.Items()[size_t(idx)];
        for (const TChartValue &v : s->Values()) {
            const double p = PositionOf(v, s->IsHorizontal());
            if (!std::isfinite(p))
                continue;
            minP = std::min(minP, p);
            maxP = std::max(maxP, p);
        }
    }
    if (!(minP <= maxP))
        return false;
    const int slot = slotPixels(axisLength, set.maxPoints);
    const double span = maxP - minP;
    if (span > 0 && axisLength > 2 * slot) {
        const double k = (axisLength - 2.0 * slot) / span; // pixels per unit
        lo = minP - (slot / 2.0) / k;
        hi = lo + axisLength / k;
    } else if (span > 0) {
        lo = minP - span;
        hi = maxP + span;
    } else {
        lo = minP - 0.5;
        hi = minP + 1.5;
    }
    return true;
}

// Pixel edges along the position axis are computed once per point and shared by neighbours.
void PlaceBars(const TChart &chart, const SeriesSet &set, const AxisMaps &maps, ChartLayout &l)
{
    const auto &items = chart.SeriesList.Items();
    const int x0 = l.plot.left();
    const int y1 = l.plot.top() + l.plot.height(); // exclusive bottom
    const AxisMap &posMap = set.horizontal ? maps.left : maps.bottom;
    const AxisMap &cntMap = set.horizontal ? maps.bottom : maps.left;
    const int slot = slotPixels(posMap.length, set.maxPoints);
    const auto stacks = stackBars(chart, set.shown);
    for (size_t n = 0; n < set.shown.size(); ++n) {
        const int idx = set.shown[n];
        const TChartSeries *s = items[size_t(idx)];
        const auto *bar = dynamic_cast<const TCustomBarSeries *>(s);
        const double widthPct = bar ? bar->BarWidthPercent.get() / 100.0 : 1.0;
        double offsetPct = bar ? bar->OffsetPercent.get() / 100.0 : 0.0;
        if (set.horizontal)
            offsetPct = -offsetPct; // a negative offset moves a horizontal bar towards larger values
        std::vector<int> edge(size_t(s->Count()));
        for (int i = 0; i < s->Count(); ++i)
            edge[size_t(i)] = posMap.px(PositionOf(s->Value(i), s->IsHorizontal()));
        for (int i = 0; i < s->Count(); ++i) {
            const Extent &e = stacks[n][size_t(i)];
            if (e.from == e.to)
                continue;
            int span = i + 1 < s->Count() ? edge[size_t(i) + 1] - edge[size_t(i)] : slot;
            if (span <= 0)
                span = slot;
            const double bw = span * widthPct;
            const int p0 = edge[size_t(i)] + int(std::lround((offsetPct - 0.5) * bw));
            const int p1 = p0 + int(std::lround(bw));
            int c0 = cntMap.px(e.from), c1 = cntMap.px(e.to);
            if (c1 < c0)
                std::swap(c0, c1);
            QRect r;
            if (set.horizontal)
                r = QRect(QPoint(x0 + c0, y1 - p1), QPoint(x0 + c1 - 1, y1 - p0 - 1));
            else
                r = QRect(QPoint(x0 + p0, y1 - c1), QPoint(x0 + p1 - 1, y1 - c0 - 1));
            if (r.isEmpty())
                continue;
            const TColor pc = s->Value(i).Color;
            l.bars.push_back({idx, i, r, pc == AutoColor ? SeriesDrawColor(s) : ChartColor(pc)});
        }
    }
}

} // namespace tf::layout
