#include "engine/NumberText.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cstdint>
#include <string>
#include <cmath>

using namespace tf;

namespace {

const NumberFormat dot{u'.', u','};
const NumberFormat comma{u',', u'.'};

struct ReadCase {
    const char16_t *text;
    bool isNumber;
    double value;
};

TEST(ReadNumber, AcceptsOnlyTheNumberSyntax)
{
    const ReadCase cases[] = {
        {u"12", true, 12},
        {u"   12", true, 12},
        {u"12  ", true, 12},
        {u"+1.5", true, 1.5},
        {u"-1.5e3", true, -1500},
        {u"2.5E-2", true, 0.025},
        {u"1e-002", true, 0.01},
        {u"1E", true, 1},        // exponent letter without digits: exponent 0
        {u"1e+", true, 1},
        {u".", true, 0},         // the separator alone
        {u".5", true, 0.5},
        {u"5.", true, 5},
        {u"-.", true, 0},
        {u".E5", true, 0},
        {u"007", true, 7},
        {u"1.7976931348623157E308", true, DBL_MAX},
        {u"-1.7976931348623157E308", true, -DBL_MAX},
        {u"1e-400", true, 0},    // below the smallest Double: reads as zero
        {u"4.9e-324", true, 4.9e-324},
        {u"0.1234567890123456789012345678901234567890123456789012345678901234567890123", true, 0.12345678901234568},
        {u"1e400", false, 0},    // beyond the largest Double
        {u"-1e400", false, 0},
        {u"1.8e308", false, 0},
        // beyond the largest Double, though nearer to it than to anything larger
        {u"1.7976931348623158E308", false, 0},
        {u"-1.79769313486231571E308", false, 0},
        {u"0.179769313486231570814527423731704356798070567525844996598917476803157260780028538760589558632766878171540458953514382464234321326889464182768467546703537516986049910576551282076245490090389328944075868508455133942304583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368000e309",
         true, DBL_MAX}, // exactly the largest Double
        {u"179769313486231570814527423731704356798070567525844996598917476803157260780028538760589558632766878171540458953514382464234321326889464182768467546703537516986049910576551282076245490090389328944075868508455133942304583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368.001",
         false, 0},
        {u"", false, 0},
        {u"   ", false, 0},
        {u"+", false, 0},
        {u"-", false, 0},
        {u"E5", false, 0},
        {u"e", false, 0},
        {u"1,5", false, 0},      // thousands separator / other separator
        {u"1,000", false, 0},
        {u"1 000", false, 0},
        {u"\t1", false, 0},      // only U+0020 counts as a space
        {u"1\t", false, 0},
        {u"\u00a01", false, 0},
        {u"0x10", false, 0},
        {u"abc", false, 0},
        {u"12a", false, 0},
        {u"1e5.5", false, 0},
        {u"1..2", false, 0},
        {u"--1", false, 0},
        {u"+-1", false, 0},
        {u"1 2", false, 0},
        {u"\"12\"", false, 0},
        {u"\uff11\uff12", false, 0}, // full-width digits
        {u"inf", false, 0},
        {u"nan", false, 0},
    };
    for (const ReadCase &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const auto v = ReadNumber(text, dot);
        ASSERT_EQ(v.has_value(), c.isNumber) << text.toStdString();
        if (c.isNumber) {
            EXPECT_EQ(*v, c.value) << text.toStdString();
        }
    }
}

TEST(ReadNumber, UsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(ReadNumber(u"1,5", comma), 1.5);
    EXPECT_EQ(ReadNumber(u" -2,25E1 ", comma), -22.5);
    EXPECT_EQ(ReadNumber(u",", comma), 0.0);
    EXPECT_FALSE(ReadNumber(u"1.5", comma).has_value());
    EXPECT_FALSE(ReadNumber(u"1.000,5", comma).has_value());
}

TEST(ReadNumber, NegativeZeroAndSignsKeepTheirValue)
{
    const auto v = ReadNumber(u"-0", dot);
    ASSERT_TRUE(v.has_value());
    EXPECT_TRUE(std::signbit(*v));
    EXPECT_EQ(ReadNumber(u"+0.000", dot), 0.0);
}

// A cell read where it stands in a line gives the same Double, to the bit, as the same text read on
// its own, and ends at the delimiter or the LF; texts that are no number stay none.
void expectInLineAsAlone(const std::string &cell, char16_t decimal, char stop)
{
    if (cell.find(stop) != std::string::npos)
        return; // the stop would end the cell there: no cell of a line holds it
    for (const char end : {stop, '\n'}) {
        const std::string line = cell + end + "9\n";
        double alone = 0.0, inLine = 0.0;
        const bool isNumber = ReadNumberBytes(cell.data(), qsizetype(cell.size()), decimal, alone);
        const char *e = ReadNumberInLine(line.data(), decimal, stop, inLine);
        ASSERT_EQ(e != nullptr, isNumber) << '"' << cell << '"';
        if (!e)
            continue;
        EXPECT_EQ(e, line.data() + cell.size()) << '"' << cell << '"';
        EXPECT_EQ(std::bit_cast<std::uint64_t>(inLine), std::bit_cast<std::uint64_t>(alone))
            << '"' << cell << "\" gives " << inLine << ", alone " << alone;
    }
}

TEST(ReadNumberInLine, PlainDecimalsToTheLastBitAsOnTheirOwn)
{
    const char *const cells[] = {"0", "-0", "+0", "-0.000", "7", "12.5", "-12.5", ".5", "5.", ".", "-.", "+.25",
                                 "0.1", "0.3", "1.7976931348623157", "9007199254740992", "9007199254740993",
                                 "90071992547409921", "1234567890123456789", "12345678901234567890",
                                 "0.0000000000000000000001", "0.00000000000000000000001", "123.4560000000000000000",
                                 "99999999999999999999.9", "1e5", "1.5E-3", " 12", "12 ", "1.2.3", "-", "+", "",
                                 "1,5", "abc", "--1", "0x1A", "\"12\""};
    for (const char *cell : cells) {
        expectInLineAsAlone(cell, u'.', ',');
        expectInLineAsAlone(cell, u'.', '\t');
        expectInLineAsAlone(cell, u',', '\t');
        expectInLineAsAlone(cell, u',', ','); // the delimiter wins over a separator of the same character
    }
    // Random plain decimals of every length around the exact range, with and without a sign.
    tftest::XorShift next{0x9E3779B97F4A7C15ull};
    for (int i = 0; i < 200000; ++i) {
        std::string cell = (next() % 3 == 0) ? "-" : "";
        const int whole = int(next() % 21), fraction = int(next() % 26);
        for (int k = 0; k < whole; ++k)
            cell += char('0' + next() % 10);
        if (next() % 4 != 0) {
            cell += '.';
            for (int k = 0; k < fraction; ++k)
                cell += char('0' + next() % 10);
        }
        expectInLineAsAlone(cell, u'.', ',');
        if (HasFatalFailure())
            return;
    }
}

struct FixedCase {
    double v;
    int decimals;
    int width;
    const char *text;
};

TEST(FixedText, RoundsHalfAwayFromZeroOnEighteenDigits)
{
    const FixedCase cases[] = {
        {0, 2, 0, "0.00"},
        {-0.0, 2, 0, "0.00"},
        {-1.55e-15, 2, 0, "0.00"}, // rounds to zero: no minus sign
        {-0.004, 2, 0, "0.00"},
        {-0.005, 2, 0, "-0.01"},
        {0.125, 2, 0, "0.13"},     // an exact tie goes away from zero
        {-0.125, 2, 0, "-0.13"},
        {1000000000000000.125, 2, 0, "1000000000000000.13"}, // exact tie at the 19th digit
        {-1000000000000000.125, 2, 0, "-1000000000000000.13"},
        {9.995, 2, 0, "9.99"},     // 9.99499999999999922 at 18 digits
        {99.995, 2, 0, "100.00"},  // 99.9950000000000045 at 18 digits
        {9.999, 2, 0, "10.00"},    // rounding up to the next power of ten
        {999.999, 2, 0, "1000.00"},
        {-9.999, 2, 0, "-10.00"},
        {2.5, 0, 0, "3"},
        {-2.5, 0, 0, "-3"},
        {0.5, 0, 0, "1"},
        {0.4, 0, 0, "0"},
        {1234567.891, 2, 0, "1234567.89"}, // no thousands separators
        {2, 2, 0, "2.00"},
        {32, 2, 0, "32.00"},
        {1e-300, 2, 0, "0.00"},
        {123456789012345678.0, 2, 0, "123456789012345680.00"},
        {999999999999999872.0, 2, 0, "999999999999999872.00"},
        {1e18, 2, 0, "1E18"},      // from 10^18 on: significant digits and E
        {1e19, 2, 0, "1E19"},
        {1.5e20, 2, 0, "1.5E20"},
        {-1.5e20, 2, 0, "-1.5E20"},
        {12345678901234567890.0, 2, 0, "1.23456789012345672E19"},
        {1e300, 2, 0, "1.00000000000000005E300"}, // the Double's own 18 digits
        {15.6, 2, 7, "  15.60"},
        {11.95, 2, 6, " 11.95"},
        {-3, 2, 7, "  -3.00"},
        {123456.5, 2, 7, "123456.50"}, // longer than the width: not cut
        {1e18, 2, 7, "   1E18"},
        {0.001, 3, 0, "0.001"},
        {0.0005, 3, 0, "0.001"},
    };
    for (const FixedCase &c : cases)
        EXPECT_EQ(FixedText(c.v, c.decimals, c.width, dot).toStdString(), c.text) << c.v;
}

TEST(FixedText, UsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(FixedText(3.5, 2, 0, comma), u"3,50");
    EXPECT_EQ(FixedText(-1234.005, 2, 9, comma), u" -1234,01");
    EXPECT_EQ(FixedText(1.5e20, 2, 0, comma), u"1,5E20");
}

struct SciCase {
    double v;
    int precision;
    const char *text;
};

TEST(ScientificText, RoundsToPrecisionWithThreeDigitExponent)
{
    const SciCase cases[] = {
        {0.0456, 2, "4.6E-002"},
        {2.5, 2, "2.5E+000"},
        {2.8, 2, "2.8E+000"},
        {37, 2, "3.7E+001"},
        {1234, 2, "1.2E+003"},
        {9.96, 2, "1.0E+001"},   // the exponent of the rounded value
        {-9.96, 2, "-1.0E+001"},
        {1.95, 2, "1.9E+000"},   // 1.94999999999999996 at 18 digits
        {19.5, 2, "2.0E+001"},
        {0.87, 2, "8.7E-001"},
        {0, 2, "0.0E+000"},
        {-0.0, 2, "0.0E+000"},
        {0, 15, "0.00000000000000E+000"},
        {1234.5, 15, "1.23450000000000E+003"},
        {999.9999999999999, 15, "1.00000000000000E+003"},
        {-250, 15, "-2.50000000000000E+002"},
        {0.5, 15, "5.00000000000000E-001"},
        {1e-300, 2, "1.0E-300"},
        {1e300, 2, "1.0E+300"},
        {1e18, 2, "1.0E+018"},
        {DBL_MAX, 15, "1.79769313486232E+308"},
        {4.9e-324, 2, "4.9E-324"},
        {3.14159, 1, "3.1E+000"},  // precision below 2 counts as 2
        {1.0 / 3.0, 25, "3.33333333333333315E-001"}, // above 18 counts as 18
        {0.95, 1, "9.5E-001"},
        {1000000000000000.125, 18, "1.00000000000000013E+015"}, // exact tie at the 19th digit
    };
    for (const SciCase &c : cases)
        EXPECT_EQ(ScientificText(c.v, c.precision, dot).toStdString(), c.text) << c.v;
    EXPECT_EQ(ScientificText(2.5, 2, comma), u"2,5E+000");
}

struct GroupCase {
    double v;
    const char *text;
};

TEST(GroupedIntegerText, GroupsTheRoundedInteger)
{
    const GroupCase cases[] = {
        {0, "0"},
        {1, "1"},
        {0.001, "0"},
        {-0.4, "0"},
        {999.5, "1,000"},
        {1000, "1,000"},
        {1000000, "1,000,000"},
        {999999999.9999999, "1,000,000,000"},
        {-1234.5, "-1,235"},
        {123456, "123,456"},
        {1e12, "1,000,000,000,000"},
        {1e18, "1,000,000,000,000,000,000"},
    };
    for (const GroupCase &c : cases)
        EXPECT_EQ(GroupedIntegerText(c.v, dot).toStdString(), c.text) << c.v;
    EXPECT_EQ(GroupedIntegerText(1234567, comma), u"1.234.567");
}

} // namespace
