// Builds driven through the real window: what the chart, the edits, the series list, the subtitle and
// the status line hold afterwards, including after every kind of build that stops.
#include "tests/app/WindowFixture.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QImage>
#include <QScreen>
#include <QTabWidget>

#include "app/BinCountBox.h"
#include "app/CheckEdit.h"
#include "engine/NumberText.h"

TEST_F(WindowTest, SampleColumnBuildsOneVerticalSeries)
{
    Load(SampleColumn());
    Build();

    ASSERT_EQ(chart().SeriesCount(), 1);
    auto *series = dynamic_cast<tf::TBarSeries *>(chart().Series(0));
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->OffsetPercent.get(), 50);
    EXPECT_EQ(series->BarWidthPercent.get(), 100);
    EXPECT_EQ(series->MultiBar.get(), tf::mbStacked);
    EXPECT_FALSE(series->Marks.Visible.get());
    EXPECT_EQ(series->Title.get(), QStringLiteral("No0"));
    EXPECT_EQ(Xs(0), SamplePositions());
    EXPECT_EQ(Ys(0), SampleCounts());
    for (const tf::TChartValue &p : series->Values()) {
        EXPECT_TRUE(p.Label.isEmpty());
        EXPECT_EQ(p.Color, tf::AutoColor);
    }
    EXPECT_EQ(form->KukanMaxValue->text(), QStringLiteral("32.00"));
    EXPECT_EQ(form->KukanMinValue->text(), QStringLiteral("2.00"));
    EXPECT_EQ(form->KukanValue->text(), QStringLiteral("2.00"));
    EXPECT_EQ(chart().SubTitle.Text.Lines(), QStringList{SampleStatistics});
    EXPECT_EQ(form->StatusText(), QStringLiteral("倍率 X= 1　単位 [  ]"));
    EXPECT_EQ(ComboItems(), QStringList{QStringLiteral("No0")});
    EXPECT_EQ(form->SeriesCombo->currentIndex(), 0);
    EXPECT_EQ(form->bunkatu, 15);
}

TEST_F(WindowTest, HorizontalBarsSwapCountsAndPositions)
{
    Load(SampleColumn());
    form->HorizontalCheck->click();

    ASSERT_EQ(chart().SeriesCount(), 1);
    auto *series = dynamic_cast<tf::THorizBarSeries *>(chart().Series(0));
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->OffsetPercent.get(), -50);
    EXPECT_EQ(Xs(0), SampleCounts());
    EXPECT_EQ(Ys(0), SamplePositions());
    EXPECT_EQ(form->KukanMaxValue->text(), QStringLiteral("32.00"));

    form->HorizontalCheck->click();
    ASSERT_EQ(chart().SeriesCount(), 1);
    EXPECT_NE(dynamic_cast<tf::TBarSeries *>(chart().Series(0)), nullptr);
    EXPECT_EQ(Xs(0), SamplePositions());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowTest, StatusShowsTheMagnificationAndUnit)
{
    // Numbers are typed and shown with the user's regional separators.
    const tf::NumberFormat fmt = tf::NumberFormat::system();
    const QString point(QChar(fmt.decimal)), group(QChar(fmt.thousands));
    const std::pair<QStringList, QString> rows[] = {
        {{QStringLiteral("1500"), QStringLiteral("2500")}, QStringLiteral("倍率 X= 0　単位 [ K ]")},
        {{QStringLiteral("0") + point + QStringLiteral("005"), QStringLiteral("0") + point + QStringLiteral("007")},
         QStringLiteral("倍率 X= 1") + group + QStringLiteral("000　単位 [ m ]")},
        {{QStringLiteral("-250"), QStringLiteral("300")}, QStringLiteral("倍率 X= 1　単位 [  ]")},
    };
    for (const auto &[lines, status] : rows) {
        Load(lines);
        Build();
        EXPECT_EQ(form->StatusText(), status);
    }
}

TEST_F(WindowTest, HeaderRowTitlesStackedSeriesInOrder)
{
    Load({QStringLiteral("a,b"), QStringLiteral("1,10"), QStringLiteral("2,20"), QStringLiteral("3,30")});
    Build();

    ASSERT_EQ(chart().SeriesCount(), 2);
    EXPECT_EQ(chart().Series(0)->Title.get(), QStringLiteral("a"));
    EXPECT_EQ(chart().Series(1)->Title.get(), QStringLiteral("b"));
    EXPECT_EQ(ComboItems(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(form->SeriesCombo->currentText(), QStringLiteral("a"));
    const QStringList lines = chart().SubTitle.Text.Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("         a: ")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("         b: ")));
    // Series colours follow the palette in a fresh rebuild.
    EXPECT_EQ(chart().Series(0)->SeriesColor.get(), tf::SeriesPalette[0]);
    EXPECT_EQ(chart().Series(1)->SeriesColor.get(), tf::SeriesPalette[1]);
}

