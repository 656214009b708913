// Texts the chart draws: label steps the user sets, the decimal separator of the labels, text blocks kept
// inside the panel, and the legend of a chart without series.
#include "ChartTestSupport.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <cmath>

using namespace charttest;

namespace {

// Fixes an axis to [minimum, maximum] with the given label step, as the setting commands do.
void fixAxis(TChartAxis &axis, double minimum, double maximum, double step)
{
    axis.Automatic = false;
    axis.Minimum = -1e10;
    axis.Maximum = maximum;
    axis.Minimum = minimum;
    axis.Increment = step;
}

QStringList textsOf(const QVector<ChartLayout::AxisLabel> &labels)
{
    QStringList texts;
    for (const auto &label : labels)
        texts += label.text;
    return texts;
}

void expectNoOverlap(const QVector<ChartLayout::AxisLabel> &labels)
{
    for (qsizetype i = 1; i < labels.size(); ++i)
        EXPECT_FALSE(labels[i - 1].rect.intersects(labels[i].rect))
            << labels[i - 1].text.toStdString() << " / " << labels[i].text.toStdString();
}

QStringList multiples(int from, int to, int step)
{
    QStringList texts;
    for (int v = from; v <= to; v += step)
        texts += QString::number(v);
    return texts;
}

struct StepCase {
    const char *name;
    bool bottom; // the step is set on the bottom axis (horizontal bars count along it)
    double minimum, maximum, step;
    QStringList expected;
};
TF_PRINT_CASE_AS_NAME(StepCase)

class LabelStepTest : public ::testing::TestWithParam<StepCase> {};

} // namespace

TEST_P(LabelStepTest, ASetStepIsKeptWhereItsLabelsFit)
{
    const StepCase &k = GetParam();
    TChart c;
    if (k.bottom)
        addBars<THorizBarSeries>(c, {{3, 0}, {8, 10}});
    else
        addBars(c, {{0, 3}, {10, 8}});
    fixAxis(k.bottom ? c.BottomAxis : c.LeftAxis, k.minimum, k.maximum, k.step);
    const Rendered r = render(c);
    const auto &labels = k.bottom ? r.layout.bottomLabels : r.layout.leftLabels;
    EXPECT_EQ(textsOf(labels), k.expected);
    expectNoOverlap(labels);
}

INSTANTIATE_TEST_SUITE_P(
    ChartText, LabelStepTest,
    ::testing::Values(StepCase{"Left0To20Step1", false, 0, 20, 1, multiples(0, 20, 1)},
                      StepCase{"Left0To175Step10", false, 0, 175, 10, multiples(0, 170, 10)},
                      StepCase{"Bottom0To175Step10", true, 0, 175, 10, multiples(0, 170, 10)},
                      StepCase{"Bottom0To20Step1", true, 0, 20, 1, multiples(0, 20, 1)}),
    tftest::CaseName());

TEST(ChartText, ASetStepTooTightIsWidenedToTheNextMultipleThatFits)
{
    TChart c;
    addBars(c, {{0, 3}, {10, 8}});
    for (const double step : {1.0, 3.0, 7.0}) {
        fixAxis(c.LeftAxis, 0, 1000, step);
        const Rendered r = render(c);
        const auto &labels = r.layout.leftLabels;
        ASSERT_GE(labels.size(), 2) << step;
        expectNoOverlap(labels);
        const double shown = labels[1].value - labels[0].value;
        const double k = shown / step;
        EXPECT_NEAR(k, std::round(k), 1e-9) << step;
        // One multiple less would put neighbours closer than a label is tall.
        const QFontMetrics fm(ChartFont(c.LeftAxis.LabelsFont));
        const double pixelsPerUnit = r.layout.plot.height() / 1000.0;
        EXPECT_LT((shown - step) * pixelsPerUnit, fm.height() + 1) << step;
    }
}

TEST(ChartText, AxisLabelsUseTheDecimalSeparatorOfTheNumberTexts)
{
    TChart c;
    addBars(c, {{1.0, 3}, {1.2, 8}});
    fixAxis(c.BottomAxis, 1.0, 1.6, 0.2);
    const QStringList comma = textsOf(LayoutChart(c, QSize(621, 512), NumberFormat{u',', u'.'}).bottomLabels);
    EXPECT_EQ(comma, (QStringList{"1,0", "1,2", "1,4", "1,6"}));
    const QStringList period = textsOf(LayoutChart(c, QSize(621, 512), NumberFormat{u'.', u','}).bottomLabels);
    EXPECT_EQ(period, (QStringList{"1.0", "1.2", "1.4", "1.6"}));
}

