#include "chart/ChartRenderer.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tf {

namespace {

constexpr int kMargin = 6;     // panel edge to its contents
constexpr int kGap = 4;        // between neighbouring parts
constexpr int kTick = 4;       // axis tick length, outward
constexpr int kSwatchW = 16;   // legend colour swatch
constexpr int kLegendPad = 4;  // inside the legend frame
constexpr int kEntryGap = 12;  // between entries side by side
constexpr int kMaxLabels = 200;

int rounded(double v)
{
    // Keeps far-off values (a manual range far from the data) inside int without overflow.
    if (std::isnan(v))
        return 0;
    return int(std::lround(std::clamp(v, -1.0e6, 1.0e6)));
}

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

// One axis as drawn: its range and its pixel length, mapping values to pixels along the axis
// (0 at the minimum end, growing with the value).
struct AxisMap {
    double min = 0, max = 1;
    int length = 1;

    int px(double v) const { return rounded((v - min) / (max - min) * length); }
    double unitsPerPixel() const { return (max - min) / length; }
};

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

// The series that take part in drawing: one orientation (the first visible series decides),
// the shown ones for bars and legend, and the ones whose values set the automatic ranges.
struct SeriesSet {
    bool horizontal = false;
    std::vector<int> shown;   // visible series of the orientation, list order
    std::vector<int> ranged;  // series that count for the automatic ranges
    int maxPoints = 0;        // among the ranged series
};

SeriesSet selectSeries(const TChart &chart)
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

bool isStacked(const TChartSeries *s)
{
    const auto *bar = dynamic_cast<const TCustomBarSeries *>(s);
    return bar && bar->MultiBar.get() == mbStacked;
}

double positionOf(const TChartSeries *s, const TChartValue &v)
{
    return s->IsHorizontal() ? v.Y : v.X;
}

double countOf(const TChartSeries *s, const TChartValue &v)
{
    return s->IsHorizontal() ? v.X : v.Y;
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
            double c = countOf(s, s->Value(i));
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

bool allCountsWhole(const TChart &chart, const SeriesSet &set)
{
    for (int idx : set.ranged) {
        const TChartSeries *s = chart.SeriesList.Items()[size_t(idx)];
        for (const TChartValue &v : s->Values()) {
            const double c = countOf(s, v);
            if (std::isfinite(c) && c != std::floor(c))
                return false;
        }
    }
    return true;
}

// Automatic range of the count axis: 0 to the top of the highest stack (down to the lowest negative one).
bool countRange(const TChart &chart, const SeriesSet &set, double &lo, double &hi)
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

// Automatic range of the position axis: smallest to largest point position, widened so that the first
// and last bars are whole, with half a slot of air at both ends.
bool positionRange(const TChart &chart, const SeriesSet &set, int axisLength, double &lo, double &hi)
{
    double minP = std::numeric_limits<double>::infinity();
    double maxP = -minP;
    for (int idx : set.ranged) {
        const TChartSeries *s = chart.SeriesList.Items()[size_t(idx)];
        for (const TChartValue &v : s->Values()) {
            const double p = positionOf(s, v);
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

// Number of decimals that shows every multiple of step exactly (step a 1-2-5 or user value).
int decimalsFor(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    for (int d = 0; d <= 12; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (scaled >= 0.5 && std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled)
            return d;
    }
    return 12;
}

struct TextPart {
    QFont font;
    QFontMetrics fm;
    explicit TextPart(const QFont &f) : font(f), fm(f) {}
};

bool hasText(const TChartTitle &t)
{
    if (!t.Visible.get())
        return false;
    return std::any_of(t.Text.Lines().begin(), t.Text.Lines().end(), [](const QString &l) { return !l.isEmpty(); });
}

QRect textBlock(const TChartTitle &t, const QRect &panel, const QRect &inner, int top)
{
    const TextPart tp(ChartFont(t.Font));
    int w = 0;
    for (const QString &line : t.Text.Lines())
        w = std::max(w, tp.fm.horizontalAdvance(line));
    const int h = int(t.Text.Count()) * tp.fm.height();
    int x = inner.left();
    if (t.Alignment.get() == taCenter)
        x = panel.left() + (panel.width() - w) / 2;
    else if (t.Alignment.get() == taRightJustify)
        x = inner.left() + inner.width() - w;
    // A block wider than the panel starts at the left margin and is cut at the right.
    x = std::max(x, inner.left());
    return QRect(x, top, w, h);
}

// Label values and texts for one axis; the step follows Increment when set, widened to a multiple of it
// when the labels would otherwise run into each other.
struct LabelSet {
    double step = 1;
    std::vector<double> values;
    QStringList texts;
    int maxWidth = 0;
};

LabelSet makeLabels(const AxisMap &map, double increment, const QFontMetrics &fm, bool alongWidth, bool wholeSteps)
{
    LabelSet out;
    const double span = map.max - map.min;
    double step = 1;
    double spacing = alongWidth ? 24 : 2.2 * fm.height();
    for (int attempt = 0; attempt < 6; ++attempt) {
        const double minStep = span / std::max(1, map.length) * spacing;
        if (increment > 0 && increment >= minStep)
            step = increment;
        else if (increment > 0 && std::isfinite(minStep / increment))
            step = increment * niceCeil(minStep / increment);
        else
            step = wholeSteps ? std::max(1.0, niceCeil(minStep)) : niceCeil(minStep);
        if (!alongWidth) {
            // A short axis with room for two lines of labels shows at least two rather than a lone "0".
            const double eps = step * 1e-9;
            const double shown = std::floor((map.max + eps) / step) - std::ceil((map.min - eps) / step) + 1;
            const double tight = 1.2 * fm.height();
            if (shown >= 2 || spacing <= tight || !std::isfinite(shown))
                break;
            spacing = tight;
            continue;
        }
        // Labels along the bottom need their own width plus a gap.
        const int w = std::max(fm.horizontalAdvance(AxisLabelText(map.min, step)),
                               fm.horizontalAdvance(AxisLabelText(map.max, step)));
        const double needed = w + 12.0;
        if (needed <= spacing * 1.0001)
            break;
        spacing = needed;
    }
    if (!(step > 0) || !std::isfinite(step) || span / step > kMaxLabels)
        step = span / 10; // a step the rules above could not size: ten labels, whatever they read
    out.step = step;
    const double eps = step * 1e-9;
    const double first = std::ceil((map.min - eps) / step) * step;
    double previous = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < kMaxLabels; ++i) {
        double v = first + i * step;
        if (v > map.max + eps || v == previous)
            break; // past the end, or a step below the values' precision
        previous = v;
        if (std::fabs(v) < eps)
            v = 0;
        out.values.push_back(v);
        out.texts.push_back(AxisLabelText(v, step));
        out.maxWidth = std::max(out.maxWidth, fm.horizontalAdvance(out.texts.back()));
    }
    return out;
}

QColor seriesColor(const TChartSeries *s)
{
    return s->SeriesColor.get() == AutoColor ? QColor(Qt::gray) : ChartColor(s->SeriesColor.get());
}

} // namespace

void RegisterChartFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Noto Sans CJK JP"));
}

QFont ChartFont(const TTeeFont &font)
{
    QFont f(font.Name.get());
    f.setPixelSize(std::max(1, int(std::lround(font.Size.get() * 96.0 / 72.0))));
    const TFontStyles st = font.Style.get();
    f.setBold(st & fsBold);
    f.setItalic(st & fsItalic);
    f.setUnderline(st & fsUnderline);
    f.setStrikeOut(st & fsStrikeOut);
    return f;
}

QColor ChartColor(TColor color)
{
    if ((color & 0xFF000000u) == clSystemColor) {
        if (color == clBtnFace)
            return QGuiApplication::palette().color(QPalette::Button);
        return QGuiApplication::palette().color(QPalette::Window);
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QString AxisLabelText(double value, double step)
{
    if (!std::isfinite(value))
        return QString();
    if (std::fabs(value) >= 1e15 || (step > 0 && step < 1e-12))
        return QString::number(value, 'g', 12);
    if (step > 0 && std::fabs(value) < step * 1e-9)
        value = 0;
    QString s = QString::number(value, 'f', decimalsFor(step));
    if (s.startsWith(u'-') && s.count(u'0') + s.count(u'.') == s.size() - 1)
        s.remove(0, 1); // "-0.0" reads as 0
    return s;
}

ChartLayout LayoutChart(TChart &chart, const QSize &size)
{
    ChartLayout l;
    const int w = std::max(1, size.width());
    const int h = std::max(1, size.height());
    QRect panel(0, 0, w, h);
    if (chart.Shadow.Visible.get())
        panel.adjust(0, 0, -std::max(0, chart.Shadow.HorizSize.get()), -std::max(0, chart.Shadow.VertSize.get()));
    panel.setWidth(std::max(1, panel.width()));
    panel.setHeight(std::max(1, panel.height()));
    l.panel = panel;
    const QRect inner = panel.adjusted(kMargin, kMargin, -kMargin, -kMargin);

    // Title, then subtitle directly below it.
    int top = inner.top();
    if (hasText(chart.Title)) {
        l.titleBlock = textBlock(chart.Title, panel, inner, top);
        top = l.titleBlock.bottom() + 1 + kGap;
    }
    if (hasText(chart.SubTitle)) {
        l.subTitleBlock = textBlock(chart.SubTitle, panel, inner, top);
        top = l.subTitleBlock.bottom() + 1 + kGap;
    }
    QRect area(inner.left(), top, inner.width(), inner.bottom() + 1 - top);

    const SeriesSet set = selectSeries(chart);
    const auto &items = chart.SeriesList.Items();

    // Legend: one entry per visible series, taking its room from the plot area.
    if (chart.Legend.Visible.get()) {
        const TextPart lf(ChartFont(chart.Legend.Font));
        const int rowH = lf.fm.height() + 2;
        std::vector<int> entries;
        for (int i = 0; i < int(items.size()); ++i)
            if (items[size_t(i)]->Active.get())
                entries.push_back(i);
        if (!entries.empty()) {
            // A title too long for half the panel is shortened with an ellipsis when drawn.
            const int maxText = std::max(lf.fm.averageCharWidth() * 4,
                                         area.width() / 2 - 2 * kLegendPad - kSwatchW - kGap);
            std::vector<int> widths;
            std::vector<bool> shortened;
            for (int i : entries) {
                const int advance = lf.fm.horizontalAdvance(items[size_t(i)]->Title.get());
                // Two pixels of slack: another device's hinting may draw the text a pixel wider.
                widths.push_back(kSwatchW + kGap + std::min(maxText, advance) + 2);
                shortened.push_back(advance > maxText);
            }
            const auto align = chart.Legend.Alignment.get();
            auto swatchAt = [&](int x, int y) {
                return QRect(x, y + (rowH - 10) / 2, kSwatchW, 10);
            };
            if (align == laLeft || align == laRight) {
                // One column; when it would run past the panel's bottom, further columns beside it, so that
                // every series keeps its entry, as long as the legend leaves the plot half the width.
                const int n = int(entries.size());
                const int fit = std::max(1, (area.height() - 2 * kLegendPad) / rowH);
                int rows = n, bw = 0;
                std::vector<int> colX;
                // More columns than this cannot fit in half the width even with nothing in them, so a first
                // line of thousands of cells does not try thousands of column counts.
                const int widest = std::max(1, (area.width() / 2 - 2 * kLegendPad) / kEntryGap + 1);
                for (int cols = std::min((n + fit - 1) / fit, widest); cols >= 1; --cols) {
                    rows = (n + cols - 1) / cols;
                    std::vector<int> colW(size_t(cols), 0);
                    for (int k = 0; k < n; ++k)
                        colW[size_t(k / rows)] = std::max(colW[size_t(k / rows)], widths[size_t(k)]);
                    colX.assign(size_t(cols), 0);
                    int cx = 0;
                    for (int col = 0; col < cols; ++col) {
                        colX[size_t(col)] = cx;
                        cx += colW[size_t(col)] + kEntryGap;
                    }
                    bw = cx - kEntryGap + 2 * kLegendPad;
                    if (bw <= area.width() / 2)
                        break;
                }
                const int bh = rows * rowH + 2 * kLegendPad;
                const int x = align == laRight ? area.right() + 1 - bw : area.left();
                l.legend = QRect(x, area.top(), bw, bh);
                for (int k = 0; k < n; ++k) {
                    const int y = l.legend.top() + kLegendPad + (k % rows) * rowH;
                    const QRect sw = swatchAt(l.legend.left() + kLegendPad + colX[size_t(k / rows)], y);
                    l.legendEntries.push_back({entries[size_t(k)], sw,
                                               QRect(sw.right() + 1 + kGap, y, widths[size_t(k)] - kSwatchW - kGap, rowH),
                                               shortened[size_t(k)]});
                }
                if (align == laRight)
                    area.setRight(l.legend.left() - 1 - kGap);
                else
                    area.setLeft(l.legend.right() + 1 + kGap);
            } else {
                // Side by side, wrapping into further rows when the panel is too narrow.
                std::vector<std::vector<size_t>> rows(1);
                int rowW = 0, maxRowW = 0;
                const int avail = area.width() - 2 * kLegendPad;
                for (size_t k = 0; k < entries.size(); ++k) {
                    const int add = (rows.back().empty() ? 0 : kEntryGap) + widths[k];
                    if (!rows.back().empty() && rowW + add > avail) {
                        rows.emplace_back();
                        rowW = 0;
                    }
                    rowW += rows.back().empty() ? widths[k] : kEntryGap + widths[k];
                    rows.back().push_back(k);
                    maxRowW = std::max(maxRowW, rowW);
                }
                const int bw = maxRowW + 2 * kLegendPad;
                const int bh = int(rows.size()) * rowH + 2 * kLegendPad;
                const int x = panel.left() + (panel.width() - bw) / 2;
                const int y = align == laTop ? area.top() : area.bottom() + 1 - bh;
                l.legend = QRect(x, y, bw, bh);
                for (size_t r = 0; r < rows.size(); ++r) {
                    int cx = l.legend.left() + kLegendPad;
                    const int cy = l.legend.top() + kLegendPad + int(r) * rowH;
                    for (size_t k : rows[r]) {
                        const QRect sw = swatchAt(cx, cy);
                        l.legendEntries.push_back({entries[k], sw,
                                                   QRect(sw.right() + 1 + kGap, cy, widths[k] - kSwatchW - kGap, rowH),
                                                   shortened[k]});
                        cx += widths[k] + kEntryGap;
                    }
                }
                if (align == laTop)
                    area.setTop(l.legend.bottom() + 1 + kGap);
                else
                    area.setBottom(l.legend.top() - 1 - kGap);
            }
        }
    }

    // Axes: labels and titles beside the plot area.
    TChartAxis &binAxis = set.horizontal ? chart.LeftAxis : chart.BottomAxis;
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

    // The automatic range of an axis is computed here and stored back; a fixed axis keeps its values.
    auto resolve = [&](TChartAxis &axis, bool isBin, int length) {
        AxisMap m;
        m.length = std::max(1, length);
        double lo = 0, hi = 0;
        if (axis.Automatic.get()) {
            const bool found = isBin ? positionRange(chart, set, m.length, lo, hi) : countRange(chart, set, lo, hi);
            if (found)
                axis.StoreRange(lo, hi);
        }
        lo = axis.Minimum.get();
        hi = axis.Maximum.get();
        drawableRange(lo, hi);
        m.min = lo;
        m.max = hi;
        return m;
    };

    // Counts are whole numbers: their axis gets no fractional label step unless Increment asks for one.
    const bool wholeCounts = allCountsWhole(chart, set);
    AxisMap leftMap = resolve(chart.LeftAxis, &binAxis == &chart.LeftAxis, plotH);
    const LabelSet leftLabels =
        makeLabels(leftMap, chart.LeftAxis.Increment.get(), leftLf.fm, false, set.horizontal ? false : wholeCounts);
    int labelsLeft = area.left() + leftLabels.maxWidth + 2 + kTick;
    if (leftTitle)
        labelsLeft += leftTf.fm.height() + kGap;
    int plotLeft = labelsLeft;

    // The bottom labels' width feeds back into both margins (a label centred on an end of the axis must
    // not be cut at the panel's edge); two rounds settle it.
    AxisMap bottomMap;
    LabelSet bottomLabels;
    int plotRight = area.right() + 1 - kGap;
    for (int round = 0; round < 3; ++round) {
        bottomMap = resolve(chart.BottomAxis, &binAxis == &chart.BottomAxis, plotRight - plotLeft);
        bottomLabels = makeLabels(bottomMap, chart.BottomAxis.Increment.get(), bottomLf.fm, true,
                                  set.horizontal ? wholeCounts : false);
        if (round < 2) {
            plotRight = area.right() + 1 - std::max(kGap, bottomLabels.maxWidth / 2 + 1);
            plotLeft = std::max(labelsLeft, area.left() + bottomLabels.maxWidth / 2 + 1);
        }
    }
    // The last round ran at the final width, so the stored range fits the bars drawn.
    l.plot = QRect(plotLeft, plotTop, std::max(1, plotRight - plotLeft), plotH);

    l.bottomMin = bottomMap.min;
    l.bottomMax = bottomMap.max;
    l.leftMin = leftMap.min;
    l.leftMax = leftMap.max;
    const int x0 = l.plot.left();
    const int y1 = l.plot.top() + l.plot.height(); // exclusive bottom

    for (size_t k = 0; k < leftLabels.values.size(); ++k) {
        const int y = y1 - leftMap.px(leftLabels.values[k]);
        const int tw = leftLf.fm.horizontalAdvance(leftLabels.texts[k]);
        const int th = leftLf.fm.height();
        l.leftLabels.push_back({leftLabels.values[k], leftLabels.texts[k],
                                QRect(x0 - kTick - 2 - tw, y - th / 2, tw, th)});
    }
    for (size_t k = 0; k < bottomLabels.values.size(); ++k) {
        const int x = x0 + bottomMap.px(bottomLabels.values[k]);
        const int tw = bottomLf.fm.horizontalAdvance(bottomLabels.texts[k]);
        l.bottomLabels.push_back({bottomLabels.values[k], bottomLabels.texts[k],
                                  QRect(x - tw / 2, y1 + bottomLabelGap, tw, bottomLf.fm.height())});
    }
    if (bottomTitle) {
        const int tw = bottomTf.fm.horizontalAdvance(chart.BottomAxis.Title.Caption.get());
        l.bottomTitle = QRect(x0 + (l.plot.width() - tw) / 2, y1 + bottomLabelGap + bottomLf.fm.height() + kGap, tw,
                              bottomTf.fm.height());
    }
    if (leftTitle) {
        // Stands rotated a quarter turn: its box is tall and as wide as one line.
        const int tw = leftTf.fm.horizontalAdvance(chart.LeftAxis.Title.Caption.get());
        l.leftTitle = QRect(area.left(), l.plot.top() + (l.plot.height() - tw) / 2, leftTf.fm.height(), tw);
    }

    // Bars: pixel edges along the position axis are computed once per point and shared by neighbours.
    const AxisMap &posMap = set.horizontal ? leftMap : bottomMap;
    const AxisMap &cntMap = set.horizontal ? bottomMap : leftMap;
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
            edge[size_t(i)] = posMap.px(positionOf(s, s->Value(i)));
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
            l.bars.push_back({idx, i, r, pc == AutoColor ? seriesColor(s) : ChartColor(pc)});
        }
    }
    return l;
}

void RenderChart(TChart &chart, QPainter &painter, const QSize &size)
{
    const ChartLayout l = LayoutChart(chart, size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QColor panelColor = ChartColor(chart.Color.get());

    // 1. Panel, giving up the shadow strip on the right and at the bottom.
    if (chart.Shadow.Visible.get()) {
        painter.fillRect(QRect(QPoint(0, 0), size), QGuiApplication::palette().color(QPalette::Window));
        QColor shadow = ChartColor(chart.Shadow.Color.get());
        shadow.setAlphaF(std::clamp(1.0 - chart.Shadow.Transparency.get() / 100.0, 0.0, 1.0));
        painter.fillRect(l.panel.translated(chart.Shadow.HorizSize.get(), chart.Shadow.VertSize.get()), shadow);
    }
    painter.fillRect(l.panel, panelColor);

    // 2. and 3. Back wall colour, then the picture stretched over it.
    if (!chart.BackWall.Transparent.get())
        painter.fillRect(l.plot, ChartColor(chart.BackWall.Color.get()));
    if (chart.BackWall.Picture.Assigned() && !chart.BackWall.Picture.Image().isNull())
        painter.drawImage(l.plot, chart.BackWall.Picture.Image());

    const int x0 = l.plot.left();
    const int x1 = l.plot.left() + l.plot.width();
    const int y0 = l.plot.top();
    const int y1 = l.plot.top() + l.plot.height();

    // 4. Grid at the labels, then the axes with their ticks, labels and titles.
    QPen gridPen(QColor(160, 160, 160), 0, Qt::DotLine);
    painter.setPen(gridPen);
    for (const auto &lab : l.leftLabels) {
        const int yy = lab.rect.top() + lab.rect.height() / 2;
        if (yy > y0 && yy < y1)
            painter.drawLine(x0, yy, x1 - 1, yy);
    }
    for (const auto &lab : l.bottomLabels) {
        const int xx = lab.rect.left() + lab.rect.width() / 2;
        if (xx > x0 && xx < x1)
            painter.drawLine(xx, y0, xx, y1 - 1);
    }

    painter.setPen(QPen(Qt::black, 0));
    painter.drawLine(x0 - 1, y0, x0 - 1, y1);
    painter.drawLine(x0 - 1, y1, x1 - 1, y1);

    const QColor leftLabelColor = ChartColor(chart.LeftAxis.LabelsFont.Color.get());
    const QColor bottomLabelColor = ChartColor(chart.BottomAxis.LabelsFont.Color.get());
    painter.setFont(ChartFont(chart.LeftAxis.LabelsFont));
    for (const auto &lab : l.leftLabels) {
        const int yy = lab.rect.top() + lab.rect.height() / 2;
        painter.setPen(QPen(Qt::black, 0));
        painter.drawLine(x0 - 1 - kTick, yy, x0 - 2, yy);
        painter.setPen(leftLabelColor);
        painter.drawText(lab.rect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                         lab.text);
    }
    painter.setFont(ChartFont(chart.BottomAxis.LabelsFont));
    for (const auto &lab : l.bottomLabels) {
        const int xx = lab.rect.left() + lab.rect.width() / 2;
        painter.setPen(QPen(Qt::black, 0));
        painter.drawLine(xx, y1 + 1, xx, y1 + kTick);
        painter.setPen(bottomLabelColor);
        painter.drawText(lab.rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, lab.text);
    }
    if (!l.bottomTitle.isNull()) {
        painter.setFont(ChartFont(chart.BottomAxis.Title.Font));
        painter.setPen(ChartColor(chart.BottomAxis.Title.Font.Color.get()));
        painter.drawText(l.bottomTitle, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip,
                         chart.BottomAxis.Title.Caption.get());
    }
    if (!l.leftTitle.isNull()) {
        painter.save();
        painter.setFont(ChartFont(chart.LeftAxis.Title.Font));
        painter.setPen(ChartColor(chart.LeftAxis.Title.Font.Color.get()));
        const QPointF c = QRectF(l.leftTitle).center();
        painter.translate(c);
        painter.rotate(-90);
        const QRectF r(-l.leftTitle.height() / 2.0, -l.leftTitle.width() / 2.0, l.leftTitle.height(),
                       l.leftTitle.width());
        painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip,
                         chart.LeftAxis.Title.Caption.get());
        painter.restore();
    }

    // Bars, clipped to the plot area; a darker inner outline where there is room for one.
    painter.save();
    painter.setClipRect(l.plot);
    for (const auto &bar : l.bars) {
        painter.fillRect(bar.rect, bar.color);
        if (bar.rect.width() >= 4 && bar.rect.height() >= 4) {
            painter.setPen(QPen(bar.color.darker(160), 0));
            painter.drawRect(bar.rect.adjusted(0, 0, -1, -1));
        }
    }
    painter.restore();

    // Title blocks.
    auto drawBlock = [&](const TChartTitle &t, const QRect &block) {
        if (block.isNull())
            return;
        const QFont f = ChartFont(t.Font);
        const QFontMetrics fm(f);
        painter.setFont(f);
        painter.setPen(ChartColor(t.Font.Color.get()));
        Qt::Alignment ha = Qt::AlignLeft;
        if (t.TextAlignment.get() == taCenter)
            ha = Qt::AlignHCenter;
        else if (t.TextAlignment.get() == taRightJustify)
            ha = Qt::AlignRight;
        for (int i = 0; i < t.Text.Count(); ++i) {
            const QRect line(block.left(), block.top() + i * fm.height(), block.width(), fm.height());
            painter.drawText(line, ha | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, t.Text[i]);
        }
    };
    drawBlock(chart.Title, l.titleBlock);
    drawBlock(chart.SubTitle, l.subTitleBlock);

    // Legend.
    if (!l.legendEntries.isEmpty()) {
        painter.fillRect(l.legend, Qt::white);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(l.legend.adjusted(0, 0, -1, -1));
        painter.setFont(ChartFont(chart.Legend.Font));
        const QFontMetrics legendFm(painter.font());
        const QColor textColor = ChartColor(chart.Legend.Font.Color.get());
        for (const auto &e : l.legendEntries) {
            // Entries beyond the panel are not seen; skipping them keeps a huge legend quick to paint.
            if (!e.swatch.united(e.text).intersects(l.panel))
                continue;
            const TChartSeries *s = chart.SeriesList.Items()[size_t(e.series)];
            const QColor c = seriesColor(s);
            painter.fillRect(e.swatch, c);
            painter.setPen(QPen(c.darker(160), 0));
            painter.drawRect(e.swatch.adjusted(0, 0, -1, -1));
            painter.setPen(textColor);
            // Only a title the layout found too long is shortened: the painter's metrics may differ from the
            // layout's by a pixel (hinting on another device), which must not cut a short title.
            painter.drawText(e.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                             e.shortened ? legendFm.elidedText(s->Title.get(), Qt::ElideRight, e.text.width())
                                         : s->Title.get());
        }
    }

    if (chart.Border.Visible.get()) {
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(l.panel.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

} // namespace tf
