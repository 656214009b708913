#include "engine/Summary.h"


namespace tf {

namespace {
QString titleField(const QString &title) { return title.rightJustified(10, u' '); }
} // namespace

QString StatisticsLine(const QString &title, const ColumnStats &s, const NumberFormat &fmt)
{
    return titleField(title) + QStringLiteral(": 平均=") + FixedText(s.mean, 2, 7, fmt)
        + QStringLiteral("  標準偏差=") + FixedText(s.stdDev, 2, 6, fmt)
        + QStringLiteral("  最大値=") + FixedText(s.maximum, 2, 7, fmt)
        + QStringLiteral("  最小値=") + FixedText(s.minimum, 2, 7, fmt);
}

QString NoDataLine(const QString &title)
{
    return titleField(title) + QStringLiteral(": データなし");
}

QString StatusText(double mag, const QString &tani, const NumberFormat &fmt)
{
    return QStringLiteral("倍率 X= ") + GroupedIntegerText(mag, fmt) + QStringLiteral("　単位 [ ") + tani
        + QStringLiteral(" ]");
}

} // namespace tf
