#include "engine/Capability.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tf {

namespace {

// Share of a normal distribution beyond z standard deviations on one side.
double tailBeyond(double z) { return 0.5 * std::erfc(z / std::sqrt(2.0)); }

QString index(double v, const NumberFormat &fmt) { return FixedText(v, 2, 5, fmt); }

QString outsideText(const Capability &c, const NumberFormat &fmt)
{
    const std::size_t outside = c.outside.below + c.outside.above;
    const double share = c.count > 0 ? 100.0 * double(outside) / double(c.count) : 0.0;
    return QStringLiteral("規格外= ") + GroupedIntegerText(double(outside), fmt) + QStringLiteral(" (")
        + FixedText(share, 1, 0, fmt) + QStringLiteral("%)");
}

} // namespace

QString ToleranceLimitsProblem(const ToleranceLimits &l)
{
    if (l.lower && l.upper && !(*l.lower < *l.upper))
        return QStringLiteral("規格下限は規格上限より小さくしてください");
    if (l.target && ((l.lower && *l.target < *l.lower) || (l.upper && *l.target > *l.upper)))
        return QStringLiteral("目標値は規格下限と規格上限の間にしてください");
    return QString();
}

ToleranceLimits ScaledLimits(const ToleranceLimits &d, double mag)
{
    const auto scaled = [mag](const std::optional<double> &v) {
        return v ? std::optional<double>(*v * mag) : std::nullopt;
    };
    ToleranceLimits s{scaled(d.lower), scaled(d.upper), scaled(d.target)};
    // A negative magnification turns the values round: the lower limit of the data bounds them from above.
    if (mag < 0)
        std::swap(s.lower, s.upper);
    return s;
}

OutOfTolerance CountOutOfTolerance(const std::vector<double> &values, const ToleranceLimits &l)
{
    const double lo = l.lower.value_or(-INFINITY);
    const double hi = l.upper.value_or(INFINITY);
    OutOfTolerance o;
    for (const double v : values) {
        o.below += v < lo;
        o.above += v > hi;
    }
    return o;
}

Capability ComputeCapability(const ColumnStats &st, const OutOfTolerance &outside, const ToleranceLimits &l)
{
    Capability c;
    c.count = st.count;
    c.outside = outside;
    if (st.count == 0)
        return c;
    if (st.count < 2) {
        c.kind = Capability::Kind::TooFew;
        return c;
    }
    const double s = st.stdDev;
    if (!(s > 0)) {
        c.kind = Capability::Kind::NoSpread;
        return c;
    }
    c.kind = Capability::Kind::Figures;
    if (l.upper)
        c.cpu = (*l.upper - st.mean) / (3 * s);
    if (l.lower)
        c.cpl = (st.mean - *l.lower) / (3 * s);
    if (l.lower && l.upper)
        c.cp = (*l.upper - *l.lower) / (6 * s);
    c.cpk = c.cpu && c.cpl ? std::min(*c.cpu, *c.cpl) : c.cpu ? *c.cpu : c.cpl.value_or(0.0);
    const double n = double(st.count);
    const double half = 1.96 * std::sqrt(1.0 / (9.0 * n) + c.cpk * c.cpk / (2.0 * (n - 1.0)));
    c.cpkLow = c.cpk - half;
    c.cpkHigh = c.cpk + half;
    double share = 0;
    if (l.lower)
        share += tailBeyond((st.mean - *l.lower) / s);
    if (l.upper)
        share += tailBeyond((*l.upper - st.mean) / s);
    c.expectedPpm = share * 1e6;
    return c;
}

QString CapabilityVerdict(double cpk)
{
    if (cpk >= 1.67)
        return QStringLiteral("十分すぎる");
    if (cpk >= 1.33)
        return QStringLiteral("十分");
    if (cpk >= 1.00)
        return QStringLiteral("まずまず");
    if (cpk >= 0.67)
        return QStringLiteral("不足");
    return QStringLiteral("非常に不足");
}

QString CapabilityLine(const QString &title, const Capability &c, const NumberFormat &fmt)
{
    QString line = title.rightJustified(NameFieldMinimum, u' ') + QStringLiteral(": ");
    switch (c.kind) {
    case Capability::Kind::NoData:
        return line + QStringLiteral("データなし");
    case Capability::Kind::TooFew:
        return line + QStringLiteral("値が2個未満のため工程能力は計算できません  ") + outsideText(c, fmt);
    case Capability::Kind::NoSpread:
        return line + QStringLiteral("標準偏差が0のため工程能力は計算できません  ") + outsideText(c, fmt);
    case Capability::Kind::Figures:
        break;
    }
    // With one limit the index of that side stands where Cp would.
    if (c.cp)
        line += QStringLiteral("Cp=") + index(*c.cp, fmt);
    else if (c.cpu)
        line += QStringLiteral("Cpu=") + index(*c.cpu, fmt);
    else
        line += QStringLiteral("Cpl=") + index(c.cpl.value_or(0.0), fmt);
    line += QStringLiteral("  Cpk=") + index(c.cpk, fmt) + QStringLiteral(" (95%: ") + FixedText(c.cpkLow, 2, 0, fmt)
        + QStringLiteral("–") + FixedText(c.cpkHigh, 2, 0, fmt) + QStringLiteral(")  ") + outsideText(c, fmt)
        + QStringLiteral("  推定= ") + FixedText(std::round(c.expectedPpm), 0, 0, fmt) + QStringLiteral(" ppm  判定: ")
        + CapabilityVerdict(c.cpk);
    return line;
}

std::vector<Capability> ColumnCapabilities(const std::vector<double> *columns, const std::vector<ColumnStats> &stats,
                                           const ToleranceLimits &scaledLimits)
{
    std::vector<Capability> out;
    if (!scaledLimits.anyLimit())
        return out;
    out.reserve(stats.size());
    for (std::size_t q = 0; q < stats.size(); ++q)
        out.push_back(ComputeCapability(stats[q], CountOutOfTolerance(columns[q], scaledLimits), scaledLimits));
    return out;
}

} // namespace tf
