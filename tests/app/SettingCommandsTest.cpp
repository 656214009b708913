// The histogram setting commands through the real controls: which rebuild, which change the chart in
// place, which axis each one sets for the orientation, and what a refused value leaves.
#include "tests/app/WindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

#include "app/BinCountBox.h"
#include "app/CheckEdit.h"

namespace {

// Presses an edit's check-mark button.
void Press(tf::CheckEdit *edit)
{
    edit->checkButton()->click();
}

void Enter(tf::CheckEdit *edit, const QString &text)
{
    edit->setText(text);
    Press(edit);
}

struct AxisState {
    bool automatic;
    double minimum, maximum, increment;
    bool operator==(const AxisState &) const = default;
};

AxisState StateOf(const tf::TChartAxis &axis)
{
    return {axis.Automatic.get(), axis.Minimum.get(), axis.Maximum.get(), axis.Increment.get()};
}

} // namespace

class SettingCommandsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Load(SampleColumn());
        Build();
        Paint();
    }
    // Marks the subtitle so that the next build shows itself by refilling it.
    void MarkSubtitle() { chart().SubTitle.Text = QStringList{QStringLiteral("not rebuilt")}; }
    bool Rebuilt() const { return form->Chart1->chart().SubTitle.Text.Lines() != QStringList{QStringLiteral("not rebuilt")}; }
    void ManualMode(bool on)
    {
        if (form->KukanManualSize->isChecked() != on)
            form->KukanManualSize->click();
    }
};

