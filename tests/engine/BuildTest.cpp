#include "engine/Build.h"
#include <QRegularExpression>
#include "engine/Error.h"
#include "engine/Memory.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <numeric>
#include <sys/resource.h>
#include <unistd.h>

using namespace tf;

namespace {

const NumberFormat dot{u'.', u','};

const QString kDivideByZero = QStringLiteral("0 による浮動小数点数除算");
const QString kInvalidOperation = QStringLiteral("不正な浮動小数点数演算命令");
const QString kAxisRefused = QStringLiteral("Axis Minimum Value must be <= Maximum");

// Records every call as one text line; the bin axis refuses a minimum above its maximum and the
// reverse, like the chart does.
class RecordingSink : public BuildSink {
public:
    QStringList calls;
    std::vector<std::vector<int>> counts;     // per AddSeriesPoints call
    std::vector<std::vector<double>> positions;
    double axisMin = 0, axisMax = 0;

    void ClearForBuild(bool manualRange, bool horizontal) override
    {
        calls << QStringLiteral("Clear %1 %2").arg(manualRange).arg(horizontal);
    }
    void CreateSeries(int count, bool horizontal) override
    {
        calls << QStringLiteral("Create %1 %2").arg(count).arg(horizontal);
    }
    void SetSeriesTitles(const QStringList &titles) override { calls << "Titles " + titles.join('|'); }
    void SetBinAxisMinimum(double v) override
    {
        calls << QStringLiteral("AxisMin %1").arg(v);
        if (v > axisMax)
            throw Error(kAxisRefused);
        axisMin = v;
    }
    void SetBinAxisMaximum(double v) override
    {
        calls << QStringLiteral("AxisMax %1").arg(v);
        if (v < axisMin)
            throw Error(kAxisRefused);
        axisMax = v;
    }
    void SetKukanValueText(const QString &text) override { calls << "KukanValue " + text; }
    void AddSeriesPoints(int series, const std::vector<double> &p, const std::vector<int> &c) override
    {
        EXPECT_EQ(p.size(), c.size());
        calls << QStringLiteral("Points %1 n=%2").arg(series).arg(c.size());
        positions.push_back(p);
        counts.push_back(c);
    }
    void SetRangeTexts(const QString &maxText, const QString &minText) override
    {
        calls << "Range " + maxText + " " + minText;
    }
    void AddStatisticsLine(const QString &line) override { calls << "Stat " + line; }
    void SetStatusText(const QString &text) override { calls << "Status " + text; }
};

// Every build either returns or throws; a stopped build's message is returned here.
QString RunBuild(EngineState &st, const BuildControls &c, RecordingSink &sink, const NumberFormat &fmt = dot)
{
    try {
        BuildHistogram(st, c, sink, fmt);
    } catch (const Error &e) {
        return e.message();
    }
    return {};
}

EngineState StateWith(const QStringList &lines)
{
    EngineState st;
    st.DataList = LineList(lines);
    return st;
}

const QStringList kSample = {"3", "7", "12", "25", "31"};
const QString kSampleStat = QStringLiteral("Stat        No0: 平均=  15.60  標準偏差= 11.95  最大値=  31.00  最小値=   3.00");

std::vector<int> BinsOf(std::initializer_list<int> hit, int bins)
{
    std::vector<int> c(size_t(bins) + 1, 0);
    for (int b : hit)
        ++c[size_t(b)];
    return c;
}

TEST(BuildHistogram, OneColumnDrivesTheWindowInOrder)
{
    EngineState st = StateWith(kSample);
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    const QStringList expected = {
        "Clear 0 0",
        "Create 1 0",
        "Titles No0",
        "KukanValue 2.00",
        "Points 0 n=16",
        "Range 32.00 2.00",
        kSampleStat,
        QStringLiteral("Status 倍率 X= 1　単位 [  ]"),
    };
    EXPECT_EQ(sink.calls, expected);
    std::vector<double> xs;
    for (int j = 0; j <= 15; ++j)
        xs.push_back(2 + 2 * j);
    EXPECT_EQ(sink.positions[0], xs);
    EXPECT_EQ(sink.counts[0], BinsOf({0, 2, 5, 11, 14}, 15));
    EXPECT_EQ(st.bunkatu, 15);
    EXPECT_EQ(st.mag, 1.0);
    EXPECT_EQ(st.tani, QString());
    EXPECT_EQ(st.serdata[0], (Tdd{3, 7, 12, 25, 31}));
}

TEST(BuildHistogram, HorizontalOnlyChangesTheSeriesKind)
{
    EngineState st = StateWith(kSample);
    RecordingSink sink;
    BuildControls c;
    c.horizontal = true;
    ASSERT_EQ(RunBuild(st, c, sink), QString());
    EXPECT_EQ(sink.calls.mid(0, 2), (QStringList{"Clear 0 1", "Create 1 1"}));
    EXPECT_EQ(sink.counts[0], BinsOf({0, 2, 5, 11, 14}, 15));
    EXPECT_EQ(sink.positions[0].back(), 32.0);
}

TEST(BuildHistogram, FixedBinCountKeepsTheSnappedRange)
{
    EngineState st = StateWith(kSample);
    st.MBunkatuFlag = true;
    st.ManualDivFlag = true; // with a width text that is not a number: the rounded width stays
    BuildControls c;
    c.kukanValue = "abc";
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, c, sink), QString());
    EXPECT_TRUE(sink.calls.contains("KukanValue 3.00"));
    EXPECT_TRUE(sink.calls.contains("Range 32.00 2.00"));
    EXPECT_EQ(sink.counts[0], BinsOf({0, 1, 3, 7, 9}, 10));
    EXPECT_EQ(st.bunkatu, 10);
    EXPECT_FALSE(st.MBunkatuFlag);
    EXPECT_FALSE(st.ManualDivFlag);
}

