#pragma once
// Shared helpers of the chart tests: building series and rendering a chart offscreen.
#include "chart/ChartModel.h"
#include "chart/ChartRenderer.h"
#include "tests/support/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <initializer_list>
#include <utility>

namespace charttest {

struct Rendered {
    tf::ChartLayout layout;
    QImage image;
};

inline Rendered render(TChart &chart, QSize size = QSize(621, 512))
{
    tf::RegisterChartFontSubstitutions();
    Rendered r;
    r.image = QImage(size, QImage::Format_RGB32);
    r.image.fill(Qt::magenta);
    QPainter p(&r.image);
    tf::RenderChart(chart, p, size);
    p.end();
    r.layout = tf::LayoutChart(chart, size);
    return r;
}

// Adds a vertical bar series set up as the histogram build sets it, with (x, y) points.
template <class S = TBarSeries>
S *addBars(TChart &chart, std::initializer_list<std::pair<double, double>> points, const QString &title = QString())
{
    S *s = chart.CreateSeries<S>();
    s->OffsetPercent = s->IsHorizontal() ? -50 : 50;
    s->BarWidthPercent = 100;
    s->MultiBar = mbStacked;
    s->Marks.Visible = false;
    chart.AddSeries(s);
    s->Title = title;
    for (const auto &[x, y] : points)
        s->AddXY(x, y, QString(), AutoColor);
    return s;
}

// The bars of one series in point order.
inline QVector<tf::ChartLayout::Bar> barsOf(const tf::ChartLayout &l, int series)
{
    QVector<tf::ChartLayout::Bar> out;
    for (const auto &b : l.bars)
        if (b.series == series)
            out.push_back(b);
    return out;
}

inline QColor pixel(const QImage &img, QPoint p)
{
    return img.pixelColor(p);
}

} // namespace charttest
