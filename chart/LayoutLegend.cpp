// Layout step: the legend, one entry per visible series, taking its room from the plot area.
#include "chart/ChartStyle.h"
#include "chart/LayoutSteps.h"
#include "chart/VisibleText.h"

#include <algorithm>

namespace tf::layout {

namespace {

// What the entries need: their series, their widths (swatch, gap and title) and which titles are cut. When
// not every series has room, the last entry stands for the rest (series -1, `others` of them).
struct Entries {
    std::vector<int> series;
    std::vector<int> widths;
    std::vector<bool> shortened;
    int rowH = 0;
    int others = 0;
    const QFontMetrics *fm = nullptr;

    // The first `kept` entries and a closing one for the series after them.
    Entries keeping(size_t kept) const
    {
        Entries e = *this;
        e.series.resize(kept);
        e.widths.resize(kept);
        e.shortened.resize(kept);
        e.others = int(series.size() - kept);
        e.series.push_back(-1);
        // Two pixels of slack, as for the titles.
        e.widths.push_back(fm->horizontalAdvance(LegendOthersText(e.others)) + 2);
        e.shortened.push_back(false);
        return e;
    }
};

Entries measureEntries(const TChart &chart, const TextPart &lf, const QRect &area)
{
    Entries e;
    e.rowH = lf.fm.height() + 2;
    e.fm = &lf.fm;
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
    if (e.series[k] < 0) {
        l.legendEntries.push_back({-1, QRect(), QRect(x, y, e.widths[k], e.rowH), false, e.others});
        return;
    }
    const QRect sw = swatchAt(x, y, e.rowH);
    l.legendEntries.push_back(
        {e.series[k], sw, QRect(sw.right() + 1 + kGap, y, e.widths[k] - kSwatchW - kGap, e.rowH), e.shortened[k]});
}

// The x of each column (relative to the first) and the legend's width, for entries in columns of `rows`.
int columnsWidth(const Entries &e, int rows, std::vector<int> &colX)
{
    const int n = int(e.series.size());
    const int cols = (n + rows - 1) / rows;
    std::vector<int> colW(size_t(cols), 0);
    for (int k = 0; k < n; ++k)
        colW[size_t(k / rows)] = std::max(colW[size_t(k / rows)], e.widths[size_t(k)]);
    colX.assign(size_t(cols), 0);
    int cx = 0;
    for (int col = 0; col < cols; ++col) {
        colX[size_t(col)] = cx;
        cx += colW[size_t(col)] + kEntryGap;
    }
    return cx - kEntryGap + 2 * kLegendPad;
}

// Columns beside the plot, as many as the panel's height asks for, as long as the legend leaves the plot
// half the width. When that is not enough room for every series, the last entry stands for the rest.
QRect placeColumns(const Entries &all, TLegendAlignment align, QRect area, ChartLayout &l)
{
    const int n = int(all.series.size());
    const int fit = (area.height() - 2 * kLegendPad) / all.rowH;
    if (fit < 1)
        return area; // not one row has room: no legend rather than one past the panel
    const int needed = (n + fit - 1) / fit;
    // More columns than this cannot fit in half the width even with nothing in them, so a first line of
    // thousands of cells does not try thousands of column counts.
    const int widest = std::max(1, (area.width() / 2 - 2 * kLegendPad) / kEntryGap + 1);
    Entries e = all;
    int rows = (n + needed - 1) / needed;
    std::vector<int> colX;
    int bw = needed <= widest ? columnsWidth(e, rows, colX) : area.width();
    for (int cols = std::min(needed - 1, widest); bw > area.width() / 2 && cols >= 1; --cols) {
        e = all.keeping(size_t(cols * fit - 1));
        rows = fit;
        bw = columnsWidth(e, rows, colX);
    }
    // Not one column laid out (a panel of no width), or one column wider than all the room: no legend
    // rather than one past the panel.
    if (colX.empty() || bw > area.width())
        return area;
    const int bh = std::min(rows, int(e.series.size())) * e.rowH + 2 * kLegendPad;
    const int x = align == laRight ? area.right() + 1 - bw : area.left();
    l.legend = QRect(x, area.top(), bw, bh);
    for (int k = 0; k < int(e.series.size()); ++k)
        addEntry(l, e, size_t(k), l.legend.left() + kLegendPad + colX[size_t(k / rows)],
                 l.legend.top() + kLegendPad + (k % rows) * e.rowH);
    if (align == laRight)
        area.setRight(l.legend.left() - 1 - kGap);
    else
        area.setLeft(l.legend.right() + 1 + kGap);
    return area;
}

// Side by side above or below the plot, wrapping into further rows when the panel is too narrow, in at most
// half the height; when that is not enough room for every series, the last entry stands for the rest.
QRect placeRows(const Entries &all, TLegendAlignment align, const QRect &panel, QRect area, ChartLayout &l)
{
    if ((area.height() - 2 * kLegendPad) / all.rowH < 1)
        return area; // not one row has room
    const int maxRows = std::max(1, (area.height() / 2 - 2 * kLegendPad) / all.rowH);
    const int avail = area.width() - 2 * kLegendPad;
    const auto wrap = [avail](const Entries &e) {
        std::vector<std::vector<size_t>> rows(1);
        int rowW = 0;
        for (size_t k = 0; k < e.series.size(); ++k) {
            const int add = (rows.back().empty() ? 0 : kEntryGap) + e.widths[k];
            if (!rows.back().empty() && rowW + add > avail) {
                rows.emplace_back();
                rowW = 0;
            }
            rowW += rows.back().empty() ? e.widths[k] : kEntryGap + e.widths[k];
            rows.back().push_back(k);
        }
        return rows;
    };
    Entries e = all;
    std::vector<std::vector<size_t>> rows = wrap(e);
    if (int(rows.size()) > maxRows) {
        // Entries leave the last row until the closing one fits in it.
        size_t kept = 0;
        for (int r = 0; r < maxRows; ++r)
            kept += rows[size_t(r)].size();
        for (;;) {
            e = all.keeping(kept);
            rows = wrap(e);
            if (int(rows.size()) <= maxRows || kept == 0)
                break;
            --kept;
        }
    }
    int maxRowW = 0;
    for (const auto &row : rows) {
        int rowW = -kEntryGap;
        for (size_t k : row)
            rowW += kEntryGap + e.widths[k];
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

namespace tf {

QString LegendOthersText(int others)
{
    return QStringLiteral("…他 %1 系列").arg(others);
}

} // namespace tf
