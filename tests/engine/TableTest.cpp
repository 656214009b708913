#include "engine/Scale.h"
#include "tests/support/TestSupport.h"
#include "engine/Table.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tf;

namespace {

struct SplitCase {
    const char16_t *line;
    char16_t delimiter;
    QStringList cells;
};

TEST(SplitLine, CellsQuotesAndDelimiters)
{
    const SplitCase cases[] = {
        {u"a,b,c", u',', {"a", "b", "c"}},
        {u"", u',', {}},
        {u" ", u',', {" "}},
        {u",", u',', {"", ""}},
        {u",a", u',', {"", "a"}},
        {u"a,", u',', {"a", ""}},
        {u"a,,b", u',', {"a", "", "b"}},
        {u" a , b ", u',', {" a ", " b "}},          // spaces stay in the cells
        {u"\"x,y\",z", u',', {"x,y", "z"}},
        {u"\"a\"\"b\"", u',', {"a\"b"}},             // a pair stands for one quote
        {u"\"ab\"cd,e", u',', {"ab", "cd", "e"}},    // text after the closing quote is a cell of its own
        {u"\"abc", u',', {"abc"}},                   // no closing quote: to the end of the line
        {u"\"a\"\"bc", u',', {"a\"bc"}},
        {u"\"\"", u',', {""}},
        {u"\"12\",", u',', {"12", ""}},
        {u"a\"b,c", u',', {"a\"b", "c"}},            // a quote inside an unquoted cell is ordinary
        {u"1,5\t2", u'\t', {"1,5", "2"}},
        {u"\t\t", u'\t', {"", "", ""}},
    };
    for (const SplitCase &c : cases) {
        const QString line = QString::fromUtf16(c.line);
        EXPECT_EQ(SplitLine(line, c.delimiter), c.cells) << line.toStdString();
        // the same cells from the line's bytes
        bool more = true;
        EXPECT_EQ(SplitLineBytes(EncodeLineText(line), c.delimiter, 100, more), c.cells) << line.toStdString();
        EXPECT_FALSE(more) << line.toStdString();
    }
}

TEST(SplitLineBytes, StopsAtTheLimit)
{
    bool more = false;
    EXPECT_EQ(SplitLineBytes("a,b,c", u',', 2, more), (QStringList{"a", "b"}));
    EXPECT_TRUE(more);
    EXPECT_EQ(SplitLineBytes("a,b,", u',', 2, more), (QStringList{"a", "b"}));
    EXPECT_TRUE(more); // the empty cell after the last delimiter counts
    EXPECT_EQ(SplitLineBytes("a,b", u',', 2, more), (QStringList{"a", "b"}));
    EXPECT_FALSE(more);
}

struct LongCellCase {
    const char *name;
    QString cell;     // the cell's text as the line holds it
    bool quoted;
    QString expected; // what is kept of it
};
TF_PRINT_CASE_AS_NAME(LongCellCase)

class LongCells : public ::testing::TestWithParam<LongCellCase> {};

TEST_P(LongCells, AreKeptAsFarAsTheyCanShow)
{
    const LongCellCase &c = GetParam();
    const QString line = c.quoted ? u'"' + c.cell + u'"' + QStringLiteral(",x") : c.cell + QStringLiteral(",x");
    bool more = true;
    const QStringList cells = SplitLineBytes(EncodeLineText(line), u',', 10, more);
    ASSERT_EQ(cells.size(), 2);
    EXPECT_EQ(cells[0], c.expected);
    EXPECT_EQ(cells[1], QStringLiteral("x"));
}

const QString kPair = QString::fromUtf16(u"\U0001F600"); // one character, two code units
const qsizetype kKept = LongestShownCell;

INSTANTIATE_TEST_SUITE_P(
    SplitLineBytes, LongCells,
    ::testing::Values(
        LongCellCase{"AsciiCutAtTheBound", QString(kKept + 5, u'a'), false, QString(kKept, u'a')},
        LongCellCase{"ShortKeptWhole", QString(kKept, u'a'), false, QString(kKept, u'a')},
        LongCellCase{"ThreeByteCharacters", QString(kKept + 5, QChar(u'あ')), false, QString(kKept, QChar(u'あ'))},
        LongCellCase{"PairNotSplitAtTheCut", QString(kKept - 1, u'a') + kPair + QStringLiteral("bb"), false,
                     QString(kKept - 1, u'a')},
        LongCellCase{"PairEndingAtTheCut", QString(kKept - 2, u'a') + kPair + QStringLiteral("bb"), false,
                     QString(kKept - 2, u'a') + kPair},
        LongCellCase{"QuotePairsCollapsedFirst", QStringLiteral("\"\"").repeated(kKept + 5), true,
                     QString(kKept, u'"')}),
    tftest::CaseName{});

TEST(ReadCellNumber, ReadsTheWholeCell)
{
    const NumberFormat dot{u'.', u','};
    EXPECT_EQ(ReadCellNumber(QByteArray(300000, ' ') + "12", dot), 12.0); // spaces of any length
    EXPECT_EQ(ReadCellNumber("1" + QByteArray(400000, '0'), dot), std::nullopt); // beyond the largest Double
    EXPECT_EQ(ReadCellNumber(QByteArray(300000, '1') + "x", dot), std::nullopt);
    EXPECT_EQ(ReadCellNumber(" 1.5e3 ", dot), 1500.0);
    const NumberFormat arabic{u'\u066B', u','};
    EXPECT_EQ(ReadCellNumber(EncodeLineText(QString::fromUtf16(u"2\u066B5")), arabic), 2.5);
}

TEST(ChooseDelimiter, TabAnywhereElseComma)
{
    EXPECT_EQ(ChooseDelimiter(u"a,b\tc"), u'\t');
    EXPECT_EQ(ChooseDelimiter(u"a,b"), u',');
    EXPECT_EQ(ChooseDelimiter(u"ab"), u',');
}

using Columns = std::array<std::vector<double>, MaxColumns>;

TEST(ReadColumns, ColumnsEndAtTheFirstShortRow)
{
    Columns cols;
    cols[5] = {42}; // not part of this table: cleared
    ReadColumns(LineList{"1,2,3", "4,5", "6,7,8"}, 0, 3, u',', u'.', 1, cols);
    EXPECT_EQ(cols[0], (std::vector<double>{1, 4, 6}));
    EXPECT_EQ(cols[1], (std::vector<double>{2, 5, 7}));
    EXPECT_EQ(cols[2], (std::vector<double>{3}));
    EXPECT_TRUE(cols[5].empty());
}

TEST(ReadColumns, NonNumberTakesTheLastNumberInColumnOrder)
{
    struct Case {
        QStringList lines;
        qsizetype startRow;
        int columnCount;
        double before;
        std::vector<double> col0, col1;
    };
    const Case cases[] = {
        // column 0 is read to its end before column 1 starts
        {{"a,b", "1,x", "2,3", "y,4"}, 1, 2, 1, {1, 2, 2}, {2, 3, 4}},
        // nothing read as a number yet: 0
        {{"a", "x", "5"}, 1, 1, 0, {0, 5}, {}},
        // a line of spaces ends every column but the first and takes the number above it
        {{"1,2", "   ", "3,4"}, 0, 2, 1, {1, 1, 3}, {2}},
        // quoted numbers read; a quoted pair inside is not a number
        {{"\"12\",\" 7 \"", "\"1\"\"\",8"}, 0, 2, 12, {12, 12}, {7, 8}},
    };
    for (const Case &c : cases) {
        Columns cols;
        ReadColumns(LineList(c.lines), c.startRow, c.columnCount, u',', u'.', c.before, cols);
        EXPECT_EQ(cols[0], c.col0) << c.lines.join('|').toStdString();
        EXPECT_EQ(cols[1], c.col1) << c.lines.join('|').toStdString();
    }
}

TEST(ReadColumns, TabDelimiterAndCommaDecimal)
{
    Columns cols;
    ReadColumns(LineList{"1,5\t2", "3\t4,25"}, 0, 2, u'\t', u',', 1.5, cols);
    EXPECT_EQ(cols[0], (std::vector<double>{1.5, 3}));
    EXPECT_EQ(cols[1], (std::vector<double>{2, 4.25}));
}

TEST(ReadColumns, CellsReadInPlaceFollowTheNumberRules)
{
    // Long cells, cells that look like numbers up to a point, and a decimal separator equal to the
    // delimiter (the delimiter wins) read as number reading reads the cell on its own.
    const QString spaces(59, u' ');
    const QString longNumber = QString(70, u'1') + ".5";
    const QString longRow = spaces + "-5," + longNumber + ",12a," + QString(80, u' ') + "7 ,\"3\"";
    Columns cols;
    ReadColumns(LineList{longRow}, 0, 5, u',', u'.', 0, cols);
    EXPECT_EQ(cols[0], (std::vector<double>{-5}));
    EXPECT_EQ(cols[1], (std::vector<double>{*ReadNumber(longNumber, NumberFormat{})}));
    EXPECT_EQ(cols[2], (std::vector<double>{*ReadNumber(longNumber, NumberFormat{})})); // 12a: the last number
    EXPECT_EQ(cols[3], (std::vector<double>{7}));
    EXPECT_EQ(cols[4], (std::vector<double>{3}));

    ReadColumns(LineList{"1,5,2"}, 0, 3, u',', u',', 0, cols);
    EXPECT_EQ(cols[0], (std::vector<double>{1}));
    EXPECT_EQ(cols[1], (std::vector<double>{5}));
    EXPECT_EQ(cols[2], (std::vector<double>{2}));
}

struct ScaleCase {
    double sample;
    const char *tani;
    double mag;
};

TEST(ComputeScale, EngineeringPrefixOfTheSample)
{
    const ScaleCase cases[] = {
        {0, "", 1},
        {0.005, "m", 1000},
        {0.5, "m", 1000},
        {-0.005, "m", 1000},
        {1234, "K", 0.001},
        {999999, "K", 0.001},
        {1000000, "M", 1e-6},
        {-250, "", 1},
        {999.9999999999999, "K", 0.001}, // 1.00000000000000E+003 at 15 digits
        {2e-7, "n", 999999999.9999999},   // 1 / (nearest Double to 1E-9)
        {5e-10, "p", 1e12},
        {1e-12, "p", 1e12},
        {2e-5, "u", 1e6},
        {3e9, "G", 1e-9},
        {5e15, "T", 1e-12},
        {1e16, "", 1},
        {1e-13, "", 1},
        {9.9999e-13, "", 1},
    };
    for (const ScaleCase &c : cases) {
        double mag = 123;
        QString tani = "old";
        ComputeScale(mag, tani, c.sample);
        EXPECT_EQ(tani.toStdString(), c.tani) << c.sample;
        EXPECT_EQ(mag, c.mag) << c.sample;
    }
    double mag = 0;
    QString tani;
    ComputeScale(mag, tani, 2e-7);
    EXPECT_NE(mag, 1e9);
}

struct WidthCase {
    double raw;
    double rounded;
};

TEST(RoundedWidth, KeepsTheFirstDigitOfTwo)
{
    const NumberFormat dot;
    const WidthCase cases[] = {
        {0.0456, 0.04}, {2.5, 2},     {37, 30}, {1234, 1000}, {9.96, 10}, {1.95, 1},
        {19.5, 20},     {0, 0},       {2.8, 2}, {0.87, 0.8},  {1.949, 1}, {3e-7, 3e-7},
    };
    for (const WidthCase &c : cases)
        EXPECT_EQ(RoundedWidth(c.raw, dot), c.rounded) << c.raw;
    EXPECT_EQ(RoundedWidth(0.0456, NumberFormat{u',', u'.'}), 0.04);
}

} // namespace
