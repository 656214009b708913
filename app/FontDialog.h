#pragma once
// The font dialog of the three font commands: Qt's font choice (face, size, bold, italic, underline,
// strike-out) plus a colour choice, since the chart's fonts carry their colour.
#include "chart/ChartModel.h"

#include <QString>

class QWidget;

namespace tf {

// What the dialog exchanges with a chart font.
struct FontChoice {
    QString Name = QStringLiteral("Tahoma");
    int Size = 8; // points
    TColor Color = clBlack;
    TFontStyles Style = 0;
};

// Shows the dialog modally, pre-filled with font; on confirmation stores the user's choice in font and
// returns true. A cancelled dialog returns false and leaves font as it was.
bool ExecuteFontDialog(QWidget *parent, FontChoice &font);

} // namespace tf
