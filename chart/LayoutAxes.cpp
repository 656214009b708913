// Layout step: the two axes beside the plot area, their ranges (automatic or fixed), labels and titles.
#include "chart/ChartStyle.h"
#include "chart/Histogram.h"
#include "chart/LayoutSteps.h"
#include "chart/VisibleText.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tf::layout {

namespace {

// Smallest 1, 2 or 5 times a power of ten that is at least x (x > 0).
double niceCeil(double x)
{
    if (!(x > 0))
        return 1.0;
    if (!std::isfinite(x))
        return x;
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * p >= x * (1 - 1e-12))
            return m * p;
    }
    return 10.0 * p;
}

// Range to draw with when the stored one is empty or reversed.
void drawableRange(double &lo, double &hi)
{
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        lo = 0;
        hi = 1;
    }
    if (hi < lo)
        std::swap(lo, hi);
    if (!std::isfinite(hi - lo)) {
        lo = std::max(lo, -1e307);
        hi = std::min(hi, 1e307);
    }
    if (hi == lo)
        hi = lo + std::max(1.0, std::fabs(lo) * 1e-9);
}

// Label values and texts for one axis.
struct LabelSet {
    double step = 1;
    std::vector<double> values;
    QStringList texts;
    int maxWidth = 0;
};

// How an axis's labels are measured: their font, their direction and their decimal separator.
struct LabelStyle {
    const QFontMetrics &fm;
    bool alongWidth;
    const NumberFormat &fmt;

    // Width of the widest label at a step (the ends of the range have the most digits).
    int widest(const AxisMap &map, double step) const
    {
        return std::max(fm.horizontalAdvance(AxisLabelText(map.min, step, fmt)),
                        fm.horizontalAdvance(AxisLabelText(map.max, step, fmt)));
    }
};

// The step the chart chooses when Increment is 0: 1, 2 or 5 times a power of ten, with room to spare.
double automaticStep(const AxisMap &map, const LabelStyle &style, bool wholeSteps)
{
    const double span = map.max - map.min;
    double step = 1;
    double spacing = style.alongWidth ? 24 : 2.2 * style.fm.height();
    for (int attempt = 0; attempt < 6; ++attempt) {
        const double minStep = span / std::max(1, map.length) * spacing;
        step = wholeSteps ? std::max(1.0, niceCeil(minStep)) : niceCeil(minStep);
        if (!style.alongWidth) {
            // A short axis with room for two lines of labels shows at least two rather than a lone "0".
            const double eps = step * 1e-9;
            const double shown = std::floor((map.max + eps) / step) - std::ceil((map.min - eps) / step) + 1;
            const double tight = 1.2 * style.fm.height();
            if (shown >= 2 || spacing <= tight || !std::isfinite(shown))
                break;
            spacing = tight;
            continue;
        }
        // Labels along the bottom need their own width plus a gap.
        const double needed = style.widest(map, step) + 12.0;
        if (needed <= spacing * 1.0001)
            break;
        spacing = needed;
    }
    return step;
}

// The step the user set, kept wherever its labels fit; where neighbouring labels would overlap, the
// smallest multiple of it whose labels do not.
double userStep(const AxisMap &map, double increment, const LabelStyle &style)
{
    const double pixelsPerUnit = std::max(1, map.length) / (map.max - map.min);
    double k = 1;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const double step = increment * k;
        // Neighbours are a line apart on the left axis, a label's width and a small gap along the bottom;
        // one pixel more, as each label's position is rounded to whole pixels.
        const double needed = (style.alongWidth ? style.widest(map, step) + kLabelGap : style.fm.height()) + 1;
        if (step * pixelsPerUnit >= needed)
            return step;
        const double next = std::ceil(needed / (increment * pixelsPerUnit) * (1 - 1e-12));
        if (!std::isfinite(next))
            break;
        k = std::max(k + 1, next);
    }
    return increment * k;
}

