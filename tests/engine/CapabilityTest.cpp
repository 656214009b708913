#include "engine/Capability.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tf;

namespace {

const NumberFormat dot{u'.', u','};
constexpr double none = NAN; // a figure the case does not have

// Each case: a column's N, mean and sample deviation, its counts outside the limits, the limits, and the
// figures worked out by hand (indices to two decimals, ppm from the standard normal table).
struct Case {
    const char *name;
    std::size_t n;
    double mean, s;
    std::size_t below, above;
    ToleranceLimits limits;
    Capability::Kind kind;
    double cp, cpu, cpl, cpk, low, high;
    double ppm; // whole ppm
    struct {
        const char *title = nullptr; // no line checked without one
        const char *rest = nullptr;  // the line after the name field
    } line;
};
TF_PRINT_CASE_AS_NAME(Case)

const Case kCases[] = {
    // The line the feature was asked for: (13 - 8) / 5.46 = 0.916; (13 - 10.47) / 2.73 = 0.927 and
    // (10.47 - 8) / 2.73 = 0.905; half width 1.96 * sqrt(1/450 + 0.819/98) = 0.202; tails at z = 2.714 and
    // 2.780 give 0.003321 + 0.002716.
    {"RequestedExample", 50, 10.47, 0.91, 1, 0, {8.0, 13.0, {}}, Capability::Kind::Figures, 0.92, 0.93, 0.90, 0.90,
     0.70, 1.11, 6037,
     {"ロットA", ": Cp= 0.92  Cpk= 0.90 (95%: 0.70–1.11)  規格外= 1 (2.0%)  推定= 6037 ppm  判定: 不足"}},
    // Montgomery, Introduction to Statistical Quality Control, the hard-bake flow width: mean 1.5056,
    // deviation 0.1398, limits 1.00 and 2.00 give Cp 1.19, Cpu 1.18, Cpl 1.21, Cpk 1.18 (125 widths).
    // Tails at z = 3.537 and 3.617: 0.000203 + 0.000149.
    {"TextbookHardBake", 125, 1.5056, 0.1398, 0, 0, {1.0, 2.0, {}}, Capability::Kind::Figures, 1.19, 1.18, 1.21, 1.18,
     1.02, 1.34, 352,
     {"フロー幅", ": Cp= 1.19  Cpk= 1.18 (95%: 1.02–1.34)  規格外= 0 (0.0%)  推定= 352 ppm  判定: まずまず"}},
    // The same textbook's interval example: N 20 and Cpk 1.33 give 0.88 to 1.78.
    {"TextbookInterval", 20, 0.0, 1.0, 0, 0, {-10.0, 3.99, {}}, Capability::Kind::Figures, 2.33, 1.33, 3.33, 1.33,
     0.88, 1.78, 33, {}},
    // Three deviations either side: the 0.27 % of the normal table.
    {"CentredAtThreeSigma", 1000, 0.0, 1.0, 2, 1, {-3.0, 3.0, {}}, Capability::Kind::Figures, 1.00, 1.00, 1.00, 1.00,
     0.95, 1.05, 2700, {}},
    // Upper limit only: Cpu stands for Cp, the one tail 0.135 %.
    {"UpperOnly", 30, 10.0, 1.0, 0, 2, {{}, 13.0, {}}, Capability::Kind::Figures, none, 1.00, none, 1.00, 0.72, 1.28,
     1350,
     {"上側", ": Cpu= 1.00  Cpk= 1.00 (95%: 0.72–1.28)  規格外= 2 (6.7%)  推定= 1350 ppm  判定: まずまず"}},
    // Lower limit only, four deviations away: 31.7 ppm.
    {"LowerOnly", 200, 10.0, 0.5, 0, 0, {8.0, {}, {}}, Capability::Kind::Figures, none, none, 1.33, 1.33, 1.19, 1.47, 32,
     {"下側", ": Cpl= 1.33  Cpk= 1.33 (95%: 1.19–1.47)  規格外= 0 (0.0%)  推定= 32 ppm  判定: 十分"}},
    // A mean outside the limits: Cpk below zero, most of the output expected out.
    {"MeanAboveUpperLimit", 40, 14.0, 1.0, 0, 35, {8.0, 13.0, {}}, Capability::Kind::Figures, 0.83, -0.33, 2.00,
     -0.33, -0.46, -0.21, 841345, {}},
    // A target changes none of the figures.
    {"WithTarget", 50, 10.47, 0.91, 1, 0, {8.0, 13.0, 10.5}, Capability::Kind::Figures, 0.92, 0.93, 0.90, 0.90, 0.70,
     1.11, 6037, {}},
    {"SingleValue", 1, 9.0, 0.0, 0, 0, {8.0, 13.0, {}}, Capability::Kind::TooFew, none, none, none, 0, 0, 0, 0,
     {"N1", ": 値が2個未満のため工程能力は計算できません  規格外= 0 (0.0%)"}},
    {"NoSpread", 4, 14.0, 0.0, 0, 4, {8.0, 13.0, {}}, Capability::Kind::NoSpread, none, none, none, 0, 0, 0, 0,
     {"一定", ": 標準偏差が0のため工程能力は計算できません  規格外= 4 (100.0%)"}},
    {"NoColumn", 0, 0.0, 0.0, 0, 0, {8.0, 13.0, {}}, Capability::Kind::NoData, none, none, none, 0, 0, 0, 0,
     {"空列", ": データなし"}},
};

void ExpectFigure(const std::optional<double> &got, double expected, const char *what)
{
    if (std::isnan(expected)) {
        EXPECT_FALSE(got.has_value()) << what;
        return;
    }
    ASSERT_TRUE(got.has_value()) << what;
    EXPECT_NEAR(*got, expected, 0.005) << what;
}

class CapabilityFigures : public ::testing::TestWithParam<Case> {};

TEST_P(CapabilityFigures, MatchHandComputedValues)
{
    const Case &k = GetParam();
    ColumnStats st;
    st.count = k.n;
    st.mean = k.mean;
    st.stdDev = k.s;
    const Capability c = ComputeCapability(st, OutOfTolerance{k.below, k.above}, k.limits);
    ASSERT_EQ(c.kind, k.kind);
    EXPECT_EQ(c.outside.below + c.outside.above, k.below + k.above);
    if (k.kind == Capability::Kind::Figures) {
        ExpectFigure(c.cp, k.cp, "Cp");
        ExpectFigure(c.cpu, k.cpu, "Cpu");
        ExpectFigure(c.cpl, k.cpl, "Cpl");
        EXPECT_NEAR(c.cpk, k.cpk, 0.005);
        EXPECT_NEAR(c.cpkLow, k.low, 0.005);
        EXPECT_NEAR(c.cpkHigh, k.high, 0.005);
        EXPECT_NEAR(c.expectedPpm, k.ppm, 0.5 + k.ppm * 1e-3);
    }
    if (k.line.title) {
        const QString title = QString::fromUtf8(k.line.title);
        EXPECT_EQ(CapabilityLine(title, c, dot), title.rightJustified(10, u' ') + QString::fromUtf8(k.line.rest));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CapabilityFigures, ::testing::ValuesIn(kCases), tftest::CaseName());

TEST(CapabilityVerdict, StepsAtTheUsualBounds)
{
    EXPECT_EQ(CapabilityVerdict(1.67), QStringLiteral("十分すぎる"));
    EXPECT_EQ(CapabilityVerdict(1.669), QStringLiteral("十分"));
    EXPECT_EQ(CapabilityVerdict(1.33), QStringLiteral("十分"));
    EXPECT_EQ(CapabilityVerdict(1.00), QStringLiteral("まずまず"));
    EXPECT_EQ(CapabilityVerdict(0.999), QStringLiteral("不足"));
    EXPECT_EQ(CapabilityVerdict(0.67), QStringLiteral("不足"));
    EXPECT_EQ(CapabilityVerdict(0.669), QStringLiteral("非常に不足"));
    EXPECT_EQ(CapabilityVerdict(-2), QStringLiteral("非常に不足"));
}

TEST(ToleranceLimits, RefusesCrossedLimitsAndATargetOutside)
{
    const QString crossed = QStringLiteral("規格下限は規格上限より小さくしてください");
    const QString outside = QStringLiteral("目標値は規格下限と規格上限の間にしてください");
    EXPECT_EQ(ToleranceLimitsProblem({8.0, 13.0, 10.0}), QString());
    EXPECT_EQ(ToleranceLimitsProblem({8.0, 13.0, 13.0}), QString()); // on a limit is inside
    EXPECT_EQ(ToleranceLimitsProblem({{}, {}, 5.0}), QString());
    EXPECT_EQ(ToleranceLimitsProblem({13.0, 8.0, {}}), crossed);
    EXPECT_EQ(ToleranceLimitsProblem({8.0, 8.0, {}}), crossed);
    EXPECT_EQ(ToleranceLimitsProblem({8.0, 13.0, 14.0}), outside);
    EXPECT_EQ(ToleranceLimitsProblem({8.0, {}, 7.0}), outside);
    EXPECT_EQ(ToleranceLimitsProblem({{}, 13.0, 13.5}), outside);
}

TEST(ToleranceLimits, ScaleWithTheValuesAndTurnRoundWithThem)
{
    EXPECT_EQ(ScaledLimits({8.0, 13.0, 10.0}, 1000.0), (ToleranceLimits{8000.0, 13000.0, 10000.0}));
    EXPECT_EQ(ScaledLimits({8.0, {}, {}}, -1.0), (ToleranceLimits{{}, -8.0, {}}));
}

TEST(CountOutOfTolerance, ValuesOnALimitAreInside)
{
    const std::vector<double> v = {7.9, 8.0, 10.0, 13.0, 13.1, 20.0};
    const OutOfTolerance both = CountOutOfTolerance(v, {8.0, 13.0, {}});
    EXPECT_EQ(both.below, 1u);
    EXPECT_EQ(both.above, 2u);
    const OutOfTolerance upper = CountOutOfTolerance(v, {{}, 13.0, {}});
    EXPECT_EQ(upper.below, 0u);
    EXPECT_EQ(upper.above, 2u);
}

TEST(ColumnCapabilities, ReadsNothingWithoutALimit)
{
    const std::vector<double> column = {1, 2, 3};
    const std::vector<ColumnStats> stats = {ColumnStats{3, 2.0, 1.0, 3.0, 1.0}};
    EXPECT_TRUE(ColumnCapabilities(&column, stats, ToleranceLimits{{}, {}, 2.0}).empty());
    const auto caps = ColumnCapabilities(&column, stats, ToleranceLimits{1.5, {}, {}});
    ASSERT_EQ(caps.size(), 1u);
    EXPECT_EQ(caps[0].outside.below, 1u);
    EXPECT_NEAR(caps[0].cpk, 1.0 / 6.0, 1e-12);
}

} // namespace
