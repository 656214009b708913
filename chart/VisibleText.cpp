#include "chart/VisibleText.h"

#include <algorithm>

namespace tf {

namespace {

// n code units of the text, one less (or, rounding up, one more) when n would split a surrogate pair.
qsizetype wholeUnits(const QString &text, qsizetype n, bool roundUp = false)
{
    if (n <= 0 || n >= text.size())
        return std::clamp<qsizetype>(n, 0, text.size());
    if (!text[n - 1].isHighSurrogate())
        return n;
    return roundUp ? n + 1 : n - 1;
}

qsizetype showableLength(const QString &text, int maxWidth)
{
    return wholeUnits(text, 2 * qsizetype(std::max(0, maxWidth)) + 16);
}

} // namespace

QString ShowablePart(const QString &text, int maxWidth)
{
    const qsizetype n = showableLength(text, maxWidth);
    return n == text.size() ? text : text.left(n);
}

ShownWidth MeasureShowable(const QString &text, const QFontMetrics &fm, int maxWidth)
{
    const qsizetype limit = showableLength(text, maxWidth);
    // A first guess from the average character width; doubled while the start measured still fits.
    qsizetype n = std::min(limit, qsizetype(std::max(0, maxWidth) / std::max(1, fm.averageCharWidth())) + 8);
    for (;;) {
        n = wholeUnits(text, std::max<qsizetype>(n, std::min<qsizetype>(1, limit)), true);
        // A view of the start, not the whole text with a length: the text engine would lay out all of it.
        const int w = fm.horizontalAdvance(QString::fromRawData(text.constData(), n));
        if (w > maxWidth)
            return {w, true};
        if (n >= limit)
            return {w, limit < text.size()};
        n = std::min(limit, 2 * n);
    }
}

} // namespace tf
