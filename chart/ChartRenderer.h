#pragma once
// Draws a TChart with QPainter. One entry point serves the window, the bitmap, the metafile and every other
// export, so all of them show the same picture; none needs a widget.
#include "chart/ChartLayout.h"
#include "chart/ChartStyle.h"

#include <QSize>

class QPainter;

namespace tf {

// Draws a computed layout of the chart into the painter (the layout's size at the painter's origin).
void PaintChart(const TChart &chart, const ChartLayout &layout, QPainter &painter);

// Lays out and draws the whole chart into the rectangle (0, 0, size) of the painter; returns the layout
// drawn, whose automatic ranges StoreAutomaticRanges can write back. The chart is not changed.
ChartLayout RenderChart(const TChart &chart, QPainter &painter, const QSize &size,
                        const NumberFormat &fmt = NumberFormat::system());

} // namespace tf