LabelSet makeLabels(const AxisMap &map, double increment, const LabelStyle &style, bool wholeSteps)
{
    LabelSet out;
    const double span = map.max - map.min;
    double step = increment > 0 ? userStep(map, increment, style) : automaticStep(map, style, wholeSteps);
    if (increment > 0 && std::isfinite(step) && span / step > kMaxLabels)
        step = increment * std::ceil(span / kMaxLabels / increment); // still a multiple of the user's step
    if (!(step > 0) || !std::isfinite(step) || span / step > kMaxLabels)
        step = span / 10; // a step the rules above could not size: ten labels, whatever they read
    out.step = step;
    const double eps = step * 1e-9;
    // The ends' tolerance is also bounded by the range: a step far wider than the range puts no label outside it.
    const double slack = std::min(eps, span * 1e-9);
    const double first = std::ceil((map.min - eps) / step) * step;
    double previous = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < kMaxLabels; ++i) {
        double v = first + i * step;
        if (!std::isfinite(v) || v > map.max + slack || v == previous)
            break; // past the end (or beyond the largest Double), or a step below the values' precision
        previous = v;
        if (v < map.min - slack)
            continue;
        if (std::fabs(v) < eps)
            v = 0;
        out.values.push_back(v);
        out.texts.push_back(AxisLabelText(v, step, style.fmt));
        out.maxWidth = std::max(out.maxWidth, style.fm.horizontalAdvance(out.texts.back()));
    }
    return out;
}

// The range an axis is drawn with: computed from the series when Automatic (and kept in computed),
// else the stored one.
AxisMap resolveAxis(const TChart &chart, const SeriesSet &set, const TChartAxis &axis, bool isBin, int length,
                    std::optional<ChartLayout::Range> &computed)
{
    AxisMap m;
    m.length = std::max(1, length);
    double lo = axis.Minimum.get(), hi = axis.Maximum.get();
    computed.reset();
    if (axis.Automatic.get()) {
        double clo = 0, chi = 0;
        const bool found = isBin ? PositionRange(chart, set, m.length, clo, chi) : CountRange(chart, set, clo, chi);
        if (found) {
            if (isBin)
                WidenForToleranceLines(chart, clo, chi);
            else
                WidenForCurves(chart, set, clo, chi);
            computed = ChartLayout::Range{clo, chi};
            lo = clo;
            hi = chi;
        }
    }
    drawableRange(lo, hi);
    m.min = lo;
    m.max = hi;
    return m;
}

// What shows of an axis title in `room` pixels along it, and its width: the whole title, or its start with an
// ellipsis when it is longer. Only what can show is measured, so a title of any length lays out at once.
QString fittingTitle(const QString &caption, const QFontMetrics &fm, int room, int &width)
{
    const QString showable = ShowablePart(caption, room);
    const ShownWidth shown = MeasureShowable(showable, fm, room);
    if (!shown.wider) {
        width = shown.width;
        return showable;
    }
    const QString shortened = fm.elidedText(showable, Qt::ElideRight, std::max(0, room));
    width = fm.horizontalAdvance(shortened);
    return shortened;
}

} // namespace