TEST(ChartText, TextBlocksStayInsideThePanelAtEverySize)
{
    const QString longLine = QString(300, u'W') + QStringLiteral(" 終わり");
    const QString statistics = QStringLiteral("  Temperatur: 平均=1234.00  標準偏差=  0.50  最大値=  31.00  最小値=   3.00")
                                   .repeated(4);
    for (const QSize size : {QSize(310, 256), QSize(621, 512), QSize(1242, 1024)}) {
        for (const TAlignment align : {taCenter, taLeftJustify, taRightJustify}) {
            const auto chartWith = [&](TChart &c, bool blank) {
                c.Shadow.Visible = true;
                c.Border.Visible = true;
                c.Title.Alignment = align;
                c.Title.Text.Clear();
                c.Title.Text.Add(blank ? QStringLiteral(" ") : longLine);
                c.Title.Text.Add(blank ? QStringLiteral(" ") : QStringLiteral("短い行"));
                c.SubTitle.Text.Add(blank ? QStringLiteral(" ") : statistics);
                addBars(c, {{0, 1}, {10, 2}}, QStringLiteral("a"));
            };
            TChart withText, blank;
            chartWith(withText, false);
            chartWith(blank, true);
            const Rendered a = render(withText, size), b = render(blank, size);
            const QRect inner = a.layout.textClip;
            ASSERT_FALSE(inner.isEmpty());
            EXPECT_TRUE(a.layout.panel.adjusted(1, 1, -1, -1).contains(inner));
            // Border, margins and shadow strip are untouched by the text.
            int differ = 0;
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    if (!inner.contains(x, y) && a.image.pixel(x, y) != b.image.pixel(x, y))
                        ++differ;
            EXPECT_EQ(differ, 0) << size.width() << " align " << align;
            // The over-wide line keeps its start at the left margin; the short line keeps its place.
            ASSERT_EQ(a.layout.titleLines.size(), 2);
            EXPECT_EQ(a.layout.titleBlock.left(), inner.left());
            EXPECT_EQ(a.layout.titleBlock.width(), inner.width());
            EXPECT_EQ(a.layout.titleLines[0].rect.left(), inner.left());
            EXPECT_EQ(a.layout.titleLines[0].alignment, Qt::AlignLeft);
            const QRect startOfLine(inner.left(), a.layout.titleLines[0].rect.top(), 40,
                                    a.layout.titleLines[0].rect.height());
            EXPECT_NE(a.image.copy(startOfLine), b.image.copy(startOfLine)) << size.width();
            // The title's lines are centred in their block, which the long line makes as wide as the panel allows.
            EXPECT_EQ(a.layout.titleLines[1].alignment, Qt::AlignHCenter);
            const QRect first = a.layout.titleLines[0].rect;
            EXPECT_EQ(a.layout.titleLines[1].rect, first.translated(0, first.height()));
        }
    }
}

TEST(ChartText, NoSeriesOrNoVisibleSeriesMeansNoLegend)
{
    for (const bool withHiddenSeries : {false, true}) {
        TChart c, without;
        without.Legend.Visible = false;
        if (withHiddenSeries) {
            for (TChart *chart : {&c, &without})
                addBars(*chart, {{0, 1}, {10, 2}}, QStringLiteral("a"))->Active = false;
        }
        const Rendered r = render(c), plain = render(without);
        EXPECT_TRUE(r.layout.legend.isNull()) << withHiddenSeries;
        EXPECT_TRUE(r.layout.legendEntries.isEmpty()) << withHiddenSeries;
        // No frame is drawn and the plot area keeps the legend's room.
        EXPECT_EQ(r.layout.plot, plain.layout.plot) << withHiddenSeries;
        EXPECT_TRUE(r.image == plain.image) << withHiddenSeries;
    }
}

