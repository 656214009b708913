#pragma once
// The histogram as a table for a spreadsheet: tab-separated text with a header row, one row per bin with its
// edges and the count of each series, and rows for the values below and above the bins, so that the total
// always equals the values read.
#include "engine/NumberText.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tf {

// The bins of a completed build and the columns they were counted from.
struct BinnedColumns {
    double minimum = 0; // lower edge of bin 0
    double width = 1;
    int bins = 0;       // bins 0..bins
    std::vector<const std::vector<double> *> columns; // one per series that has a column
    std::vector<std::vector<int>> counts;            // counts[q][j]
};

// The table, one line per row ending with a line break. titles names every series; a series without a
// column has empty cells.
QString FrequencyTableText(const BinnedColumns &binned, const QStringList &titles, const NumberFormat &fmt);

} // namespace tf
