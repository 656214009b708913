#pragma once
// Shared helpers of the chart tests: building series and rendering a chart offscreen.
#include "chart/ChartModel.h"
#include "chart/ChartRenderer.h"
#include "chart/Histogram.h"
#include "tests/support/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <initializer_list>
#include <type_traits>
#include <utility>

namespace charttest {

using namespace tf;

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
    // As the window paints: one layout, drawn, and its automatic ranges stored back.
    r.layout = tf::RenderChart(chart, p, size);
    p.end();
    tf::StoreAutomaticRanges(chart, r.layout);
    return r;
}

// Adds a vertical bar series set up as the histogram build sets it, with (x, y) points.
template <class S = TBarSeries>
S *addBars(TChart &chart, std::initializer_list<std::pair<double, double>> points, const QString &title = QString())
{
    S *s = static_cast<S *>(tf::AddHistogramSeries(chart, std::is_same_v<S, THorizBarSeries>));
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