TEST_F(SettingCommandsTest, ManualModeOnEnablesTheFiveEditsWithoutRebuilding)
{
    tf::CheckEdit *const five[] = {form->KukanMaxValue, form->KukanMinValue, form->KukanMagValue, form->DosuMaxValue,
                                   form->DosuTickValue};
    MarkSubtitle();
    ManualMode(true);
    for (tf::CheckEdit *edit : five)
        EXPECT_TRUE(edit->isEnabled()) << edit->objectName().toStdString();
    EXPECT_TRUE(form->KukanValue->isEnabled());
    EXPECT_TRUE(form->BunkatuSize->isEnabled());
    EXPECT_FALSE(Rebuilt());
    EXPECT_TRUE(chart().BottomAxis.Automatic.get());

    form->KukanMaxValue->setText(QStringLiteral("90"));
    form->KukanMinValue->setText(QStringLiteral("-5"));
    ManualMode(false);
    for (tf::CheckEdit *edit : five)
        EXPECT_FALSE(edit->isEnabled()) << edit->objectName().toStdString();
    EXPECT_TRUE(Rebuilt());
    EXPECT_EQ(form->KukanMaxValue->text(), QStringLiteral("32.00"));
    EXPECT_EQ(form->KukanMinValue->text(), QStringLiteral("2.00"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingCommandsTest, DisabledCheckEditsDoNotRunTheirCommand)
{
    form->DosuMaxValue->setText(QStringLiteral("50"));
    form->DosuMaxValue->checkAction()->trigger();
    EXPECT_TRUE(chart().LeftAxis.Automatic.get());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingCommandsTest, CheckEditRunsOnlyOnItsButton)
{
    MarkSubtitle();
    form->KukanValue->setText(QStringLiteral("5"));
    Key(form->KukanValue, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_FALSE(Rebuilt());
    EXPECT_FALSE(form->ManualDivFlag);
    Press(form->KukanValue);
    EXPECT_TRUE(Rebuilt());
}

// The count-axis maximum lands on the axis that carries the counts for the orientation.
TEST_F(SettingCommandsTest, CountAxisMaximumFollowsTheOrientation)
{
    for (bool horizontal : {false, true}) {
        SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
        ManualMode(false);
        if (form->HorizontalCheck->isChecked() != horizontal)
            form->HorizontalCheck->click();
        Paint();
        tf::TChartAxis &count = horizontal ? chart().BottomAxis : chart().LeftAxis;
        tf::TChartAxis &bins = horizontal ? chart().LeftAxis : chart().BottomAxis;
        const double shownMinimum = count.Minimum.get();
        const AxisState binsBefore = StateOf(bins);
        ManualMode(true);
        Enter(form->DosuMaxValue, QStringLiteral("50"));
        EXPECT_FALSE(count.Automatic.get());
        EXPECT_EQ(count.Maximum.get(), 50.0);
        EXPECT_EQ(count.Minimum.get(), shownMinimum);
        EXPECT_EQ(StateOf(bins), binsBefore);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(SettingCommandsTest, BinAxisLimitsFollowTheOrientation)
{
    form->HorizontalCheck->click();
    Paint();
    ManualMode(true);
    Enter(form->KukanMaxValue, QStringLiteral("40"));
    Enter(form->KukanMinValue, QStringLiteral("-4"));
    EXPECT_FALSE(chart().LeftAxis.Automatic.get());
    EXPECT_EQ(chart().LeftAxis.Maximum.get(), 40.0);
    EXPECT_EQ(chart().LeftAxis.Minimum.get(), -4.0);
    EXPECT_TRUE(chart().BottomAxis.Automatic.get());
    EXPECT_TRUE(boxes.empty());
}

struct Refusal {
    const char *name;
    tf::CheckEdit *TForm1::*edit;
    bool binAxis;
    const char *text;
    const char *message;
};

TF_PRINT_CASE_AS_NAME(Refusal)

class AxisRefusalTest : public SettingCommandsTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(AxisRefusalTest, LeavesTheAxisFixedAtTheRangeShown)
{
    const Refusal &r = GetParam();
    tf::TChartAxis &axis = r.binAxis ? chart().BottomAxis : chart().LeftAxis;
    const AxisState shown = StateOf(axis);
    ManualMode(true);
    Enter(form.get()->*r.edit, QString::fromUtf8(r.text));
    EXPECT_EQ(TakeErrorText(), QString::fromUtf8(r.message));
    EXPECT_EQ(StateOf(axis), (AxisState{false, shown.minimum, shown.maximum, shown.increment}));
}

INSTANTIATE_TEST_SUITE_P(
    Window, AxisRefusalTest,
    ::testing::Values(Refusal{"MinimumAboveMaximum", &TForm1::KukanMinValue, true, "1000",
                              "Axis Minimum Value must be <= Maximum."},
                      Refusal{"MaximumBelowMinimum", &TForm1::KukanMaxValue, true, "-1000",
                              "Axis Maximum Value must be >= Minimum."},
                      Refusal{"CountMaximumBelowMinimum", &TForm1::DosuMaxValue, false, "-1",
                              "Axis Maximum Value must be >= Minimum."},
                      Refusal{"NegativeIncrement", &TForm1::DosuTickValue, false, "-1",
                              "Axis increment must be >= 0."}),
    tftest::CaseName());

// A text that is not a number is reported and changes nothing: no axis, no magnification, no flag.
struct NumberEdit {
    const char *name;
    tf::CheckEdit *TForm1::*edit;
};
TF_PRINT_CASE_AS_NAME(NumberEdit)

class NotANumberTest : public SettingCommandsTest, public ::testing::WithParamInterface<NumberEdit> {};

TEST_P(NotANumberTest, IsReportedAndChangesNothing)
{
    ManualMode(true);
    const AxisState bottom = StateOf(chart().BottomAxis), left = StateOf(chart().LeftAxis);
    const double mag = form->mag;
    MarkSubtitle();
    Enter(form.get()->*GetParam().edit, QStringLiteral("1,5x"));
    EXPECT_EQ(TakeErrorText(), QStringLiteral("「1,5x」は数値ではありません."));
    EXPECT_EQ(StateOf(chart().BottomAxis), bottom);
    EXPECT_EQ(StateOf(chart().LeftAxis), left);
    EXPECT_EQ(form->mag, mag);
    EXPECT_FALSE(Rebuilt());
}

INSTANTIATE_TEST_SUITE_P(Window, NotANumberTest,
                         ::testing::Values(NumberEdit{"KukanMaxValue", &TForm1::KukanMaxValue},
                                           NumberEdit{"KukanMinValue", &TForm1::KukanMinValue},
                                           NumberEdit{"DosuMaxValue", &TForm1::DosuMaxValue},
                                           NumberEdit{"DosuTickValue", &TForm1::DosuTickValue},
                                           NumberEdit{"KukanMagValue", &TForm1::KukanMagValue}),
                         tftest::CaseName());

TEST_F(SettingCommandsTest, RebuildMakesTheCountAxisAutomaticAgainButKeepsItsLabelStep)
{
    ManualMode(true);
    Enter(form->DosuTickValue, QStringLiteral("2"));
    Enter(form->DosuMaxValue, QStringLiteral("50"));
    ManualMode(false);
    Press(form->KukanValue);
    EXPECT_TRUE(chart().LeftAxis.Automatic.get());
    EXPECT_EQ(chart().LeftAxis.Increment.get(), 2.0);
    // The step stays on the axis object, also when the orientation gives that axis the other role.
    form->HorizontalCheck->click();
    EXPECT_EQ(chart().LeftAxis.Increment.get(), 2.0);
    EXPECT_EQ(chart().BottomAxis.Increment.get(), 0.0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingCommandsTest, MagnificationScalesTheBuildAndTheManualRange)
{
    ManualMode(true);
    Enter(form->KukanMagValue, QStringLiteral("2"));
    EXPECT_EQ(form->mag, 2.0);
    EXPECT_EQ(form->StatusText(), QStringLiteral("倍率 X= 2　単位 [  ]"));
    // The manual range is the texts written by the automatic build, times the magnification.
    EXPECT_EQ(chart().BottomAxis.Minimum.get(), 4.0);
    EXPECT_EQ(chart().BottomAxis.Maximum.get(), 64.0);
    EXPECT_EQ(form->KukanMaxValue->text(), QStringLiteral("32.00"));
    EXPECT_EQ(chart().SubTitle.Text[0],
              QStringLiteral("       No0: 平均=  31.20  標準偏差= 23.90  最大値=  62.00  最小値=   6.00"));

    // The axis command takes the number as typed; the next build multiplies it.
    Enter(form->KukanMaxValue, QStringLiteral("40"));
    EXPECT_EQ(chart().BottomAxis.Maximum.get(), 40.0);
    Press(form->KukanValue);
    EXPECT_EQ(chart().BottomAxis.Maximum.get(), 80.0);
    EXPECT_FALSE(chart().BottomAxis.Automatic.get());
    EXPECT_TRUE(chart().LeftAxis.Automatic.get());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingCommandsTest, ManualWidthLastsOneBuild)
{
    Enter(form->KukanValue, QStringLiteral("5"));
    EXPECT_EQ(Xs(0), (std::vector<double>{0, 5, 10, 15, 20, 25, 30, 35}));
    EXPECT_EQ(form->KukanValue->text(), QStringLiteral("5.00"));
    EXPECT_FALSE(form->ManualDivFlag);
    form->HorizontalCheck->click();
    EXPECT_EQ(Ys(0), SamplePositions());
    EXPECT_EQ(form->KukanValue->text(), QStringLiteral("2.00"));
}

TEST_F(SettingCommandsTest, BinCountFollowsEveryChangeOfTheTypedText)
{
    auto type = [this](int key, const QString &text) {
        MarkSubtitle();
        Key(form->BunkatuSize, key, text);
    };
    form->BunkatuSize->editor()->selectAll();
    type(Qt::Key_Backspace, QString());
    EXPECT_TRUE(form->BunkatuSize->text().isEmpty());
    EXPECT_TRUE(Rebuilt()) << "an empty text counts as 2";
    EXPECT_EQ(chart().Series(0)->Count(), 3);
    EXPECT_EQ(form->bunkatu, 2);
    EXPECT_FALSE(form->MBunkatuFlag);

    type(Qt::Key_2, QStringLiteral("2"));
    EXPECT_TRUE(Rebuilt());
    EXPECT_EQ(chart().Series(0)->Count(), 3);
    type(Qt::Key_5, QStringLiteral("5"));
    EXPECT_TRUE(Rebuilt());
    EXPECT_EQ(chart().Series(0)->Count(), 26);
    EXPECT_EQ(form->KukanValue->text(), QStringLiteral("1.12")); // range 3 to 31 on the grid of width 1

    // On the way to 10 the box shows 1, which never reaches a build.
    form->BunkatuSize->editor()->selectAll();
    type(Qt::Key_1, QStringLiteral("1"));
    EXPECT_FALSE(Rebuilt());
    EXPECT_EQ(form->bunkatu, 25);
    type(Qt::Key_0, QStringLiteral("0"));
    EXPECT_TRUE(Rebuilt());
    EXPECT_EQ(chart().Series(0)->Count(), 11);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingCommandsTest, LeavingTheBinCountBoxCorrectsToTheNearestLimit)
{
    form->BunkatuSize->setValue(2);
    form->BunkatuSize->editor()->selectAll();
    Key(form->BunkatuSize, Qt::Key_1, QStringLiteral("1"));
    EXPECT_EQ(form->BunkatuSize->text(), QStringLiteral("1"));
    MarkSubtitle();
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form->BunkatuSize, &focusOut);
    EXPECT_EQ(form->BunkatuSize->text(), QStringLiteral("2"));
    EXPECT_TRUE(Rebuilt());
    EXPECT_EQ(chart().Series(0)->Count(), 3);
}

TEST_F(SettingCommandsTest, BinCountArrowsStopAtTheLimit)
{
    form->BunkatuSize->setValue(99);
    MarkSubtitle();
    Key(form->BunkatuSize, Qt::Key_Up);
    EXPECT_TRUE(Rebuilt());
    EXPECT_EQ(form->BunkatuSize->text(), QStringLiteral("100"));
    EXPECT_EQ(chart().Series(0)->Count(), 101);
    MarkSubtitle();
    Key(form->BunkatuSize, Qt::Key_Up);
    EXPECT_EQ(form->BunkatuSize->text(), QStringLiteral("100"));
    EXPECT_FALSE(Rebuilt());
}

TEST_F(SettingCommandsTest, StatisticsSwitchHidesAndShowsTheLines)
{
    form->StatisticsCheck->click();
    EXPECT_FALSE(chart().SubTitle.Visible.get());
    EXPECT_EQ(chart().SubTitle.Text.Lines(), QStringList{SampleStatistics});
    EXPECT_FALSE(form->Chart1->accessibleDescription().contains(SampleStatistics));

    Load({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    form->HorizontalCheck->click();
    EXPECT_FALSE(chart().SubTitle.Visible.get());
    ASSERT_EQ(chart().SubTitle.Text.Count(), 1);
    const QString line = chart().SubTitle.Text[0];
    EXPECT_NE(line, SampleStatistics);

    form->StatisticsCheck->click();
    EXPECT_TRUE(chart().SubTitle.Visible.get());
    EXPECT_EQ(chart().SubTitle.Text.Lines(), QStringList{line});
    EXPECT_TRUE(form->Chart1->accessibleDescription().contains(line));
}

TEST_F(SettingCommandsTest, ArrowKeysStepFromTheTypedBinCount)
{
    struct Step {
        const char *name;
        int start;       // accepted value before typing
        QString typed;   // what the user typed over it
        int key;
        int expected;    // value and text after the arrow
    };
    const Step steps[] = {
        {"UpFromHalfTypedOne", 25, QStringLiteral("1"), Qt::Key_Up, 2},
        {"DownFromHalfTypedOneStaysAtTwo", 25, QStringLiteral("1"), Qt::Key_Down, 2},
        {"UpFromEmptiedBox", 100, QString(), Qt::Key_Up, 3},
        {"UpFromTypedFortyTwo", 10, QStringLiteral("42"), Qt::Key_Up, 43},
        {"UpAtTheTopStays", 10, QStringLiteral("100"), Qt::Key_Up, 100},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        form->BunkatuSize->setValue(s.start);
        form->BunkatuSize->editor()->selectAll();
        Key(form->BunkatuSize, Qt::Key_Backspace);
        for (QChar c : s.typed)
            Key(form->BunkatuSize, Qt::Key_0 + c.digitValue(), QString(c));
        MarkSubtitle();
        Key(form->BunkatuSize, s.key);
        EXPECT_EQ(form->BunkatuSize->value(), s.expected);
        EXPECT_EQ(form->BunkatuSize->text(), QString::number(s.expected));
        const bool changed = s.typed != QString::number(s.expected);
        EXPECT_EQ(Rebuilt(), changed);
        EXPECT_EQ(form->bunkatu, s.expected);
        EXPECT_EQ(chart().Series(0)->Count(), s.expected + 1);
    }
    EXPECT_TRUE(boxes.empty());
}
