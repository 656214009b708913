// Layout step: the title and the statistics block at the top of the panel.
#include "chart/ChartStyle.h"
#include "chart/LayoutSteps.h"

#include <algorithm>

namespace tf::layout {

namespace {

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

} // namespace

int PlaceTextBlocks(const TChart &chart, const QRect &panel, const QRect &inner, ChartLayout &l)
{
    int top = inner.top();
    if (hasText(chart.Title)) {
        l.titleBlock = textBlock(chart.Title, panel, inner, top);
        top = l.titleBlock.bottom() + 1 + kGap;
    }
    if (hasText(chart.SubTitle)) {
        l.subTitleBlock = textBlock(chart.SubTitle, panel, inner, top);
        top = l.subTitleBlock.bottom() + 1 + kGap;
    }
    return top;
}

} // namespace tf::layout
