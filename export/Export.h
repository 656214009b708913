#pragma once
// Image exports of a chart: each renders the chart anew at the given size with the same renderer as the
// screen, into a metafile, a bitmap, SVG, PDF or PNG. Like a paint, a render stores the automatic axis
// ranges back into the chart. Sizes are logical pixels (96 per inch); a size below 1 x 1 counts as 1 x 1.
#include "chart/ChartModel.h"
#include "export/EmfWriter.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace tf {

// The chart as an Enhanced Metafile recorded for the given screen: vector records, texts as text.
QByteArray ExportEmf(TChart &chart, QSize size, const EmfReference &screen);

// The chart as drawn on screen, at `scale` times the size (for a sharper PNG).
QImage ExportImage(TChart &chart, QSize size, int scale = 1);

// A BMP file of the chart at 32 bits per pixel.
QByteArray ExportBmp(TChart &chart, QSize size);

// SVG of the chart, its view box the chart's pixel rectangle.
QByteArray ExportSvg(TChart &chart, QSize size);

// A one-page PDF whose page is the chart's size (a pixel is 1/96 inch), without margins.
QByteArray ExportPdf(TChart &chart, QSize size);

// A PNG of the chart at `scale` times the size.
QByteArray ExportPng(TChart &chart, QSize size, int scale = 1);

} // namespace tf
