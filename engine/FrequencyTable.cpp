#include "engine/FrequencyTable.h"

#include <cstdint>

namespace tf {

namespace {

// The build's counting puts a value into bin trunc((v - minimum) / width) when that lies in 0..bins;
// the same division tells the values it leaves out below from those above.
struct Outside {
    std::int64_t below = 0, above = 0;
};

Outside outsideBins(const std::vector<double> &values, double minimum, double width, int bins)
{
    const double limit = double(bins) + 1.0;
    Outside o;
    for (const double v : values) {
        const double t = (v - minimum) / width;
        o.below += t <= -1.0;
        o.above += t >= limit;
    }
    return o;
}

QString countText(std::int64_t n) { return QString::number(n); }

} // namespace

QString FrequencyTableText(const BinnedColumns &b, const QStringList &titles, const NumberFormat &fmt)
{
    const qsizetype seriesCount = titles.size();
    const qsizetype columnCount = qsizetype(b.columns.size());
    const auto edge = [&](double v) { return AxisLabelText(v, b.width, fmt); };

    std::vector<Outside> outside;
    std::int64_t total = 0;
    for (qsizetype q = 0; q < columnCount; ++q) {
        outside.push_back(outsideBins(*b.columns[size_t(q)], b.minimum, b.width, b.bins));
        total += std::int64_t(b.columns[size_t(q)]->size());
    }

    QString text = QStringLiteral("区間下限\t区間上限");
    for (const QString &title : titles)
        text += u'\t' + title;
    text += QStringLiteral("\t合計\t累積%\n");

    std::int64_t running = 0;
    // One row: its edges, then a count per series from get(q), its sum and the running share.
    const auto row = [&](const QString &from, const QString &to, const auto &get) {
        QString line = from + u'\t' + to;
        std::int64_t sum = 0;
        for (qsizetype i = 0; i < seriesCount; ++i) {
            line += u'\t';
            if (i < columnCount) {
                const std::int64_t n = get(size_t(i));
                sum += n;
                line += countText(n);
            }
        }
        running += sum;
        const double share = total > 0 ? 100.0 * double(running) / double(total) : 0.0;
        text += line + u'\t' + countText(sum) + u'\t' + FixedText(share, 1, 0, fmt) + u'\n';
    };

    std::int64_t below = 0, above = 0;
    for (const Outside &o : outside) {
        below += o.below;
        above += o.above;
    }
    const double top = b.minimum + (b.bins + 1) * b.width;
    if (below > 0)
        row(QString(), edge(b.minimum), [&](size_t q) { return outside[q].below; });
    for (int j = 0; j <= b.bins; ++j)
        row(edge(b.minimum + j * b.width), edge(b.minimum + (j + 1) * b.width),
            [&](size_t q) { return std::int64_t(b.counts[q][size_t(j)]); });
    if (above > 0)
        row(edge(top), QString(), [&](size_t q) { return outside[q].above; });
    return text;
}

} // namespace tf