TEST(BuildHistogram, LayoutExamples)
{
    struct Case {
        QStringList lines;
        bool manualDiv;
        QString kukanValue;
        QString width, maxText, minText;
        int bunkatu;
    };
    const Case cases[] = {
        // the top value falls into the last bin
        {{"0", "10"}, false, "", "1.00", "10.00", "0.00", 10},
        // 0.87 rounds to 0.8, not 0.9
        {{"1.2", "3.4", "5.0", "9.9"}, false, "", "0.80", "10.40", "0.80", 12},
        // a manual width replaces the rounded one whatever the data
        {kSample, true, "5", "5.00", "35.00", "0.00", 7},
        {kSample, true, " 2.5 ", "2.50", "32.50", "2.50", 12},
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(k.lines);
        st.ManualDivFlag = k.manualDiv;
        BuildControls c;
        c.kukanValue = k.kukanValue;
        RecordingSink sink;
        ASSERT_EQ(RunBuild(st, c, sink), QString()) << k.lines.join(' ').toStdString();
        EXPECT_TRUE(sink.calls.contains("KukanValue " + k.width)) << sink.calls.join('\n').toStdString();
        EXPECT_TRUE(sink.calls.contains("Range " + k.maxText + " " + k.minText)) << sink.calls.join('\n').toStdString();
        EXPECT_EQ(st.bunkatu, k.bunkatu);
        const std::vector<int> &counts = sink.counts.at(0);
        EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0), k.lines.size());
    }
    EngineState st = StateWith({"0", "10"});
    RecordingSink sink;
    RunBuild(st, BuildControls{}, sink);
    EXPECT_EQ(sink.counts[0], BinsOf({0, 10}, 10));
}

TEST(BuildHistogram, ManualRangeUsesTheEditsTimesMag)
{
    EngineState st = StateWith(kSample);
    st.mag = 1000; // the automatic scale does not run with the manual range on
    st.tani = "K";
    BuildControls c;
    c.kukanManualSize = true;
    c.kukanMaxValue = "32.00";
    c.kukanMinValue = "2.00";
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, c, sink), QString());
    const QStringList expected = {
        "Clear 1 0",
        "Create 1 0",
        "Titles No0",
        "AxisMin -1e+10",
        "AxisMax 32000",
        "AxisMin 2000",
        "KukanValue 2000.00",
        "Points 0 n=16",
        QStringLiteral("Stat        No0: 平均=15600.00  標準偏差=11949.90  最大値=31000.00  最小値=3000.00"),
        QStringLiteral("Status 倍率 X= 1,000　単位 [ K ]"),
    };
    EXPECT_EQ(sink.calls, expected);
    EXPECT_EQ(st.mag, 1000.0);
    EXPECT_EQ(st.serdata[0], (Tdd{3000, 7000, 12000, 25000, 31000}));
}

