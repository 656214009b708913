#include "engine/FrequencyTable.h"
#include "engine/Build.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tf;

namespace {

const NumberFormat dot{u'.', u','};

class QuietSink : public BuildSink {
public:
    void ClearForBuild(bool, bool) override {}
    void CreateSeries(int, bool) override {}
    void SetSeriesTitles(const QStringList &) override {}
    void SetBinAxisMinimum(double) override {}
    void SetBinAxisMaximum(double) override {}
    void SetKukanValueText(const QString &) override {}
    void AddSeriesPoints(int, const std::vector<double> &, const std::vector<int> &) override {}
    void SetRangeTexts(const QString &, const QString &) override {}
    void AddStatisticsLine(const QString &) override {}
    void SetStatusText(const QString &) override {}
};

BinnedColumns BinnedOf(const EngineState &st)
{
    BinnedColumns b{st.last.minimum, st.last.width, st.last.bins, {}, st.last.counts};
    for (size_t q = 0; q < st.last.counts.size(); ++q)
        b.columns.push_back(&st.serdata[q]);
    return b;
}

// Two columns from 0 to 10 (width 1) drawn over a manual range of 2 to 6: bins 2-3 to 6-7, and the
// values the bins leave out below 2 and from 7 up in rows of their own.
TEST(FrequencyTable, ManualRangeKeepsTheValuesOutsideInRowsOfTheirOwn)
{
    EngineState st;
    st.DataList = LineList(QStringList{"a,b", "0,1", "2,3", "3,3", "4,7", "5,8", "10,2"});
    BuildControls c;
    c.kukanManualSize = true;
    c.kukanMaxValue = QStringLiteral("6");
    c.kukanMinValue = QStringLiteral("2");
    QuietSink sink;
    BuildHistogram(st, c, sink, dot);
    ASSERT_TRUE(st.last.complete);
    const QString expected = QStringLiteral("区間下限\t区間上限\ta\tb\t合計\t累積%\n"
                                            "\t2\t1\t1\t2\t16.7\n"
                                            "2\t3\t1\t1\t2\t33.3\n"
                                            "3\t4\t1\t2\t3\t58.3\n"
                                            "4\t5\t1\t0\t1\t66.7\n"
                                            "5\t6\t1\t0\t1\t75.0\n"
                                            "6\t7\t0\t0\t0\t75.0\n"
                                            "7\t\t1\t2\t3\t100.0\n");
    EXPECT_EQ(FrequencyTableText(BinnedOf(st), QStringList{"a", "b"}, dot), expected);
}

// The automatic range holds every value: no rows outside, edges with the decimals of the width and the
// regional decimal separator, and a series without a column of its own left empty.
TEST(FrequencyTable, AutomaticRangeHasOnlyTheBins)
{
    EngineState st;
    st.DataList = LineList(QStringList{"1", "4", "3", "9"});
    QuietSink sink;
    BuildHistogram(st, BuildControls{}, sink, NumberFormat{u',', u'.'});
    ASSERT_TRUE(st.last.complete);
    const QString table = FrequencyTableText(BinnedOf(st), QStringList{"No0", "No1"}, NumberFormat{u',', u'.'});
    const QStringList rows = table.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), st.last.bins + 2);
    EXPECT_EQ(rows[0], QStringLiteral("区間下限\t区間上限\tNo0\tNo1\t合計\t累積%"));
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("0,8\t1,6\t1\t\t1\t25,0"))) << rows[1].toStdString();
    EXPECT_TRUE(rows.last().endsWith(QStringLiteral("\t100,0")));
    int total = 0;
    for (qsizetype r = 1; r < rows.size(); ++r)
        total += rows[r].split(u'\t')[4].toInt();
    EXPECT_EQ(total, 4);
}

} // namespace