AxisMaps PlaceAxes(const TChart &chart, const SeriesSet &set, const QRect &area, const NumberFormat &fmt,
                   ChartLayout &l)
{
    const TChartAxis &binAxis = BinAxis(chart, set.horizontal);
    const TextPart bottomLf(ChartFont(chart.BottomAxis.LabelsFont));
    const TextPart leftLf(ChartFont(chart.LeftAxis.LabelsFont));
    const TextPart bottomTf(ChartFont(chart.BottomAxis.Title.Font));
    const TextPart leftTf(ChartFont(chart.LeftAxis.Title.Font));
    const bool bottomTitle = !chart.BottomAxis.Title.Caption.get().isEmpty();
    const bool leftTitle = !chart.LeftAxis.Title.Caption.get().isEmpty();

    const int plotTop = area.top() + leftLf.fm.height() / 2;
    // Bottom labels start below the lowest left label, which is centred on the plot's bottom edge.
    const int bottomLabelGap = std::max(kTick + 2, leftLf.fm.height() / 2 + 1);
    int plotBottom = area.bottom() + 1 - (bottomLabelGap + bottomLf.fm.height());
    if (bottomTitle)
        plotBottom -= kGap + bottomTf.fm.height();
    const int plotH = std::max(1, plotBottom - plotTop);

    // Counts are whole numbers: their axis gets no fractional label step unless Increment asks for one.
    const bool wholeCounts = AllCountsWhole(chart, set);
    AxisMaps maps;
    maps.left = resolveAxis(chart, set, chart.LeftAxis, &binAxis == &chart.LeftAxis, plotH, l.leftComputed);
    const LabelSet leftLabels = makeLabels(maps.left, chart.LeftAxis.Increment.get(), LabelStyle{leftLf.fm, false, fmt},
                                           set.horizontal ? false : wholeCounts);
    int labelsLeft = area.left() + leftLabels.maxWidth + 2 + kTick;
    if (leftTitle)
        labelsLeft += leftTf.fm.height() + kGap;
    int plotLeft = labelsLeft;

    // The bottom labels' width feeds back into both margins (a label centred on an end of the axis must
    // not be cut at the panel's edge); two rounds settle it.
    LabelSet bottomLabels;
    int plotRight = area.right() + 1 - kGap;
    for (int round = 0; round < 3; ++round) {
        maps.bottom = resolveAxis(chart, set, chart.BottomAxis, &binAxis == &chart.BottomAxis, plotRight - plotLeft,
                                  l.bottomComputed);
        bottomLabels = makeLabels(maps.bottom, chart.BottomAxis.Increment.get(), LabelStyle{bottomLf.fm, true, fmt},
                                  set.horizontal ? wholeCounts : false);
        if (round < 2) {
            plotRight = area.right() + 1 - std::max(kGap, bottomLabels.maxWidth / 2 + 1);
            plotLeft = std::max(labelsLeft, area.left() + bottomLabels.maxWidth / 2 + 1);
        }
    }
    // The last round ran at the final width, so the computed range fits the bars drawn.
    l.plot = QRect(plotLeft, plotTop, std::max(1, plotRight - plotLeft), plotH);

    l.bottomMin = maps.bottom.min;
    l.bottomMax = maps.bottom.max;
    l.leftMin = maps.left.min;
    l.leftMax = maps.left.max;
    const int x0 = l.plot.left();
    const int y1 = l.plot.top() + l.plot.height(); // exclusive bottom

    for (size_t k = 0; k < leftLabels.values.size(); ++k) {
        const int y = y1 - maps.left.px(leftLabels.values[k]);
        const int tw = leftLf.fm.horizontalAdvance(leftLabels.texts[k]);
        const int th = leftLf.fm.height();
        l.leftLabels.push_back(
            {leftLabels.values[k], leftLabels.texts[k], QRect(x0 - kTick - 2 - tw, y - th / 2, tw, th)});
    }
    for (size_t k = 0; k < bottomLabels.values.size(); ++k) {
        const int x = x0 + maps.bottom.px(bottomLabels.values[k]);
        const int tw = bottomLf.fm.horizontalAdvance(bottomLabels.texts[k]);
        l.bottomLabels.push_back({bottomLabels.values[k], bottomLabels.texts[k],
                                  QRect(x - tw / 2, y1 + bottomLabelGap, tw, bottomLf.fm.height())});
    }
    // The titles stand centred on the plot, moved back into their room where they would reach past it: the
    // axes' room less the other title's row or column, so that the two never meet in the corner. A title
    // longer than its room is shortened with an ellipsis; a font taller than the axes' room is cut at it.
    l.axisTitleClip = area;
    const int bottomTitleTop = y1 + bottomLabelGap + bottomLf.fm.height() + kGap;
    if (bottomTitle) {
        const int left = leftTitle ? area.left() + leftTf.fm.height() + kGap : area.left();
        const int right = area.right() + 1; // exclusive
        int tw = 0;
        l.bottomTitleText = fittingTitle(chart.BottomAxis.Title.Caption.get(), bottomTf.fm, right - left, tw);
        const int x = std::max(left, std::min(x0 + (l.plot.width() - tw) / 2, right - tw));
        l.bottomTitle = QRect(x, bottomTitleTop, tw, bottomTf.fm.height());
    }
    if (leftTitle) {
        // Stands rotated a quarter turn: its box is tall and as wide as one line.
        const int bottom = bottomTitle ? std::min(area.bottom() + 1, bottomTitleTop) : area.bottom() + 1; // exclusive
        int tw = 0;
        l.leftTitleText = fittingTitle(chart.LeftAxis.Title.Caption.get(), leftTf.fm, bottom - area.top(), tw);
        const int y = std::min(bottom - tw, std::max(l.plot.top() + (l.plot.height() - tw) / 2, area.top()));
        l.leftTitle = QRect(area.left(), y, leftTf.fm.height(), tw);
    }
    return maps;
}

} // namespace tf::layout
