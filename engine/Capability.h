#pragma once
// Process capability of each column against tolerance limits: the indices Cp, Cpu, Cpl and Cpk with
// the approximate 95 % interval of Cpk, the values outside the limits counted from the data, the parts
// per million the normal model expects outside them, a verdict, and the one text line per series.
#include "engine/NumberText.h"
#include "engine/Summary.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace tf {

// Tolerance limits and target. Either limit alone makes a one-sided tolerance.
struct ToleranceLimits {
    std::optional<double> lower, upper, target;

    bool anyLimit() const { return lower.has_value() || upper.has_value(); }
    bool operator==(const ToleranceLimits &) const = default;
};

// Why a tolerance is refused; empty when it can be used.
QString ToleranceLimitsProblem(const ToleranceLimits &limits);

// The limits a column's values are compared with, the same scaled units as the values.
ToleranceLimits ScaledLimits(const ToleranceLimits &dataLimits, double mag);

struct OutOfTolerance {
    std::size_t below = 0; // values below the lower limit
    std::size_t above = 0; // values above the upper limit
};

// One read of the column; a missing limit counts nothing on its side.
OutOfTolerance CountOutOfTolerance(const std::vector<double> &values, const ToleranceLimits &limits);

struct Capability {
    enum class Kind {
        Figures,   // every figure below is set
        NoData,    // the series has no column
        TooFew,    // fewer than two values: no deviation
        NoSpread,  // standard deviation 0
    };
    Kind kind = Kind::NoData;
    std::size_t count = 0;
    std::optional<double> cp, cpu, cpl; // cp needs both limits; cpu the upper, cpl the lower one
    double cpk = 0, cpkLow = 0, cpkHigh = 0; // Cpk and its approximate 95 % interval
    OutOfTolerance outside;
    double expectedPpm = 0; // under the normal model with the column's mean and deviation
};

// Figures from a column's statistics (sample deviation) and its counts outside the limits.
// limits must have at least one limit.
Capability ComputeCapability(const ColumnStats &stats, const OutOfTolerance &outside, const ToleranceLimits &limits);

// "十分すぎる", "十分", "まずまず", "不足" or "非常に不足" by Cpk.
QString CapabilityVerdict(double cpk);

// "   ロットA: Cp= 0.92  Cpk= 0.90 (95%: 0.70–1.11)  規格外= 1 (2.0%)  推定= 6037 ppm  判定: 不足", the title in
// the statistics lines' name field.
QString CapabilityLine(const QString &title, const Capability &c, const NumberFormat &fmt);

// The capability of every column of a build; one more read of each column, only when a limit is set.
// columns[q] for every entry of stats.
std::vector<Capability> ColumnCapabilities(const std::vector<double> *columns, const std::vector<ColumnStats> &stats,
                                           const ToleranceLimits &scaledLimits);

} // namespace tf
