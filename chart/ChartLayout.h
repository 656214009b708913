#pragma once
// Where every part of a chart lands at one size. LayoutChart is pure: it reads the model and returns the
// rectangles and the ranges to draw with; StoreAutomaticRanges writes the automatic ranges back, as a paint
// does. Sizes are logical pixels at 96 per inch.
#include "chart/ChartModel.h"
#include "engine/NumberText.h"

#include <QColor>
#include <QLine>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

#include <optional>

namespace tf {

// Pixel rectangles; a bar covers [left, right) x [top, bottom).
struct ChartLayout {
    struct Bar {
        int series;   // index in the series list
        int point;    // point index
        QRect rect;   // before clipping to the plot area
        QColor color;
    };
    struct LegendEntry {
        int series;             // -1 for the closing entry that stands for the series without room
        QRect swatch;           // empty for the closing entry
        QRect text;
        bool shortened = false; // the title is too long for its room and is drawn with an ellipsis
        int others = 0;         // the closing entry: how many series it stands for
    };
    struct AxisLabel {
        double value;
        QString text;
        QRect rect;
    };
    // One line of a text block: its box (the text aligned in it) and what can show of the line.
    struct TextLine {
        QRect rect;
        QString text;
        Qt::Alignment alignment;
    };
    struct Range {
        double minimum, maximum;
    };
    // A tolerance limit or the target across the plot, with its label at the line's far end.
    struct ToleranceLine {
        enum Kind { Lower, Upper, Target } kind;
        QLine line;
        QRect label;
        QString text;
    };
    // A series' normal curve in plot pixels (before clipping to the plot area).
    struct Curve {
        int series;
        QColor color;
        QPolygonF points;
    };

    QSize size;       // the whole picture
    bool horizontal = false; // the bins along the left axis
    QRect panel;      // filled panel (gives up the shadow strip when the shadow is on)
    QRect plot;       // the back wall
    QRect titleBlock; // empty when not shown; never wider than the panel less its margins
    QRect subTitleBlock;
    QVector<TextLine> titleLines;    // lines below the panel's bottom are left out
    QVector<TextLine> subTitleLines;
    QRect capabilityBlock; // the capability lines under the statistics lines; empty when there are none
    QVector<TextLine> capabilityLines;
    QRect textClip;   // text blocks are cut at the panel less its margins
    QRect legend;     // empty when the legend has no entry
    QRect bottomTitle; // centred on the plot, inside the axes' room
    QRect leftTitle;
    QRect axisTitleClip; // the axes' room, at whose edges a title in a font taller than the room is cut
    QString bottomTitleText; // what shows of the axis titles, shortened with an ellipsis when too long
    QString leftTitleText;
    double bottomMin = 0, bottomMax = 1; // ranges used for drawing
    double leftMin = 0, leftMax = 1;
    // Ranges computed for axes whose Automatic is true; absent for a fixed axis or when no series has a point.
    std::optional<Range> bottomComputed, leftComputed;
    QVector<Bar> bars;
    QVector<Curve> curves;
    QVector<ToleranceLine> toleranceLines;
    QVector<LegendEntry> legendEntries;
    QVector<AxisLabel> bottomLabels;
    QVector<AxisLabel> leftLabels;
};

// The text of the legend's closing entry when not every series has room: "…他 3 系列".
QString LegendOthersText(int others);

// Lays the chart out at the given size without changing it. Axis labels take the decimal separator of fmt
// (the user's regional one unless a caller says otherwise).
ChartLayout LayoutChart(const TChart &chart, const QSize &size, const NumberFormat &fmt = NumberFormat::system());

// Stores the automatic ranges a layout computed into the chart's axes, without a change report: what a
// paint leaves behind for the commands that read Minimum and Maximum.
void StoreAutomaticRanges(TChart &chart, const ChartLayout &layout);

} // namespace tf
