#include "chart/ChartRenderer.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace tf {

void RegisterChartFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Noto Sans CJK JP"));
}

QFont ChartFont(const TTeeFont &font)
{
    QFont f(font.Name.get());
    f.setPixelSize(qMax(1, qRound(font.Size.get() * 96.0 / 72.0)));
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

ChartLayout LayoutChart(TChart &, const QSize &size)
{
    ChartLayout l;
    l.panel = QRect(QPoint(0, 0), size);
    l.plot = l.panel.adjusted(40, 40, -40, -40);
    return l;
}

void RenderChart(TChart &chart, QPainter &painter, const QSize &size)
{
    const ChartLayout l = LayoutChart(chart, size);
    painter.fillRect(l.panel, ChartColor(chart.Color));
}

} // namespace tf

namespace tf {
QString AxisLabelText(double value, double)
{
    return QString::number(value);
}
} // namespace tf