TEST_F(WindowTest, BuildSelectsFirstItemWithoutRunningTheSeriesCommand)
{
    form->SeriesName->setText(QStringLiteral("kept"));
    SignalCount changed(form->SeriesCombo, &QComboBox::currentIndexChanged);
    SignalCount activated(form->SeriesCombo, &QComboBox::activated);
    Load({QStringLiteral("a,b"), QStringLiteral("1,10"), QStringLiteral("2,20")});
    Build();
    Build();
    EXPECT_EQ(form->SeriesCombo->currentIndex(), 0);
    EXPECT_EQ(changed.count, 0);
    EXPECT_EQ(activated.count, 0);
    EXPECT_EQ(form->SeriesName->text(), QStringLiteral("kept"));
}

TEST_F(WindowTest, FewerThanTwoLinesChangesNothing)
{
    Load(SampleColumn());
    Build();
    Load({QStringLiteral("1,2")});
    form->HorizontalCheck->click();
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(chart().SeriesCount(), 1);
    EXPECT_NE(dynamic_cast<tf::TBarSeries *>(chart().Series(0)), nullptr);
    EXPECT_EQ(Xs(0), SamplePositions());
    EXPECT_EQ(chart().SubTitle.Text.Lines(), QStringList{SampleStatistics});
}

// What a stopped build leaves: the steps before the error are done, nothing after it.
struct StoppedBuild {
    const char *name;
    QStringList lines;
    bool manual;            // manual range mode, with the two range edits below
    QString maxText, minText;
    bool binCountCommand;   // started by the bin-count command (sets its one-shot flag) instead of a build
    QString message;
    QStringList titles;     // series (and list items) the build made before it stopped
    int pointsInFirstSeries;
    bool kukanValueWritten; // the width text was written before the stop
};

TF_PRINT_CASE_AS_NAME(StoppedBuild)

class StoppedBuildTest : public WindowTest, public ::testing::WithParamInterface<StoppedBuild> {};

TEST_P(StoppedBuildTest, LeavesExactlyTheStepsBeforeTheError)
{
    const StoppedBuild &c = GetParam();
    // A completed build first, so that what the stopped one must not touch has known texts.
    Load({QStringLiteral("x,y"), QStringLiteral("1,5"), QStringLiteral("9,7")});
    Build();
    const QString status = form->StatusText();
    const QString kukanValue = form->KukanValue->text();
    form->KukanMaxValue->setText(c.manual ? c.maxText : QStringLiteral("previous max"));
    form->KukanMinValue->setText(c.manual ? c.minText : QStringLiteral("previous min"));
    if (c.manual)
        form->KukanManualSize->click();
    ASSERT_TRUE(boxes.empty());

    Load(c.lines);
    if (c.binCountCommand) {
        form->BunkatuSize->setValue(12);
        EXPECT_EQ(TakeErrorText(), tf::ErrorReportText(c.message));
    } else {
        QString message;
        try {
            Build();
        } catch (const tf::Error &e) {
            message = e.message();
        }
        EXPECT_EQ(message, c.message);
    }

    ASSERT_EQ(chart().SeriesCount(), c.titles.size());
    for (int i = 0; i < chart().SeriesCount(); ++i)
        EXPECT_EQ(chart().Series(i)->Title.get(), c.titles[i]);
    if (chart().SeriesCount() > 0) {
        EXPECT_EQ(chart().Series(0)->Count(), c.pointsInFirstSeries);
    }
    EXPECT_EQ(ComboItems(), c.titles);
    EXPECT_TRUE(chart().SubTitle.Text.Lines().isEmpty());
    EXPECT_EQ(form->StatusText(), status);
    if (!c.kukanValueWritten) {
        EXPECT_EQ(form->KukanValue->text(), kukanValue);
    }
    EXPECT_EQ(form->KukanMaxValue->text(), c.manual ? c.maxText : QStringLiteral("previous max"));
    EXPECT_EQ(form->KukanMinValue->text(), c.manual ? c.minText : QStringLiteral("previous min"));
    EXPECT_EQ(form->MBunkatuFlag, c.binCountCommand);
}

