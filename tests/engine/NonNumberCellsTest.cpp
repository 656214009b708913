// Data cells that are not numbers (spreadsheet copies: thousands separators, percent, dates, empty
// cells, rows and columns of tabs): a build counts them and lists the first ones, and changes nothing else.
#include "engine/Build.h"
#include "engine/TableCache.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tf;

namespace {

const NumberFormat dot{u'.', u','};

class NoteSink : public BuildSink {
public:
    QStringList calls;
    QString note;
    QStringList cells;
    int noteCalls = 0;

    void ClearForBuild(bool, bool) override { calls << QStringLiteral("Clear"); }
    void CreateSeries(int, bool) override {}
    void SetSeriesTitles(const QStringList &) override {}
    void SetBinAxisMinimum(double) override {}
    void SetBinAxisMaximum(double) override {}
    void SetKukanValueText(const QString &) override {}
    void AddSeriesPoints(int, const std::vector<double> &, const std::vector<int> &) override {}
    void SetRangeTexts(const QString &, const QString &) override {}
    void AddStatisticsLine(const QString &line) override { calls << line; }
    void SetStatusText(const QString &text) override { calls << text; }
    void SetNonNumberNote(const QString &n, const QStringList &c) override
    {
        ++noteCalls;
        calls << QStringLiteral("Note");
        note = n;
        cells = c;
    }
};

struct Copy {
    const char *name;
    const char16_t *clipboard;
    QString note; // empty: no note at all
    QStringList cells;
    std::array<qsizetype, 4> perColumn;
};

TF_PRINT_CASE_AS_NAME(Copy)

class SpreadsheetCopy : public ::testing::TestWithParam<Copy> {};

TEST_P(SpreadsheetCopy, CountsAndListsTheCellsThatAreNotNumbers)
{
    const Copy &c = GetParam();
    EngineState st;
    st.DataList = LineList(QString::fromUtf16(c.clipboard).split(u'\n')); // the last, empty line goes too
    NoteSink sink;
    BuildHistogram(st, BuildControls{}, sink, dot);

    EXPECT_EQ(sink.noteCalls, c.note.isEmpty() ? 0 : 1);
    EXPECT_EQ(sink.note, c.note);
    EXPECT_EQ(sink.cells, c.cells);
    if (!c.note.isEmpty()) {
        EXPECT_EQ(sink.calls.back(), QStringLiteral("Note")); // after the status text
    }
    for (size_t q = 0; q < c.perColumn.size(); ++q)
        EXPECT_EQ(TableCacheOf(st).nonNumbers.counts[q], c.perColumn[q]) << "column " << q;

    // A rebuild that reuses the read table reports the same cells.
    NoteSink again;
    st.MBunkatuFlag = true;
    BuildHistogram(st, BuildControls{}, again, dot);
    EXPECT_EQ(again.note, c.note);
    EXPECT_EQ(again.cells, c.cells);
}

INSTANTIATE_TEST_SUITE_P(
    Clipboard, SpreadsheetCopy,
    ::testing::Values(
        Copy{"SeparatorsPercentDateAndEmptyCell",
             u"測定値A\t温度（℃）\t値C\n12.5\t21.4\t100\n-3.25\t-5\t2024/03/15\n7\t12%\t2.35\n\t18\t-50\n"
             u"1,234.5\t16.4\t25\n8.75\t19.25\t75\n",
             QStringLiteral("数値でないセル 4 個（直前の数値で代用）"),
             {QStringLiteral("2行目 値C: 「2024/03/15」 → 100"), QStringLiteral("3行目 温度（℃）: 「12%」 → -5"),
              QStringLiteral("4行目 測定値A: 「」 → 7"), QStringLiteral("5行目 測定値A: 「1,234.5」 → 7")},
             {2, 1, 1, 0}},
        Copy{"BlankRowOfTabs", u"測定値A\t温度（℃）\n1.5\t10\n2.5\t20\n\t\n3.5\t30\n4.5\t40\n",
             QStringLiteral("数値でないセル 2 個（直前の数値で代用）"),
             {QStringLiteral("3行目 測定値A: 「」 → 2.5"), QStringLiteral("3行目 温度（℃）: 「」 → 20")},
             {1, 1, 0, 0}},
        Copy{"CleanRange", u"測定値A\t温度（℃）\n1.5\t10\n2.5\t20\n3.5\t30\n", QString(), {}, {0, 0, 0, 0}},
        Copy{"WholeSheetWithStrayCell", u"A\tB\t\t\n1\t2\t\t\n3\t4\t\t\n\t\t\t\n",
             QStringLiteral("数値でないセル 8 個（直前の数値で代用）"),
             {QStringLiteral("1行目 : 「」 → 4"), QStringLiteral("1行目 : 「」 → 4"),
              QStringLiteral("2行目 : 「」 → 4"), QStringLiteral("2行目 : 「」 → 4"),
              QStringLiteral("3行目 A: 「」 → 3"), QStringLiteral("3行目 B: 「」 → 4"),
              QStringLiteral("3行目 : 「」 → 4"), QStringLiteral("3行目 : 「」 → 4")},
             {1, 1, 3, 3}}),
    tftest::CaseName());

TEST(NonNumberCells, OnlyTheFirstTenAreListedButAllAreCounted)
{
    QStringList lines{QStringLiteral("値")};
    for (int i = 0; i < 30; ++i)
        lines << (i % 2 ? QStringLiteral("x%1").arg(i) : QString::number(i));
    EngineState st;
    st.DataList = LineList(lines);
    NoteSink sink;
    BuildHistogram(st, BuildControls{}, sink, dot);
    EXPECT_EQ(sink.note, QStringLiteral("数値でないセル 15 個（直前の数値で代用）"));
    ASSERT_EQ(sink.cells.size(), 10);
    EXPECT_EQ(sink.cells.front(), QStringLiteral("2行目 値: 「x1」 → 0"));
    EXPECT_EQ(sink.cells.back(), QStringLiteral("20行目 値: 「x19」 → 18"));
}

TEST(NonNumberCells, HeaderCellsAndAQuotedCellAreNotCountedTwice)
{
    // The header's words and a number in quotes are no substitutes; the quoted non-number shows unquoted.
    EngineState st;
    st.DataList = LineList{"a,b", "\"1\",2", "\"x \"\"y\"\"\",3.5", "4,5"};
    NoteSink sink;
    BuildHistogram(st, BuildControls{}, sink, dot);
    EXPECT_EQ(sink.note, QStringLiteral("数値でないセル 1 個（直前の数値で代用）"));
    EXPECT_EQ(sink.cells, QStringList{QStringLiteral("2行目 a: 「x \"y\"」 → 1")});
}

TEST(NonNumberCells, ValueTextIsTheShortestThatReadsBack)
{
    EXPECT_EQ(ValueText(7, dot), QStringLiteral("7"));
    EXPECT_EQ(ValueText(-3.25, dot), QStringLiteral("-3.25"));
    EXPECT_EQ(ValueText(2.35, NumberFormat{u',', u'.'}), QStringLiteral("2,35"));
    EXPECT_EQ(ValueText(1e-20, dot), QStringLiteral("1.00000000000000E-020"));
    EXPECT_EQ(ValueText(1e19, dot), QStringLiteral("1E19"));
}

} // namespace
