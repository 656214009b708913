#include "engine/Summary.h"

#include <algorithm>
#include <cmath>
#include <string>

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

int NameFieldWidth(const QString &title)
{
    return int(std::max<qsizetype>(NameFieldMinimum, title.size()));
}

QString RenamedStatisticsLine(const QString &line, int oldFieldWidth, const QString &name)
{
    return name.leftJustified(NameFieldMinimum, u' ', true) + line.mid(oldFieldWidth);
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

QString NonNumberNote(qsizetype count, const NumberFormat &fmt)
{
    return QStringLiteral("数値でないセル ") + GroupedIntegerText(double(count), fmt)
        + QStringLiteral(" 個（直前の数値で代用）");
}

QString NonNumberCellLine(qsizetype dataRow, const QString &title, const QString &text, double value,
                          const NumberFormat &fmt)
{
    return GroupedIntegerText(double(dataRow), fmt) + QStringLiteral("行目 ") + title + QStringLiteral(": 「")
        + text + QStringLiteral("」 → ") + ValueText(value, fmt);
}

QString ValueText(double v, const NumberFormat &fmt)
{
    for (int decimals = 0; decimals <= 15; ++decimals) {
        const QString text = FixedText(v, decimals, 0, fmt);
        const std::optional<double> back = ReadNumber(text, fmt);
        if (back && *back == v)
            return text;
    }
    return ScientificText(v, 15, fmt);
}

QString RoundedValueText(double v, const NumberFormat &fmt)
{
    if (!std::isfinite(v))
        return ValueText(v, fmt);
    return ValueText(QString::number(v, 'g', 12).toDouble(), fmt);
}

} // namespace tf