TEST(BuildHistogram, ManualRangeTextsThatAreNotNumbers)
{
    // maximum not a number: 0; minimum not a number: the number read for the maximum
    struct Case {
        QString maxText, minText;
        QStringList axis;
    };
    const Case cases[] = {
        {"40", "x", {"AxisMin -1e+10", "AxisMax 40", "AxisMin 40"}},
        {"x", "-10", {"AxisMin -1e+10", "AxisMax 0", "AxisMin -10"}},
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(kSample);
        BuildControls c;
        c.kukanManualSize = true;
        c.kukanMaxValue = k.maxText;
        c.kukanMinValue = k.minText;
        c.bunkatuSize = 10;
        st.MBunkatuFlag = true;
        RecordingSink sink;
        RunBuild(st, c, sink);
        EXPECT_EQ(sink.calls.mid(3, 3), k.axis);
    }
}

TEST(BuildHistogram, HeaderRowTitlesAndTwoColumns)
{
    EngineState st = StateWith({"a,b", "1,10", "2,20", "3,30"});
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_EQ(sink.calls.mid(0, 3), (QStringList{"Clear 0 0", "Create 2 0", "Titles a|b"}));
    const QStringList stats = sink.calls.filter(QRegularExpression("^Stat "));
    ASSERT_EQ(stats.size(), 2);
    EXPECT_TRUE(stats[0].startsWith("Stat          a: "));
    EXPECT_TRUE(stats[1].startsWith("Stat          b: "));
    EXPECT_EQ(sink.calls.filter(QRegularExpression("^Points ")), (QStringList{"Points 0 n=16", "Points 1 n=16"}));
}

TEST(BuildHistogram, FirstCellDecidesTheHeader)
{
    struct Case {
        QStringList lines;
        QString titles;
        Tdd column0;
    };
    const Case cases[] = {
        {{"d1,x", "1,2", "3,4"}, "Titles d1|x", {1, 3}},
        {{" d 1 ,\"x,y\"", "1,2", "3,4"}, "Titles  d 1 |x,y", {1, 3}}, // titles keep their spaces
        {{"1,abc", "2,def"}, "Titles No0|No1", {1, 2}},                  // numeric first cell: data
        {{".,5", "1,2"}, "Titles No0|No1", {0, 1}},                      // a lone separator reads as 0
        {{"\"12\",1", " 7,2"}, "Titles No0|No1", {12, 7}},
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(k.lines);
        st.ManualDivFlag = true;
        BuildControls c;
        c.kukanValue = "1";
        RecordingSink sink;
        ASSERT_EQ(RunBuild(st, c, sink), QString()) << k.lines.join('|').toStdString();
        EXPECT_EQ(sink.calls.at(2), k.titles);
        EXPECT_EQ(st.serdata[0], k.column0);
    }
}

TEST(BuildHistogram, LongTitleStandsWhole)
{
    EngineState st = StateWith({"Temperature in C", "1", "2"});
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_TRUE(sink.calls.contains(
        QStringLiteral("Stat Temperature in C: 平均=   1.50  標準偏差=  0.71  最大値=   2.00  最小値=   1.00")));
}

TEST(BuildHistogram, StatusTextShowsTheScale)
{
    struct Case {
        QStringList lines;
        QString status;
    };
    const Case cases[] = {
        {{"1234", "2000"}, QStringLiteral("Status 倍率 X= 0　単位 [ K ]")},
        {{"0.005", "0.007"}, QStringLiteral("Status 倍率 X= 1,000　単位 [ m ]")},
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(k.lines);
        RecordingSink sink;
        ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
        EXPECT_EQ(sink.calls.back(), k.status);
    }
}

TEST(BuildHistogram, FewerThanTwoLinesChangesNothing)
{
    EngineState st = StateWith({"5"});
    st.mag = 3;
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_TRUE(sink.calls.isEmpty());
    EXPECT_EQ(st.bunkatu, 10);
    EXPECT_EQ(st.DataList.size(), 1);

    // the count includes empty lines: one row and an empty line build
    EngineState two = StateWith({"5,6", ""});
    two.ManualDivFlag = true;
    two.DataList = LineList{"1,2", ""};
    BuildControls c;
    c.kukanValue = "1";
    ASSERT_EQ(RunBuild(two, c, sink), QString());
    EXPECT_EQ(sink.calls.mid(1, 2), (QStringList{"Create 2 0", "Titles No0|No1"}));
    EXPECT_EQ(two.DataList.size(), 1);
    EXPECT_EQ(two.serdata[1], Tdd{2});
}

