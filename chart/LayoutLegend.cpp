// Layout step: the legend, one entry per visible series, taking its room from the plot area.
#include "chart/ChartStyle.h"
#include "chart/LayoutSteps.h"
#include "chart/VisibleText.h"

#include <algorithm>

namespace tf::layout {

namespace {

// What the entries need: their series, their widths (swatch, gap and title) and which titles are cut.
struct Entries {
    std::vector<int> series;
    std::vector<int> widths;
    std::vector<bool> shortened;
    int rowH = 0;
};

Entries measureEntries(const TChart &chart, const TextPart &lf, const QRect &area)
{
    Entries e;
    e.rowH = lf.fm.height() + 2;
    const auto &items = chart.SeriesList.Items();
    for (int i = 0; i < int(items.size()); ++i)
        if (items[size_t(i)]->Active.get())
            e.series.push_back(i);
    // A title too long for half the panel is shortened with an ellipsis when drawn.
    const int maxText =
        std::max(lf.fm.averageCharWidth() * 4, area.width() / 2 - 2 * kLegendPad - kSwatchW - kGap);
    for (int i : e.series) {
        // Only what can show of a title is measured: a title of a megabyte costs no more than a short one.
        const ShownWidth shown = MeasureShowable(items[size_t(i)]->Title.get(), lf.fm, maxText);
        // Two pixels of slack: another device's hinting may draw the text a pixel wider.
        e.widths.push_back(kSwatchW + kGap + std::min(maxText, shown.width) + 2);
        e.shortened.push_back(shown.wider);
    }
    return e;
}

QRect swatchAt(int x, int y, int rowH)
{
    return QRect(x, y + (rowH - 10) / 2, kSwatchW, 10);
}

void addEntry(ChartLayout &l, const Entries &e, size_t k, int x, int y)
{
    const QRect sw = swatchAt(x, y, e.rowH);
    l.legendEntries.push_back(
        {e.series[k], sw, QRect(sw.right() + 1 + kGap, y, e.widths[k] - kSwatchW - kGap, e.rowH), e.shortened[k]});
}

// One column beside the plot; when it would run past the panel's bottom, further columns beside it, so that
// every series keeps its entry, as long as the legend leaves the plot half the width.
QRect placeColumns(const Entries &e, TLegendAlignment align, QRect area, ChartLayout &l)
{
    const int n = int(e.series.size());
    const int fit = std::max(1, (area.height() - 2 * kLegendPad) / e.rowH);
    int rows = n, bw = 0;
    std::vector<int> colX;
    // More columns than this cannot fit in half the width even with nothing in them, so a first line of
    // thousands of cells does not try thousands of column counts.
    const int widest = std::max(1, (area.width() / 2 - 2 * kLegendPad) / kEntryGap + 1);
    for (int cols = std::min((n + fit - 1) / fit, widest); cols >= 1; --cols) {
        rows = (n + cols - 1) / cols;
        std::vector<int> colW(size_t(cols), 0);
        for (int k = 0; k < n; ++k)
            colW[size_t(k / rows)] = std::max(colW[size_t(k / rows)], e.widths[size_t(k)]);
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
    const int bh = rows * e.rowH + 2 * kLegendPad;
    const int x = align == laRight ? area.right() + 1 - bw : area.left();
    l.legend = QRect(x, area.top(), bw, bh);
    for (int k = 0; k < n; ++k)
        addEntry(l, e, size_t(k), l.legend.left() + kLegendPad + colX[size_t(k / rows)],
                 l.legend.top() + kLegendPad + (k % rows) * e.rowH);
    if (align == laRight)
        area.setRight(l.legend.left() - 1 - kGap);
    else
        area.setLeft(l.legend.right() + 1 + kGap);
    return area;
}

// Side by side above or below the plot, wrapping into further rows when the panel is too narrow.
QRect placeRows(const Entries &e, TLegendAlignment align, const QRect &panel, QRect area, ChartLayout &l)
{
    std::vector<std::vector<size_t>> rows(1);
    int rowW = 0, maxRowW = 0;
    const int avail = area.width() - 2 * kLegendPad;
    for (size_t k = 0; k < e.series.size(); ++k) {
        const int add = (rows.back().empty() ? 0 : kEntryGap) + e.widths[k];
        if (!rows.back().empty() && rowW + add > avail) {
            rows.emplace_back();
            rowW = 0;
        }
        rowW += rows.back().empty() ? e.widths[k] : kEntryGap + e.widths[k];
        rows.back().push_back(k);
        maxRowW = std::max(maxRowW, rowW);
    }
    const int bw = maxRowW + 2 * kLegendPad;
    const int bh = int(rows.size()) * e.rowH + 2 * kLegendPad;
    const int x = panel.left() + (panel.width() - bw) / 2;
    const int y = align == laTop ? area.top() : area.bottom() + 1 - bh;
    l.legend = QRect(x, y, bw, bh);
    for (size_t r = 0; r < rows.size(); ++r) {
        int cx = l.legend.left() + kLegendPad;
        const int cy = l.legend.top() + kLegendPad + int(r) * e.rowH;
        for (size_t k : rows[r]) {
            addEntry(l, e, k, cx, cy);
            cx += e.widths[k] + kEntryGap;
        }
    }
    if (align == laTop)
        area.setTop(l.legend.bottom() + 1 + kGap);
    else
        area.setBottom(l.legend.top() - 1 - kGap);
    return area;
}

} // namespace

QRect PlaceLegend(const TChart &chart, const QRect &panel, QRect area, ChartLayout &l)
{
    if (!chart.Legend.Visible.get())
        return area;
    const TextPart lf(ChartFont(chart.Legend.Font));
    const Entries e = measureEntries(chart, lf, area);
    if (e.series.empty())
        return area;
    const TLegendAlignment align = chart.Legend.Alignment.get();
    if (align == laLeft || align == laRight)
        return placeColumns(e, align, area, l);
    return placeRows(e, align, panel, area, l);
}

} // namespace tf::layout
