// Layout step: the title and the statistics block at the top of the panel. A block never reaches past the
// panel's margins: a line wider than that starts at the left margin and is cut at the right, and only the
// part of a line that can show is measured, so a title of any length lays out at once.
#include "chart/ChartStyle.h"
#include "chart/LayoutSteps.h"
#include "chart/VisibleText.h"

#include <algorithm>

namespace tf::layout {

namespace {

bool hasText(const TChartTitle &t)
{
    if (!t.Visible.get())
        return false;
    return std::any_of(t.Text.Lines().begin(), t.Text.Lines().end(), [](const QString &l) { return !l.isEmpty(); });
}

Qt::Alignment lineAlignment(TAlignment a)
{
    if (a == taCenter)
        return Qt::AlignHCenter;
    if (a == taRightJustify)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

// A block of lines in one font, placed across the panel by alignment and aligned inside by textAlignment.
QRect textBlock(const TTeeFont &font, const QStringList &text, TAlignment alignment, TAlignment textAlignment,
                const QRect &panel, const QRect &inner, int top, QVector<ChartLayout::TextLine> &lines)
{
    const TextPart tp(ChartFont(font));
    const int lineH = std::max(1, tp.fm.height());
    const int count = int(text.size());
    // Lines that start below the panel cannot show: they are neither measured nor kept.
    const int room = inner.bottom() + 1 - top;
    const int shown = std::clamp(room > 0 ? (room + lineH - 1) / lineH : 0, 0, count);
    std::vector<int> widths;
    int w = 0;
    for (int i = 0; i < shown; ++i) {
        lines.push_back({QRect(), ShowablePart(text[i], inner.width()), Qt::Alignment()});
        widths.push_back(MeasureShowable(text[i], tp.fm, inner.width()).width);
        w = std::max(w, widths.back());
    }
    w = std::min(w, std::max(0, inner.width()));
    int x = inner.left();
    if (alignment == taCenter)
        x = panel.left() + (panel.width() - w) / 2;
    else if (alignment == taRightJustify)
        x = inner.left() + inner.width() - w;
    x = std::max(x, inner.left());
    const Qt::Alignment aligned = lineAlignment(textAlignment);
    for (int i = 0; i < shown; ++i) {
        auto &line = lines[lines.size() - shown + i];
        line.rect = QRect(x, top + i * lineH, w, lineH);
        // A line wider than the block keeps its start: it is cut at the right.
        line.alignment = widths[size_t(i)] > w ? Qt::AlignLeft : aligned;
    }
    return QRect(x, top, w, count * lineH);
}

QRect textBlock(const TChartTitle &t, const QRect &panel, const QRect &inner, int top,
                QVector<ChartLayout::TextLine> &lines)
{
    return textBlock(t.Font, t.Text.Lines(), t.Alignment.get(), t.TextAlignment.get(), panel, inner, top, lines);
}

} // namespace

int PlaceTextBlocks(const TChart &chart, const QRect &panel, const QRect &inner, ChartLayout &l)
{
    l.textClip = inner;
    int top = inner.top();
    if (hasText(chart.Title)) {
        l.titleBlock = textBlock(chart.Title, panel, inner, top, l.titleLines);
        top = l.titleBlock.bottom() + 1 + kGap;
    }
    if (hasText(chart.SubTitle)) {
        l.subTitleBlock = textBlock(chart.SubTitle, panel, inner, top, l.subTitleLines);
        top = l.subTitleBlock.bottom() + 1 + kGap;
    }
    return top;
}

int PlaceCapabilityBlock(const TChart &chart, const QRect &panel, const QRect &inner, int top, ChartLayout &l)
{
    const QStringList &text = chart.Capability.Lines.Lines();
    if (text.isEmpty())
        return top;
    const TChartTitle &statistics = chart.SubTitle;
    l.capabilityBlock = textBlock(statistics.Font, text, statistics.Alignment.get(), statistics.TextAlignment.get(),
                                  panel, inner, top, l.capabilityLines);
    return l.capabilityBlock.bottom() + 1 + kGap;
}

} // namespace tf::layout