TEST(BuildHistogram, TrailingDelimiterAddsAColumnAndASeries)
{
    EngineState st = StateWith({"1,2,", "3,4,"});
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_TRUE(sink.calls.contains("Titles No0|No1|No2"));
    // the empty cells take the last number read before them: 4, the bottom of column 1
    EXPECT_EQ(st.serdata[2], (Tdd{4, 4}));
}

// ---- stopped builds ----------------------------------------------------------------------

TEST(BuildHistogram, NoLineLeftAfterEmptyLines)
{
    EngineState st = StateWith({"", ""});
    BuildControls c;
    c.bunkatuSize = 20;
    RecordingSink sink;
    EXPECT_EQ(RunBuild(st, c, sink), QStringLiteral("リストのインデックスが範囲を超えています (0)"));
    EXPECT_EQ(sink.calls, QStringList{"Clear 0 0"});
    EXPECT_EQ(st.bunkatu, 20);
    EXPECT_TRUE(st.DataList.isEmpty());
}

TEST(BuildHistogram, HeaderWithoutDataRow)
{
    EngineState st = StateWith({"a,b", ""});
    st.mag = 5;
    st.tani = "M";
    RecordingSink sink;
    EXPECT_EQ(RunBuild(st, BuildControls{}, sink), QStringLiteral("リストのインデックスが範囲を超えています (1)"));
    EXPECT_EQ(sink.calls, (QStringList{"Clear 0 0", "Create 2 0", "Titles a|b"}));
    EXPECT_EQ(st.mag, 5.0);
    EXPECT_EQ(st.tani, "M");
}

TEST(BuildHistogram, ZeroWidthAtSnapping)
{
    struct Case {
        QStringList lines;
        QString message;
    };
    const Case cases[] = {
        {{"5000", ""}, kDivideByZero},
        {{"0", "0"}, kInvalidOperation},
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(k.lines);
        st.MBunkatuFlag = true;
        RecordingSink sink;
        EXPECT_EQ(RunBuild(st, BuildControls{}, sink), k.message);
        // series with titles, no points; the new scale; flags still set
        EXPECT_EQ(sink.calls, (QStringList{"Clear 0 0", "Create 1 0", "Titles No0"}));
        EXPECT_TRUE(st.MBunkatuFlag);
        EXPECT_FALSE(st.serdata[0].empty());
    }
    EngineState st = StateWith({"5000", ""});
    RecordingSink sink;
    RunBuild(st, BuildControls{}, sink);
    EXPECT_EQ(st.tani, "K");
    EXPECT_EQ(st.serdata[0], Tdd{5});

    // a manual width of zero is the same
    EngineState zero = StateWith(kSample);
    zero.ManualDivFlag = true;
    BuildControls c;
    c.kukanValue = "0";
    EXPECT_EQ(RunBuild(zero, c, sink), kDivideByZero);
    EXPECT_TRUE(zero.ManualDivFlag);
}

TEST(BuildHistogram, AxisRefusesTheManualRange)
{
    struct Case {
        QString maxText, minText;
        QString lastCall;
    };
    const Case cases[] = {
        {"10", "20", "AxisMin 20"},           // minimum above maximum
        {"-2e10", "-3e10", "AxisMax -2e+10"}, // maximum below -1e10
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(kSample);
        BuildControls c;
        c.kukanManualSize = true;
        c.kukanMaxValue = k.maxText;
        c.kukanMinValue = k.minText;
        RecordingSink sink;
        EXPECT_EQ(RunBuild(st, c, sink), kAxisRefused);
        EXPECT_EQ(sink.calls.back(), k.lastCall);
        EXPECT_TRUE(sink.calls.filter("KukanValue").isEmpty());
    }
}

TEST(BuildHistogram, ZeroWidthAtCounting)
{
    struct Case {
        QString limit;
        QString message;
    };
    const Case cases[] = {
        {"5", kDivideByZero},      // first value 3 minus 5
        {"3", kInvalidOperation},  // first value 3 minus 3
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(kSample);
        st.MBunkatuFlag = true;
        BuildControls c;
        c.kukanManualSize = true;
        c.kukanMaxValue = k.limit;
        c.kukanMinValue = k.limit;
        RecordingSink sink;
        EXPECT_EQ(RunBuild(st, c, sink), k.message);
        EXPECT_EQ(sink.calls.back(), "KukanValue 0.00");
        EXPECT_TRUE(st.MBunkatuFlag);
    }
}

