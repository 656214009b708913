#include "engine/BinCount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>

using namespace tf;

namespace {

struct BinCase {
    std::string name;
    double minimum;
    double width;
    int bins;
};

void PrintTo(const BinCase &c, std::ostream *os) { *os << c.name; }

// The assignment every count must give: one pass, one division per value.
std::vector<int> OnePassCounts(const std::vector<double> &values, double minimum, double width, int bins)
{
    std::vector<int> counts(size_t(bins) + 1, 0);
    for (const double v : values) {
        const double t = (v - minimum) / width;
        if (t > -1.0 && t < double(bins) + 1.0)
            ++counts[size_t(int(t))];
    }
    return counts;
}

// Values on every edge (from -3 to bins + 3 widths) and one unit in the last place either side of it,
// the minimum itself, and scattered values a little beyond both ends, in a mixed order.
std::vector<double> AwkwardValues(const BinCase &c, size_t n, std::uint64_t seed)
{
    std::vector<double> edges;
    for (int j = -3; j <= c.bins + 3; ++j) {
        const double e = c.minimum + j * c.width;
        edges.insert(edges.end(), {e, std::nextafter(e, -INFINITY), std::nextafter(e, INFINITY)});
    }
    edges.push_back(c.minimum);
    std::vector<double> values(n);
    std::uint64_t x = seed;
    for (size_t i = 0; i < n; ++i) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        if ((x >> 60) < 10) {
            values[i] = edges[(x >> 20) % edges.size()];
        } else {
            const double u = double(x >> 11) / double(std::uint64_t(1) << 53); // 0..1
            values[i] = c.minimum + (u * (c.bins + 5) - 2) * c.width;
        }
    }
    return values;
}

class BinCount : public testing::TestWithParam<BinCase> {};

// Columns of uneven, odd lengths long enough to be shared out over the processors, the stretches
// crossing from one column into the next.
TEST_P(BinCount, SharedOutCountsEqualTheOnePassCounts)
{
    const BinCase &c = GetParam();
    const std::vector<std::vector<double>> columns = {AwkwardValues(c, 150001, 1), AwkwardValues(c, 99999, 2),
                                                      AwkwardValues(c, 70003, 3), AwkwardValues(c, 1, 4)};
    std::vector<const std::vector<double> *> pointers;
    for (const auto &column : columns)
        pointers.push_back(&column);
    const std::vector<std::vector<int>> counts = CountColumnsInBins(pointers, c.minimum, c.width, c.bins);
    ASSERT_EQ(counts.size(), columns.size());
    for (size_t q = 0; q < columns.size(); ++q)
        EXPECT_EQ(counts[q], OnePassCounts(columns[q], c.minimum, c.width, c.bins)) << "column " << q;
}

// The first build's count also sums the squared deviations, in the order of two running sums (even and
// odd positions) added at the end, then an odd last value.
TEST_P(BinCount, CountWithSquaresEqualsTheOnePassCountAndSum)
{
    const BinCase &c = GetParam();
    const std::vector<double> values = AwkwardValues(c, 20001, 5);
    const double mean = c.minimum + c.bins * c.width / 2;
    std::vector<int> counts;
    const double squares = CountBinsWithSquares(values.data(), values.size(), c.minimum, c.width, c.bins, mean, counts);
    EXPECT_EQ(counts, OnePassCounts(values, c.minimum, c.width, c.bins));
    double even = 0, odd = 0;
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
        even += (values[i] - mean) * (values[i] - mean);
        odd += (values[i + 1] - mean) * (values[i + 1] - mean);
    }
    const double last = values.back() - mean;
    EXPECT_EQ(squares, even + odd + last * last);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BinCount,
    testing::Values(BinCase{"DecimalWidth", 0.1, 0.1, 10}, BinCase{"RoundWidth", 20.0, 5.0, 12},
                    BinCase{"NegativeRange", -1000.5, 7.25, 37}, BinCase{"HundredBins", -3.3, 0.07, 100},
                    BinCase{"HugeValues", -1e300, 2e299, 10}, BinCase{"TinyValues", 1e-300, 3e-301, 20},
                    BinCase{"WidthBelowNormal", 0.0, 1e-310, 5}, BinCase{"NegativeWidth", 50.0, -2.5, 8},
                    BinCase{"TwoBins", -0.0, 1e15, 2}),
    [](const testing::TestParamInfo<BinCase> &info) { return info.param.name; });

} // namespace