INSTANTIATE_TEST_SUITE_P(
    Window, StoppedBuildTest,
    ::testing::Values(
        StoppedBuild{"NoLineLeft", {QString(), QString()}, false, {}, {}, false,
                     QStringLiteral("リストのインデックスが範囲を超えています (0)"), {}, 0, false},
        StoppedBuild{"HeaderWithoutData", {QStringLiteral("a,b"), QString()}, false, {}, {}, false,
                     QStringLiteral("リストのインデックスが範囲を超えています (1)"),
                     {QStringLiteral("a"), QStringLiteral("b")}, 0, false},
        StoppedBuild{"ZeroWidthAtSnapping", {QStringLiteral("h"), QStringLiteral("5"), QStringLiteral("5")}, false,
                     {}, {}, false, QStringLiteral("0 による浮動小数点数除算"), {QStringLiteral("h")}, 0, false},
        StoppedBuild{"ZeroDividedByZero", {QStringLiteral("h"), QStringLiteral("0"), QStringLiteral("0")}, false,
                     {}, {}, false, QStringLiteral("不正な浮動小数点数演算命令"), {QStringLiteral("h")}, 0, false},
        StoppedBuild{"ManualMinimumAboveMaximum", {QStringLiteral("h"), QStringLiteral("1"), QStringLiteral("9")},
                     true, QStringLiteral("1"), QStringLiteral("5"), false,
                     QStringLiteral("Axis Minimum Value must be <= Maximum"), {QStringLiteral("h")}, 0, false},
        StoppedBuild{"ZeroWidthAtCounting", {QStringLiteral("h"), QStringLiteral("1"), QStringLiteral("9")}, true,
                     QStringLiteral("5"), QStringLiteral("5"), true, QStringLiteral("0 による浮動小数点数除算"),
                     {QStringLiteral("h")}, 0, true},
        StoppedBuild{"DataRowWiderThanFirstLine", {QStringLiteral("h"), QStringLiteral("1,2"), QStringLiteral("21,4")},
                     false, {}, {}, false, QStringLiteral("引数が範囲外です"), {QStringLiteral("h")}, 12, true}),
    tftest::CaseName());

TEST_F(WindowTest, ZeroWidthStopKeepsNewScaleAndFlags)
{
    Load(SampleColumn());
    Build();
    form->KukanValue->setText(QStringLiteral("0"));
    Load({QStringLiteral("1500"), QStringLiteral("1500")});
    form->KukanValue->checkAction()->trigger();
    EXPECT_EQ(TakeErrorText(), tf::ErrorReportText(QStringLiteral("0 による浮動小数点数除算")));
    // Scale ran before the stop; the flag set by the command stays for the next build.
    EXPECT_EQ(form->tani, QStringLiteral("K"));
    EXPECT_DOUBLE_EQ(form->mag, 0.001);
    EXPECT_TRUE(form->ManualDivFlag);
    EXPECT_EQ(form->KukanValue->text(), QStringLiteral("0"));
    EXPECT_EQ(form->StatusText(), QStringLiteral("倍率 X= 1　単位 [  ]"));
    ASSERT_EQ(chart().SeriesCount(), 1);
    EXPECT_EQ(chart().Series(0)->Count(), 0);
}

TEST_F(WindowTest, AHugeHeaderCellIsKeptAsFarAsItCanShowAndItsListOpensCut)
{
    const QString cell = QStringLiteral("Temperature") + QString(200000, u'x');
    Load({cell, QStringLiteral("1"), QStringLiteral("2")});
    Build();
    // The title keeps what any picture of the chart can show; the series list what the screen can.
    EXPECT_EQ(chart().Series(0)->Title.get(), cell.left(tf::LongestShownCell));
    ASSERT_EQ(form->SeriesCombo->count(), 1);
    const QString item = form->SeriesCombo->itemText(0);
    EXPECT_TRUE(cell.startsWith(item));
    EXPECT_LE(item.size(), 2 * form->SeriesCombo->screen()->geometry().width() + 16);
    // The box shows the title's start, like the same box holding only that start.
    form->PageControl1->setCurrentIndex(1);
    const QImage shown = form->SeriesCombo->grab().toImage();
    form->SeriesCombo->setItemText(0, cell.left(2000));
    EXPECT_TRUE(form->SeriesCombo->grab().toImage() == shown);
    form->SeriesCombo->setItemText(0, item);
    // The list opens on the title's start; choosing it puts the same start in the name box.
    form->SeriesCombo->showPopup();
    QAbstractItemView *list = form->SeriesCombo->view();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->model()->rowCount(), 1);
    EXPECT_FALSE(list->visualRect(list->model()->index(0, 0)).isEmpty());
    form->SeriesCombo->hidePopup();
    emit form->SeriesCombo->activated(0);
    EXPECT_EQ(form->SeriesName->text(), item);
    EXPECT_NE(form->Chart1->describe().indexOf(QStringLiteral("凡例 Temperature")), -1);
}