TEST(BuildHistogram, ColumnWithoutSeries)
{
    EngineState st = StateWith({"a", "1,2", "3,4"});
    RecordingSink sink;
    EXPECT_EQ(RunBuild(st, BuildControls{}, sink), QStringLiteral("引数が範囲外です"));
    EXPECT_EQ(sink.calls.back(), "Points 0 n=11");
    EXPECT_EQ(st.serdata[1], (Tdd{2, 4}));
}

// ---- mended faults -----------------------------------------------------------------------

TEST(BuildHistogram, ValuesOutsideTheBinsAreNotCounted)
{
    // the downward walk stops after 100 steps: range 94..194, the 0 lies below it
    EngineState st = StateWith({"0", "194"});
    BuildControls c;
    c.bunkatuSize = 100;
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, c, sink), QString());
    EXPECT_TRUE(sink.calls.contains("Range 194.00 94.00"));
    EXPECT_EQ(sink.counts[0], BinsOf({100}, 100));

    // a manual range that leaves data on both sides; less than one width below still truncates to bin 0
    EngineState manual = StateWith({"1", "9.5", "15", "20", "35"});
    manual.MBunkatuFlag = true;
    BuildControls m;
    m.kukanManualSize = true;
    m.kukanMaxValue = "30";
    m.kukanMinValue = "10";
    RecordingSink ms;
    ASSERT_EQ(RunBuild(manual, m, ms), QString());
    EXPECT_EQ(ms.counts[0], BinsOf({0, 2, 5}, 10));
}

TEST(BuildHistogram, TooManyBinsStopsBeforeTheWidthText)
{
    struct Case {
        QStringList lines;
        bool manualDiv;
        QString width;
        bool manualRange;
        QString maxText, minText;
    };
    const Case cases[] = {
        {kSample, true, "0.1", true, "30", "0"},        // derived count 300
        {{"1e17", "100000000000000064"}, false, "", false, "", ""}, // quotient beyond 32 bits
        {kSample, true, "1e-300", false, "", ""},
        {kSample, false, "", true, "1000", "0"},        // wide manual range
    };
    for (const Case &k : cases) {
        EngineState st = StateWith(k.lines);
        st.ManualDivFlag = k.manualDiv;
        BuildControls c;
        c.kukanValue = k.width;
        c.kukanManualSize = k.manualRange;
        c.kukanMaxValue = k.maxText;
        c.kukanMinValue = k.minText;
        c.bunkatuSize = 12;
        RecordingSink sink;
        EXPECT_EQ(RunBuild(st, c, sink), QStringLiteral("区間の数が上限の100を超えています")) << k.lines.join(' ').toStdString();
        EXPECT_TRUE(sink.calls.filter("KukanValue").isEmpty());
        EXPECT_EQ(st.bunkatu, 12);
        EXPECT_EQ(st.ManualDivFlag, k.manualDiv);
    }
}

TEST(BuildHistogram, NegativeManualWidth)
{
    EngineState st = StateWith(kSample);
    st.ManualDivFlag = true;
    BuildControls c;
    c.kukanValue = "-2";
    c.kukanManualSize = true;
    c.kukanMaxValue = "30";
    c.kukanMinValue = "0";
    RecordingSink sink;
    EXPECT_EQ(RunBuild(st, c, sink), QStringLiteral("区間分割値には正の数を指定してください"));
    EXPECT_EQ(sink.calls.back(), "Titles No0"); // before any axis call
    EXPECT_TRUE(st.ManualDivFlag);
}

TEST(BuildHistogram, MoreThan21ColumnsStopsBeforeTheScale)
{
    QStringList row;
    for (int i = 0; i < 22; ++i)
        row << QString::number(1000 + i);
    EngineState st = StateWith({row.join(','), row.join(',')});
    st.mag = 1;
    st.tani = "";
    RecordingSink sink;
    EXPECT_EQ(RunBuild(st, BuildControls{}, sink), QStringLiteral("列の数が上限の21を超えています"));
    EXPECT_EQ(sink.calls.mid(0, 2), (QStringList{"Clear 0 0", "Create 22 0"}));
    EXPECT_EQ(sink.calls.size(), 3);
    EXPECT_EQ(st.tani, QString());
    EXPECT_TRUE(st.serdata[0].empty());

    // exactly 21 columns build
    row.removeLast();
    EngineState ok = StateWith({row.join(','), row.join(',')});
    EXPECT_EQ(RunBuild(ok, BuildControls{}, sink), QString());
    EXPECT_EQ(ok.serdata[20], (Tdd{1.020, 1.020}));
}

