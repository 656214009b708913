#pragma once
// Counting column values into bins. A value v falls into bin trunc((v - minimum) / width) when that lies
// in 0..bins and is left uncounted otherwise; every function here gives exactly that assignment.
#include <cstddef>
#include <vector>

namespace tf {

// Counts values[0..n) into counts (bins + 1 entries, overwritten) and returns the sum of the squared
// deviations from mean, summed in the order of one pass over the values two at a time.
double CountBinsWithSquares(const double *values, std::size_t n, double minimum, double width, int bins,
                            double mean, std::vector<int> &counts);

// The counts of every column (bins + 1 entries each), the rows shared out over the processors when the
// columns are long enough.
std::vector<std::vector<int>> CountColumnsInBins(const std::vector<const std::vector<double> *> &columns,
                                                 double minimum, double width, int bins);

} // namespace tf
