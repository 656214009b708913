#pragma once
// Lays out and draws a TChart with QPainter. One entry point serves the window, the bitmap export and the
// metafile export, so all of them show the same picture. Sizes are logical pixels at 96 per inch; font
// point sizes become pixel sizes (pt * 96 / 72) so the picture does not depend on the target's resolution.
#include "chart/ChartModel.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

class QPainter;

namespace tf {

// Where every part of the chart lands for one size. Pixel rectangles; a bar covers [left, right) x [top, bottom).
struct ChartLayout {
    struct Bar {
        int series;   // index in the series list
        int point;    // point index
        QRect rect;   // before clipping to the plot area
        QColor color;
    };
    struct LegendEntry {
        int series;
        QRect swatch;
        QRect text;
        bool shortened = false; // the title is too long for its room and is drawn with an ellipsis
    };
    struct AxisLabel {
        double value;
        QString text;
        QRect rect;
    };

    QRect panel;      // filled panel (gives up the shadow strip when the shadow is on)
    QRect plot;       // the back wall
    QRect titleBlock; // empty when not shown
    QRect subTitleBlock;
    QRect legend;     // empty when the legend has no entry
    QRect bottomTitle;
    QRect leftTitle;
    double bottomMin = 0, bottomMax = 1; // ranges used for drawing
    double leftMin = 0, leftMax = 1;
    QVector<Bar> bars;
    QVector<LegendEntry> legendEntries;
    QVector<AxisLabel> bottomLabels;
    QVector<AxisLabel> leftLabels;
};

// Computes the layout at the given size and stores the automatic axis ranges back into the chart.
ChartLayout LayoutChart(TChart &chart, const QSize &size);

// Draws the whole chart into the rectangle (0, 0, size) of the painter, storing automatic ranges back.
void RenderChart(TChart &chart, QPainter &painter, const QSize &size);

// Makes the model's font names resolve to installed faces: "ＭＳ ゴシック" to a fixed-pitch face with
// Japanese glyphs, "Tahoma" to a sans face with Japanese glyphs. Call once at start-up.
void RegisterChartFontSubstitutions();

// The QFont for a model font, sized in pixels at 96 per inch.
QFont ChartFont(const TTeeFont &font);

// The colour a model colour stands for; system colours come from the application palette.
QColor ChartColor(TColor color);

// Axis label text for a value shown with the given label step (no float noise such as 1.0000000001).
QString AxisLabelText(double value, double step);

} // namespace tf

using tf::RegisterChartFontSubstitutions;
using tf::RenderChart;