TEST(BuildHistogram, FirstLineOfMoreThan1000CellsStopsBeforeAnySeries)
{
    const QString wide = QStringLiteral("a,").repeated(1000); // 1001 cells, the last one empty
    EngineState st = StateWith({wide, "1,2"});
    RecordingSink sink;
    EXPECT_EQ(RunBuild(st, BuildControls{}, sink), QStringLiteral("1行目のセルの数が上限の1000を超えています"));
    EXPECT_EQ(sink.calls, QStringList{"Clear 0 0"});

    // 1000 cells still build, the series past the columns saying they have no data
    EngineState ok = StateWith({QStringLiteral("a,").repeated(999) + "a", "1,2", "3,4"});
    RecordingSink okSink;
    EXPECT_EQ(RunBuild(ok, BuildControls{}, okSink), QString());
    EXPECT_TRUE(okSink.calls.contains("Create 1000 0"));
}

// How far a build raised the process's peak memory, or -1 where it cannot be told.
qint64 PeakRiseOfBuild(EngineState &st, RecordingSink &sink, QString &message)
{
    const bool measured = tftest::ResetPeakMemory();
    const qint64 before = tftest::MemoryBytes("VmHWM");
    message = RunBuild(st, BuildControls{}, sink);
    return measured ? tftest::MemoryBytes("VmHWM") - before : -1;
}

TEST(BuildHistogram, EndlessFirstLineIsRefusedWithoutSplittingIt)
{
    // 8 MB of cells: split whole, it would take hundreds of megabytes
    constexpr qsizetype bytes = 8 << 20;
    QByteArray text = QByteArray("1,").repeated(bytes / 2) + "1\n2\n";
    EngineState st;
    st.DataList = LineList::fromUtf8(std::move(text));
    RecordingSink sink;
    QString message;
    const qint64 rise = PeakRiseOfBuild(st, sink, message);
    EXPECT_EQ(message, QStringLiteral("1行目のセルの数が上限の1000を超えています"));
    EXPECT_EQ(sink.calls, QStringList{"Clear 0 0"});
    if (rise < 0)
        GTEST_SKIP() << "the system tells no peak memory";
    EXPECT_LT(rise, bytes / 2) << "peak rose by " << rise << " bytes";
}

TEST(BuildHistogram, HugeHeaderCellIsHeldOnceAndCut)
{
    // one header cell of 8 MB, then data: no title, line or copy holds more of it than can be shown
    constexpr qsizetype bytes = 8 << 20;
    QByteArray text = QByteArray("header ").repeated(bytes / 7) + "\n1\n2\n";
    const QString shown = QString::fromLatin1(text.first(LongestShownCell));
    EngineState st;
    st.DataList = LineList::fromUtf8(std::move(text));
    RecordingSink sink;
    QString message;
    const qint64 rise = PeakRiseOfBuild(st, sink, message);
    EXPECT_EQ(message, QString());
    EXPECT_TRUE(sink.calls.contains("Titles " + shown));
    const QStringList stats = sink.calls.filter(QRegularExpression("^Stat "));
    ASSERT_EQ(stats.size(), 1);
    EXPECT_TRUE(stats[0].startsWith("Stat " + shown + QStringLiteral(": 平均=   1.50")));
    // the rebuild for a new bin count cuts it the same way
    RecordingSink again;
    EXPECT_EQ(RunBuild(st, BuildControls{}, again), QString());
    EXPECT_EQ(again.calls.filter(QRegularExpression("^Stat ")), stats);
    if (rise < 0)
        GTEST_SKIP() << "the system tells no peak memory";
    EXPECT_LT(rise, bytes / 2) << "peak rose by " << rise << " bytes";
}

TEST(BuildHistogram, SingleValueHasZeroDeviation)
{
    EngineState st = StateWith({"a,b", "1,5", "2"});
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_TRUE(sink.calls.contains(
        QStringLiteral("Stat          b: 平均=   5.00  標準偏差=  0.00  最大値=   5.00  最小値=   5.00")));
}

TEST(BuildHistogram, SeriesWithoutColumnSaysNoData)
{
    EngineState st = StateWith({"a,b,c", "1,2", "3,4"});
    st.serdata[2] = {99, 98}; // left from an earlier, wider input
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("Stat          c: データなし")));
    EXPECT_EQ(st.serdata[2], (Tdd{99, 98}));
    EXPECT_EQ(sink.calls.filter(QRegularExpression("^Points ")).size(), 2);
}

