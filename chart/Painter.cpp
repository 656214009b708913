// Paints a computed chart layout, back to front: panel and shadow, back wall and its picture, grid and axes,
// bars, text blocks, legend and border.
#include "chart/ChartRenderer.h"
#include "chart/ChartStyle.h"
#include "chart/Histogram.h"
#include "chart/LayoutSteps.h"
#include "chart/VisibleText.h"

#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>

namespace tf {

namespace {

using layout::kTick;

// 1. to 3. Panel, giving up the shadow strip on the right and at the bottom; back wall colour, then the
// picture stretched over it.
void paintPanel(const TChart &chart, const ChartLayout &l, QPainter &painter)
{
    const QColor panelColor = ChartColor(chart.Color.get());
    if (chart.Shadow.Visible.get()) {
        painter.fillRect(QRect(QPoint(0, 0), l.size), QGuiApplication::palette().color(QPalette::Window));
        QColor shadow = ChartColor(chart.Shadow.Color.get());
        shadow.setAlphaF(std::clamp(1.0 - chart.Shadow.Transparency.get() / 100.0, 0.0, 1.0));
        painter.fillRect(l.panel.translated(chart.Shadow.HorizSize.get(), chart.Shadow.VertSize.get()), shadow);
    }
    painter.fillRect(l.panel, panelColor);

    if (!chart.BackWall.Transparent.get())
        painter.fillRect(l.plot, ChartColor(chart.BackWall.Color.get()));
    if (chart.BackWall.Picture.Assigned() && !chart.BackWall.Picture.Image().isNull())
        painter.drawImage(l.plot, chart.BackWall.Picture.Image());
}

// Draws a text in its box; the painter's clip is set to clip (both in the painter's present coordinates).
// Qt's SVG generator writes no clip: there a text that reaches past its clip becomes its outline, cut at
// the clip where the screen cuts it. Every other device clips the text itself.
void drawClippedText(QPainter &painter, const QRectF &box, int flags, const QString &text, const QRectF &clip)
{
    const QPaintEngine *engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::SVG) {
        painter.drawText(box, flags, text);
        return;
    }
    const QRectF drawn = painter.boundingRect(box, flags, text);
    if (clip.contains(drawn)) {
        painter.drawText(box, flags, text);
        return;
    }
    QPainterPath outline;
    outline.addText(QPointF(drawn.left(), drawn.top() + QFontMetricsF(painter.font()).ascent()), painter.font(), text);
    QPainterPath cut;
    cut.addRect(clip);
    painter.fillPath(outline.intersected(cut), painter.pen().color());
}

// 4. Grid at the labels, then the axes with their ticks, labels and titles.
void paintAxes(const TChart &chart, const ChartLayout &l, QPainter &painter)
{
    const int x0 = l.plot.left();
    const int x1 = l.plot.left() + l.plot.width();
    const int y0 = l.plot.top();
    const int y1 = l.plot.top() + l.plot.height();

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
    // An axis title is cut at the axes' room only when it reaches past it, and then keeps its start.
    const auto titleFlags = [](bool cut) {
        return (cut ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter) | Qt::TextSingleLine | Qt::TextDontClip;
    };
    if (!l.bottomTitle.isNull()) {
        const bool cut = !l.axisTitleClip.contains(l.bottomTitle);
        if (cut) {
            painter.save();
            painter.setClipRect(l.axisTitleClip);
        }
        painter.setFont(ChartFont(chart.BottomAxis.Title.Font));
        painter.setPen(ChartColor(chart.BottomAxis.Title.Font.Color.get()));
        drawClippedText(painter, l.bottomTitle, titleFlags(cut), l.bottomTitleText, l.axisTitleClip);
        if (cut)
            painter.restore();
    }
    if (!l.leftTitle.isNull()) {
        painter.save();
        const bool cut = !l.axisTitleClip.contains(l.leftTitle);
        if (cut)
            painter.setClipRect(l.axisTitleClip);
        painter.setFont(ChartFont(chart.LeftAxis.Title.Font));
        painter.setPen(ChartColor(chart.LeftAxis.Title.Font.Color.get()));
        const QPointF c = QRectF(l.leftTitle).center();
        painter.translate(c);
        painter.rotate(-90);
        QTransform turned; // the same turn, to give the clip in the turned coordinates
        turned.translate(c.x(), c.y());
        turned.rotate(-90);
        const QRectF r(-l.leftTitle.height() / 2.0, -l.leftTitle.width() / 2.0, l.leftTitle.height(),
                       l.leftTitle.width());
        drawClippedText(painter, r, titleFlags(cut), l.leftTitleText, turned.inverted().mapRect(QRectF(l.axisTitleClip)));
        painter.restore();
    }
}

// Bars, clipped to the plot area; a darker inner outline where there is room for one.
void paintBars(const ChartLayout &l, QPainter &painter)
{
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
}

// Normal curves, then the tolerance lines with their labels, over the bars and inside the plot. The
// lines are thin so that every target draws them dashed or dotted, a metafile too.
void paintCapability(const TChart &chart, const ChartLayout &l, QPainter &painter)
{
    if (l.curves.isEmpty() && l.toleranceLines.isEmpty())
        return;
    painter.save();
    painter.setClipRect(l.plot);
    painter.setBrush(Qt::NoBrush);
    if (painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::Antialiasing))
        painter.setRenderHint(QPainter::Antialiasing, true);
    for (const auto &curve : l.curves) {
        painter.setPen(QPen(curve.color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(curve.points);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    static const QColor limitColor(210, 0, 0), targetColor(0, 140, 0);
    painter.setFont(ChartFont(BinAxis(chart, l.horizontal).LabelsFont));
    for (const auto &mark : l.toleranceLines) {
        const bool target = mark.kind == ChartLayout::ToleranceLine::Target;
        const QColor color = target ? targetColor : limitColor;
        painter.setPen(QPen(color, 0, target ? Qt::DotLine : Qt::DashLine));
        painter.drawLine(mark.line);
        // The label stays readable where it falls on a bar.
        painter.fillRect(mark.label.adjusted(-1, 0, 1, 0), Qt::white);
        painter.setPen(color);
        painter.drawText(mark.label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, mark.text);
    }
    painter.restore();
}

// The lines of a text block, cut at the panel's margins so that no text reaches the border or the shadow.
void paintTextBlock(const TChartTitle &t, const QVector<ChartLayout::TextLine> &lines, const QRect &clip,
                    QPainter &painter)
{
    if (lines.isEmpty())
        return;
    painter.save();
    painter.setClipRect(clip);
    painter.setFont(ChartFont(t.Font));
    painter.setPen(ChartColor(t.Font.Color.get()));
    for (const auto &line : lines)
        drawClippedText(painter, line.rect, line.alignment | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                        line.text, clip);
    painter.restore();
}

void paintLegend(const TChart &chart, const ChartLayout &l, QPainter &painter)
{
    if (l.legendEntries.isEmpty())
        return;
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
        if (e.series < 0) {
            painter.setPen(textColor);
            painter.drawText(e.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                             LegendOthersText(e.others));
            continue;
        }
        const TChartSeries *s = chart.SeriesList.Items()[size_t(e.series)];
        const QColor c = layout::SeriesDrawColor(s);
        painter.fillRect(e.swatch, c);
        painter.setPen(QPen(c.darker(160), 0));
        painter.drawRect(e.swatch.adjusted(0, 0, -1, -1));
        painter.setPen(textColor);
        // Only a title the layout found too long is shortened: the painter's metrics may differ from the
        // layout's by a pixel (hinting on another device), which must not cut a short title.
        painter.drawText(e.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                         e.shortened ? legendFm.elidedText(ShowablePart(s->Title.get(), e.text.width()),
                                                           Qt::ElideRight, e.text.width())
                                     : s->Title.get());
    }
}

} // namespace

void PaintChart(const TChart &chart, const ChartLayout &l, QPainter &painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    paintPanel(chart, l, painter);
    paintAxes(chart, l, painter);
    paintBars(l, painter);
    paintCapability(chart, l, painter);
    paintTextBlock(chart.Title, l.titleLines, l.textClip, painter);
    paintTextBlock(chart.SubTitle, l.subTitleLines, l.textClip, painter);
    paintTextBlock(chart.SubTitle, l.capabilityLines, l.textClip, painter);
    paintLegend(chart, l, painter);
    if (chart.Border.Visible.get()) {
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(l.panel.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

ChartLayout RenderChart(const TChart &chart, QPainter &painter, const QSize &size, const NumberFormat &fmt)
{
    ChartLayout l = LayoutChart(chart, size, fmt);
    PaintChart(chart, l, painter);
    return l;
}

} // namespace tf