namespace {

struct LegendCase {
    const char *name;
    TLegendAlignment alignment;
    QSize size;
    bool longTitles;
    bool allShown; // every series keeps an entry of its own
};
TF_PRINT_CASE_AS_NAME(LegendCase)

class LegendRoom : public ::testing::TestWithParam<LegendCase> {};

// Thirteen series with the chart's border and shadow on, their titles long or short.
void addThirteen(TChart &c, bool longTitles)
{
    c.Shadow.Visible = true;
    c.Border.Visible = true;
    for (int k = 0; k < 13; ++k)
        addBars(c, {{0, 1.0 + k}, {10, 2}},
                longTitles ? QStringLiteral("第%1ロット 外径測定値（検査工程B・恒温室）").arg(k + 1)
                           : QStringLiteral("L%1").arg(k + 1));
}

} // namespace

// Whatever the number of series and the room, the legend stays inside the panel's margins: more columns or
// rows where they fit, else fewer entries and a last one that counts the rest.
TEST_P(LegendRoom, StaysInsideThePanelAndCountsTheSeriesWithoutRoom)
{
    const LegendCase &k = GetParam();
    TChart c, without;
    addThirteen(c, k.longTitles);
    addThirteen(without, k.longTitles);
    c.Legend.Alignment = k.alignment;
    without.Legend.Visible = false;
    const Rendered r = render(c, k.size), plain = render(without, k.size);
    const QRect inner = r.layout.textClip;
    ASSERT_FALSE(r.layout.legendEntries.isEmpty());
    EXPECT_TRUE(inner.contains(r.layout.legend)) << "legend " << r.layout.legend.x() << "," << r.layout.legend.y() << " "
                                                 << r.layout.legend.width() << "x" << r.layout.legend.height();
    for (const auto &e : r.layout.legendEntries) {
        EXPECT_TRUE(r.layout.legend.contains(e.text)) << e.series;
        EXPECT_TRUE(e.swatch.isNull() || r.layout.legend.contains(e.swatch)) << e.series;
    }
    const auto &last = r.layout.legendEntries.back();
    if (k.allShown) {
        EXPECT_EQ(r.layout.legendEntries.size(), 13);
        EXPECT_EQ(last.series, 12);
    } else {
        ASSERT_EQ(last.series, -1);
        EXPECT_EQ(last.others + r.layout.legendEntries.size() - 1, 13) << "every series counted once";
        EXPECT_EQ(LegendOthersText(last.others), QStringLiteral("…他 %1 系列").arg(last.others));
        for (qsizetype i = 0; i + 1 < r.layout.legendEntries.size(); ++i)
            EXPECT_EQ(r.layout.legendEntries[i].series, i) << "the first series keep their entries";
        // The closing entry is drawn: its text leaves ink in its box.
        const QImage box = r.image.copy(last.text);
        int ink = 0;
        for (int y = 0; y < box.height(); ++y)
            for (int x = 0; x < box.width(); ++x)
                ink += qGray(box.pixel(x, y)) < 128;
        EXPECT_GT(ink, 10);
    }
    // Margins, border and shadow strip are as they are without a legend (but for the pixel next to the room,
    // which the smoothing of axis labels that stand at its edge may touch).
    const QRect touched = inner.adjusted(-1, -1, 1, 1);
    int differ = 0;
    QPoint first;
    for (int y = 0; y < k.size.height(); ++y)
        for (int x = 0; x < k.size.width(); ++x)
            if (!touched.contains(x, y) && r.image.pixel(x, y) != plain.image.pixel(x, y) && !differ++)
                first = QPoint(x, y);
    EXPECT_EQ(differ, 0) << "first at " << first.x() << "," << first.y();
}