TEST(BuildHistogram, ValuesBeyondTheLargestDoubleAfterScaling)
{
    // the sample sets mag 1E12; the second value then overflows
    EngineState st = StateWith({"1e-12", "1e300"});
    RecordingSink sink;
    EXPECT_EQ(RunBuild(st, BuildControls{}, sink), QStringLiteral("浮動小数点数オーバーフロー"));
    EngineState wide = StateWith({"-1e308", "1e308"});
    EXPECT_EQ(RunBuild(wide, BuildControls{}, sink), QStringLiteral("浮動小数点数オーバーフロー"));

    // finite values whose sum is not: the bars stand, the statistics stop the build
    EngineState sum = StateWith({"a,b", "1,1e308", "2,1.5e308"});
    RecordingSink partial;
    EXPECT_EQ(RunBuild(sum, BuildControls{}, partial), QStringLiteral("浮動小数点数オーバーフロー"));
    EXPECT_TRUE(partial.calls.back().startsWith("Stat          a: ")) << partial.calls.back().toStdString();
    EXPECT_EQ(partial.calls.filter(QRegularExpression("^Points ")).size(), 2);
}

TEST(BuildHistogram, ColumnsCountedSideBySideAsOneAlone)
{
    // Every column holds the same values, 0.00 to 999.99, each in an order of its own; the table is
    // large enough to be scaled and counted on several processors, a column on its own is not.
    constexpr int rows = 100000;
    QStringList table{"a,b,c,d"}, single{"a"};
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        for (int q = 0; q < 4; ++q)
            cells << QString::number(double((qint64(r) * 7919 + q * 104729) % rows) / 100.0, 'f', 2);
        table << cells.join(',');
        single << cells[0];
    }
    EngineState wide = StateWith(table), alone = StateWith(single);
    RecordingSink wideSink, aloneSink;
    ASSERT_EQ(RunBuild(wide, BuildControls{}, wideSink), QString());
    ASSERT_EQ(RunBuild(alone, BuildControls{}, aloneSink), QString());
    ASSERT_EQ(wideSink.counts.size(), 4u);
    ASSERT_EQ(aloneSink.counts.size(), 1u);
    EXPECT_EQ(std::accumulate(aloneSink.counts[0].begin(), aloneSink.counts[0].end(), 0), rows);
    const QStringList stats = wideSink.calls.filter(QRegularExpression("^Stat "));
    const QString aloneStat = aloneSink.calls.filter(QRegularExpression("^Stat ")).value(0);
    ASSERT_EQ(stats.size(), 4);
    for (int q = 0; q < 4; ++q) {
        EXPECT_EQ(wideSink.counts[size_t(q)], aloneSink.counts[0]) << "column " << q;
        EXPECT_EQ(stats[q].mid(stats[q].indexOf(u':')), aloneStat.mid(aloneStat.indexOf(u':'))) << "column " << q;
    }
    EXPECT_EQ(wide.serdata[0], alone.serdata[0]);
}

// ---- the parsed table is kept between builds ----------------------------------------------

TEST(BuildHistogram, RebuildAfterSettingsChangeMatchesAFreshBuild)
{
    const QStringList lines = {"x,y", "0.012,3", "0.5,q", "0.031,7", "0.02,1"};
    auto settle = [](EngineState &st, BuildControls &c) {
        c.bunkatuSize = 4;
        st.MBunkatuFlag = true;
    };
    EngineState cached = StateWith(lines);
    RecordingSink first;
    ASSERT_EQ(RunBuild(cached, BuildControls{}, first), QString());
    BuildControls c;
    settle(cached, c);
    RecordingSink again;
    ASSERT_EQ(RunBuild(cached, c, again), QString());

    EngineState fresh = StateWith(lines);
    BuildControls fc;
    settle(fresh, fc);
    RecordingSink direct;
    ASSERT_EQ(RunBuild(fresh, fc, direct), QString());
    EXPECT_EQ(again.calls, direct.calls);
    EXPECT_EQ(again.counts, direct.counts);
    EXPECT_EQ(cached.serdata, fresh.serdata);
    EXPECT_NE(first.calls, again.calls);

    // a changed magnification in manual mode rescales the kept values
    cached.mag = 2;
    cached.MBunkatuFlag = true;
    BuildControls manual;
    manual.kukanManualSize = true;
    manual.kukanMaxValue = "100";
    manual.kukanMinValue = "0";
    RecordingSink scaled;
    ASSERT_EQ(RunBuild(cached, manual, scaled), QString());
    EXPECT_EQ(cached.serdata[1], (Tdd{6, 6, 14, 2}));
}

