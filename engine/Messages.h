#pragma once
// Texts of errors raised in more than one place (the engine's build and the chart model), so the user
// reads the same words whichever part refused.
#include <QString>

namespace tf {

// An index outside a list: "リストのインデックスが範囲を超えています (index)".
QString ListIndexMessage(qsizetype index);

// An argument outside its allowed range (a series index outside the series list, say).
QString ArgumentOutOfRangeMessage();

} // namespace tf
