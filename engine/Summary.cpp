#include "engine/Summary.h"

#include <algorithm>
#include <cmath>

namespace tf {

namespace {
QString titleField(const QString &title) { return title.rightJustified(10, u' '); }
} // namespace

ColumnStats ComputeStats(const double *v, std::size_t n)
{
    ColumnStats s;
    s.count = n;
    if (n == 0)
        return s;
    // Four running sums keep the adds independent (faster) and the rounding error smaller.
    double sum[4] = {0, 0, 0, 0};
    double mx = v[0], mn = v[0];
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        for (int k = 0; k < 4; ++k) {
            sum[k] += v[i + k];
            mx = std::max(mx, v[i + k]);
            mn = std::min(mn, v[i + k]);
        }
    }
    for (; i < n; ++i) {
        sum[0] += v[i];
        mx = std::max(mx, v[i]);
        mn = std::min(mn, v[i]);
    }
    s.mean = ((sum[0] + sum[1]) + (sum[2] + sum[3])) / double(n);
    s.maximum = mx;
    s.minimum = mn;
    if (n > 1) {
        double sq[4] = {0, 0, 0, 0};
        i = 0;
        for (; i + 4 <= n; i += 4)
            for (int k = 0; k < 4; ++k) {
                const double d = v[i + k] - s.mean;
                sq[k] += d * d;
            }
        for (; i < n; ++i) {
            const double d = v[i] - s.mean;
            sq[0] += d * d;
        }
        s.stdDev = std::sqrt(((sq[0] + sq[1]) + (sq[2] + sq[3])) / double(n - 1));
    }
    return s;
}

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