TEST(BuildHistogram, AScalingStoppedByOverflowIsRedoneByTheNextBuild)
{
    // manual mode keeps mag; column 0 is scaled before column 1 overflows
    EngineState st = StateWith({"1,1e150", "2,2e150"});
    BuildControls manual;
    manual.kukanManualSize = true;
    manual.kukanMaxValue = "10";
    manual.kukanMinValue = "0";
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, manual, sink), QString());
    st.mag = 1e160;
    EXPECT_EQ(RunBuild(st, manual, sink), QStringLiteral("浮動小数点数オーバーフロー"));
    st.mag = 1;
    RecordingSink again;
    ASSERT_EQ(RunBuild(st, manual, again), QString());
    EXPECT_EQ(st.serdata[0], (Tdd{1, 2}));
    EXPECT_EQ(st.serdata[1], (Tdd{1e150, 2e150}));
}

TEST(BuildHistogram, NewDataOrSeparatorIsReadAgain)
{
    EngineState st = StateWith({"1", "2", "3"});
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    st.DataList = LineList{"4", "5", "6"}; // same shape, new text
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_EQ(st.serdata[0], (Tdd{4, 5, 6}));
    st.DataList.append(u"7");
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    EXPECT_EQ(st.serdata[0], (Tdd{4, 5, 6, 7}));

    EngineState tab = StateWith({"7\t1", "1,5\t2", "2,5\t3"});
    ASSERT_EQ(RunBuild(tab, BuildControls{}, sink, dot), QString());
    EXPECT_EQ(tab.serdata[0], (Tdd{7, 7, 7})); // "1,5" is no number with a period; the 7 stands in
    ASSERT_EQ(RunBuild(tab, BuildControls{}, sink, NumberFormat{u',', u'.'}), QString());
    EXPECT_EQ(tab.serdata[0], (Tdd{7, 1.5, 2.5}));
}

// A table whose columns would not fit in the memory left stops before serdata changes; room the
// columns already have is counted as theirs.
TEST(BuildHistogram, ATableTooLargeForTheMemoryLeftStopsBeforeTheColumnsChange)
{
    EngineState st = StateWith({"1,10", "2,20", "3,30"});
    RecordingSink sink;
    ASSERT_EQ(RunBuild(st, BuildControls{}, sink), QString());
    QStringList rows;
    for (int i = 0; i < 1000; ++i)
        rows += QStringLiteral("%1,%2").arg(i).arg(i * 2);
    st.DataList = LineList(rows);
    constexpr qint64 Needed = (1000 - 3) * 2 * 8; // the old columns' room is reused
    SetAvailableMemoryForTesting(Needed - 1);
    const QString stopped = RunBuild(st, BuildControls{}, sink);
    const Tdd keptAfterStop = st.serdata[1];
    SetAvailableMemoryForTesting(Needed);
    const QString built = RunBuild(st, BuildControls{}, sink);
    SetAvailableMemoryForTesting(-1);
    EXPECT_EQ(stopped, NotEnoughMemoryReason(Needed, Needed - 1));
    EXPECT_EQ(keptAfterStop, (Tdd{10, 20, 30}));
    EXPECT_EQ(stopped, QStringLiteral("メモリが足りません（必要 約 16 KB、空き 約 16 KB）"));
    EXPECT_EQ(built, QString());
    EXPECT_EQ(st.serdata[1].size(), 1000u);
    EXPECT_EQ(st.serdata[1].back(), 1998.0);
}

TEST(AvailableMemory, StaysWithinTheAddressSpaceLimit)
{
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const qint64 used = statm.readAll().split(' ').value(0).toLongLong() * sysconf(_SC_PAGESIZE);
    constexpr qint64 Room = qint64(256) << 20;
    rlimit tight = old;
    tight.rlim_cur = rlim_t(used + Room);
    if (old.rlim_max != RLIM_INFINITY && tight.rlim_cur > old.rlim_max)
        GTEST_SKIP() << "the hard limit is lower";
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    const qint64 available = AvailableMemory();
    setrlimit(RLIMIT_AS, &old);
    EXPECT_LE(available, Room);
    EXPECT_GT(available, Room - (qint64(64) << 20));
}

} // namespace
