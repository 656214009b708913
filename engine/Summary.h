#pragma once
// The statistics line of a series and the status bar text.
#include "engine/NumberText.h"

#include <QString>
#include <cstddef>

namespace tf {

struct ColumnStats {
    std::size_t count = 0;
    double mean = 0.0;
    double stdDev = 0.0; // sample deviation (N - 1); 0 for a single value
    double maximum = 0.0;
    double minimum = 0.0;
};

// Title right-aligned in ten characters (never cut), then mean, deviation, largest and smallest value.
QString StatisticsLine(const QString &title, const ColumnStats &stats, const NumberFormat &fmt);
// For a series that has no column of its own in the current data.
QString NoDataLine(const QString &title);
QString StatusText(double mag, const QString &tani, const NumberFormat &fmt);

} // namespace tf
