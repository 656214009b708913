#pragma once
// The line-break rule: how a text becomes the lines of DataList.
#include "engine/LineList.h"

#include <QString>

namespace tf {

// Splits a text into lines. CR LF, a lone CR and a lone LF each end one line; LF followed by
// CR is two line ends with an empty line between. A break at the very end adds no empty last
// line. Every other character, zero characters included, stays in its line.
LineList SplitLines(QString text);

} // namespace tf
