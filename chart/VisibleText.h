#pragma once
// A text far wider than anything it is shown in (a header cell of a megabyte) is measured and drawn only as
// far as it can be seen, so its length never slows a paint.
#include <QFontMetrics>
#include <QString>

namespace tf {

// The start of the text that can show within maxWidth pixels: at most two code units per pixel plus a few,
// which no font that can be read fills, never splitting a surrogate pair. A shorter text is returned whole.
QString ShowablePart(const QString &text, int maxWidth);

// The width of a text as far as it can show within maxWidth, measured on no more of it than decides that:
// `wider` tells that the text does not fit (its width is then that of a start already wider than maxWidth,
// or of all that can show).
struct ShownWidth {
    int width;
    bool wider;
};
ShownWidth MeasureShowable(const QString &text, const QFontMetrics &fm, int maxWidth);

} // namespace tf
