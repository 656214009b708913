#pragma once
// How model fonts, colours and axis numbers become what is drawn. Font point sizes become pixel sizes
// (pt * 96 / 72) so the picture does not depend on the target's resolution.
#include "chart/ChartModel.h"
#include "engine/NumberText.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace tf {

// Makes the model's font names resolve to installed faces: "ＭＳ ゴシック" to a fixed-pitch face with
// Japanese glyphs, "Tahoma" to a sans face with Japanese glyphs. Call once at start-up.
void RegisterChartFontSubstitutions();

// The QFont for a model font, sized in pixels at 96 per inch.
QFont ChartFont(const TTeeFont &font);

// The colour a model colour stands for; system colours come from the application palette.
QColor ChartColor(TColor color);

// The colour the button-face system colour takes in the chart; an invalid colour (the default) takes the
// palette's button colour. A look with a dark palette keeps the chart's face light, under its black texts.
void SetChartFaceColor(const QColor &color);

} // namespace tf