// A legend beside the plot in a panel that leaves it no width at all (a tiny picture, many series): no
// legend is placed, rather than columns that were never laid out.
TEST(ChartText, ASideLegendWithoutRoomOfAnyWidthIsLeftOut)
{
    for (const TLegendAlignment alignment : {laLeft, laRight}) {
        for (int width = 1; width <= 48; ++width) {
            TChart c;
            addThirteen(c, false);
            c.Legend.Alignment = alignment;
            const QSize size(width, 90);
            const Rendered r = render(c, size);
            EXPECT_TRUE(r.layout.legend.isNull() || r.layout.textClip.contains(r.layout.legend))
                << "legend " << r.layout.legend.x() << "," << r.layout.legend.width() << " at width " << width;
            EXPECT_EQ(r.layout.legend.isNull(), r.layout.legendEntries.isEmpty()) << "at width " << width;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ChartText, LegendRoom,
    ::testing::Values(LegendCase{"RightNarrowLong", laRight, QSize(360, 240), true, false},
                      LegendCase{"LeftNarrowLong", laLeft, QSize(360, 240), true, false},
                      LegendCase{"TopNarrowLong", laTop, QSize(360, 240), true, false},
                      LegendCase{"BottomNarrowLong", laBottom, QSize(360, 240), true, false},
                      LegendCase{"RightDesignSizeLong", laRight, QSize(621, 512), true, true},
                      LegendCase{"RightLowShortInColumns", laRight, QSize(621, 200), false, true},
                      LegendCase{"BottomWideShortInRows", laBottom, QSize(900, 300), false, true}),
    tftest::CaseName());

namespace {

struct AxisTitleCase {
    const char *name;
    QSize size;
    int fontSize;
    QString caption;
};
TF_PRINT_CASE_AS_NAME(AxisTitleCase)

class AxisTitleRoom : public ::testing::TestWithParam<AxisTitleCase> {};

} // namespace

// Axis titles stand centred on the plot inside the axes' room, shortened when too long: they never reach the
// title block, the legend, the margins, the border, the shadow or each other.
TEST_P(AxisTitleRoom, StayInTheAxesRoomCentredOnThePlot)
{
    const AxisTitleCase &k = GetParam();
    const auto chartWith = [&](TChart &c, const QString &caption) {
        c.Shadow.Visible = true;
        c.Border.Visible = true;
        c.Title.Text.Clear();
        c.Title.Text.Add(QStringLiteral("タイトル"));
        c.SubTitle.Text.Add(QStringLiteral("列0: 平均=  15.60"));
        for (TChartAxis *axis : {&c.BottomAxis, &c.LeftAxis}) {
            axis->Title.Caption = caption;
            axis->Title.Font.Size = k.fontSize;
        }
        addBars(c, {{0, 1}, {10, 2}}, QStringLiteral("a"));
    };
    TChart titled, blank;
    chartWith(titled, k.caption);
    chartWith(blank, QStringLiteral(" "));
    const Rendered a = render(titled, k.size), b = render(blank, k.size);
    const ChartLayout &l = a.layout;
    ASSERT_EQ(l.plot, b.layout.plot) << "a blank title takes the same room";
    const QRect room = l.axisTitleClip;
    int differ = 0;
    for (int y = 0; y < k.size.height(); ++y)
        for (int x = 0; x < k.size.width(); ++x)
            differ += !room.contains(x, y) && a.image.pixel(x, y) != b.image.pixel(x, y);
    EXPECT_EQ(differ, 0) << "ink outside the axes' room";
    EXPECT_GT(room.top(), l.subTitleBlock.bottom()) << "the room lies below the text blocks";
    EXPECT_FALSE(l.bottomTitle.intersects(l.leftTitle)) << "the titles meet in the corner";
    // A title that fits stands whole and centred on the plot; a longer one shows its start and an ellipsis.
    const struct {
        const char *which;
        QRect box;
        QString shown;
        int along, plotCentre, boxCentre;
    } titles[] = {{"bottom", l.bottomTitle, l.bottomTitleText, room.width(), l.plot.center().x(), l.bottomTitle.center().x()},
                  {"left", l.leftTitle, l.leftTitleText, room.height(), l.plot.center().y(), l.leftTitle.center().y()}};
    const int captionWidth = QFontMetrics(ChartFont(titled.BottomAxis.Title.Font)).horizontalAdvance(k.caption);
    for (const auto &t : titles) {
        EXPECT_TRUE(room.contains(t.box)) << t.which;
        if (captionWidth <= t.along) {
            EXPECT_EQ(t.shown, k.caption) << t.which;
            EXPECT_NEAR(t.boxCentre, t.plotCentre, 1) << t.which << ": centred on the plot";
        } else {
            ASSERT_TRUE(t.shown.endsWith(u'…')) << t.which << ": " << t.shown.toStdString();
            EXPECT_TRUE(k.caption.startsWith(t.shown.chopped(1))) << t.which << ": " << t.shown.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ChartText, AxisTitleRoom,
    ::testing::Values(AxisTitleCase{"ShortAtDesignSize", QSize(621, 512), 8, QStringLiteral("外径 [mm]")},
                      AxisTitleCase{"LongOnANarrowChart", QSize(300, 260), 10,
                                    QStringLiteral("軸受外径の測定値（恒温室・三次元測定機・第二検査工程）[mm]")},
                      AxisTitleCase{"LargeFont", QSize(360, 300), 40, QStringLiteral("個数")}),
    tftest::CaseName());
