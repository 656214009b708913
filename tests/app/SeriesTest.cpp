// The series and legend commands through the real controls, the colour dialog answered at its edge.
#include "tests/app/WindowFixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/CheckEdit.h"
#include "app/RadioGroup.h"
#include "chart/ChartLayout.h"
#include "chart/ChartStyle.h"

namespace {

class SeriesTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        form->PageControl1->setCurrentIndex(1);
        form->ColorDialogHook = [this](tf::TColor &color) {
            if (!colorAnswer)
                return false;
            color = *colorAnswer;
            return true;
        };
    }

    // Three columns without a header row: No0, No1, No2, every bin stacked three high.
    void BuildThree()
    {
        Load({QStringLiteral("1,2,3"), QStringLiteral("2,3,1"), QStringLiteral("3,1,2"), QStringLiteral("4,4,4")});
        Build();
    }
    void Rename(const QString &name)
    {
        form->SeriesName->setText(name);
        form->SeriesName->checkAction()->trigger();
    }
    // Selects an item as the user does, by key, which runs the selection command.
    void SelectNext()
    {
        form->SeriesCombo->setFocus();
        Key(form->SeriesCombo, Qt::Key_Down);
    }
    QString Line(int i) { return chart().SubTitle.Text[i]; }
    tf::ChartLayout Layout() { return tf::LayoutChart(chart(), form->Chart1->size()); }
    QImage Shown() { return form->Chart1->grab().toImage(); }

    std::optional<tf::TColor> colorAnswer;
};

TEST_F(SeriesTest, BeforeAnyDataNothingHappens)
{
    ASSERT_EQ(form->SeriesCombo->count(), 0);
    const QString before = form->Chart1->describe();
    Rename(QStringLiteral("x"));
    form->LineVisibleCheck->click();
    colorAnswer = tf::RGBColor(255, 0, 0);
    form->SeriesColor->click();
    EXPECT_EQ(form->Chart1->describe(), before);
    EXPECT_FALSE(form->LineVisibleCheck->isChecked()) << "the box keeps its new state";
    EXPECT_EQ(TakeErrorText(), QString());
}

TEST_F(SeriesTest, TemperatureRenameCutsTheNameFieldToTenLetters)
{
    BuildThree();
    const QString before = Line(0);
    ASSERT_TRUE(before.startsWith(QStringLiteral("       No0:"))) << before.toStdString();
    Rename(QStringLiteral("Temperature"));
    EXPECT_EQ(chart().Series(0)->Title.get(), QStringLiteral("Temperature"));
    EXPECT_EQ(ComboItems().value(0), QStringLiteral("Temperature"));
    EXPECT_EQ(form->SeriesCombo->currentIndex(), 0);
    EXPECT_EQ(Line(0), QStringLiteral("Temperatur") + before.mid(10));
    EXPECT_TRUE(form->Chart1->describe().contains(QStringLiteral("Temperature"))) << "the legend shows it";
    EXPECT_EQ(form->SeriesName->text(), QStringLiteral("Temperature")) << "the typed text stays";
}

struct RenameCase {
    const char *name;
    const char *header; // nullptr: no header row (titles No0...)
    QStringList renames;
    const char *field; // the name field after the last rename
};
TF_PRINT_CASE_AS_NAME(RenameCase)

class Renames : public SeriesTest, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(Renames, ReplaceExactlyTheNameField)
{
    const RenameCase &c = GetParam();
    QStringList lines{QStringLiteral("1,2"), QStringLiteral("3,4")};
    if (c.header)
        lines.prepend(QString::fromUtf8(c.header));
    Load(lines);
    Build();
    const QString rest = Line(0).mid(Line(0).indexOf(QStringLiteral(": 平均=")));
    const QString other = Line(1);
    for (const QString &name : c.renames)
        Rename(name);
    EXPECT_EQ(Line(0), QString::fromUtf8(c.field) + rest);
    EXPECT_EQ(Line(1), other) << "other lines stay";
}

const RenameCase kRenames[] = {
    {"one_character", nullptr, {QStringLiteral("T")}, "T         "},
    {"empty_name", nullptr, {QString()}, "          "},
    {"ten_characters", nullptr, {QStringLiteral("0123456789")}, "0123456789"},
    {"renamed_twice", nullptr, {QStringLiteral("Temperature"), QStringLiteral("Do")}, "Do        "},
    {"japanese", nullptr, {QStringLiteral("温度")}, "温度        "},
    // A header title longer than ten characters widens its field; the rename removes all of it.
    {"long_header_title", "LongHeaderTitle,b", {QStringLiteral("X")}, "X         "},
    {"long_header_title_renamed_twice", "LongHeaderTitle,b", {QStringLiteral("X"), QStringLiteral("Y")},
     "Y         "},
};
INSTANTIATE_TEST_SUITE_P(Series, Renames, ::testing::ValuesIn(kRenames), tftest::CaseName());

TEST_F(SeriesTest, SelectingASeriesShowsItsTitleAndLeavesTheVisibleBox)
{
    BuildThree();
    form->SeriesName->setText(QStringLiteral("typed"));
    form->LineVisibleCheck->setChecked(false);
    SelectNext();
    EXPECT_EQ(form->SeriesCombo->currentIndex(), 1);
    EXPECT_EQ(form->SeriesName->text(), QStringLiteral("No1"));
    EXPECT_FALSE(form->LineVisibleCheck->isChecked());
    // A rebuild selects item 0 without running the command.
    Build();
    EXPECT_EQ(form->SeriesCombo->currentIndex(), 0);
    EXPECT_EQ(form->SeriesName->text(), QStringLiteral("No1"));
}

TEST_F(SeriesTest, HidingSeriesZeroOfThreeMovesTheOthersDown)
{
    BuildThree();
    Paint();
    const tf::ChartLayout before = Layout();
    ASSERT_TRUE(form->LineVisibleCheck->isChecked());
    form->LineVisibleCheck->click();
    EXPECT_FALSE(chart().Series(0)->Active.get());
    Paint();
    const tf::ChartLayout after = Layout();

    const auto bar = [](const tf::ChartLayout &l, int series, int point) {
        for (const auto &b : l.bars)
            if (b.series == series && b.point == point)
                return b.rect;
        return QRect();
    };
    const int base = bar(before, 0, 0).bottom();
    for (int p = 0; p < chart().Series(1)->Count(); ++p) {
        if (chart().Series(1)->Value(p).Y == 0)
            continue;
        EXPECT_EQ(bar(after, 1, p).bottom(), base) << "series 1 starts at 0, point " << p;
        if (chart().Series(2)->Value(p).Y > 0) {
            EXPECT_EQ(bar(after, 2, p).bottom(), bar(after, 1, p).top() - 1) << "series 2 on series 1, point " << p;
        }
    }
    for (const auto &b : after.bars)
        EXPECT_NE(b.series, 0) << "no bar of the hidden series";
    ASSERT_EQ(after.legendEntries.size(), 2);
    EXPECT_EQ(after.legendEntries[0].series, 1);
    EXPECT_EQ(after.legendEntries[1].series, 2);
    EXPECT_EQ(chart().SubTitle.Text.Count(), 3) << "three statistics lines";
    EXPECT_EQ(ComboItems().size(), 3);
}

TEST_F(SeriesTest, TheVisibleBoxIsNeverSetByTheProgram)
{
    BuildThree();
    form->LineVisibleCheck->click(); // hides No0
    SelectNext();
    EXPECT_FALSE(form->LineVisibleCheck->isChecked()) << "still unticked while No1 is shown";
    form->LineVisibleCheck->click(); // ticked: No1 is shown already
    EXPECT_TRUE(chart().Series(1)->Active.get());
    EXPECT_FALSE(chart().Series(0)->Active.get());
    form->LineVisibleCheck->click(); // a second click hides it
    EXPECT_FALSE(chart().Series(1)->Active.get());

    Build();
    EXPECT_FALSE(form->LineVisibleCheck->isChecked());
    for (int i = 0; i < chart().SeriesCount(); ++i)
        EXPECT_TRUE(chart().Series(i)->Active.get()) << "a rebuild shows series " << i;
}

TEST_F(SeriesTest, RecolouringChangesTheBarsAndTheLegendSwatch)
{
    BuildThree();
    SelectNext();
    colorAnswer = tf::RGBColor(255, 0, 255);
    form->SeriesColor->click();
    EXPECT_EQ(chart().Series(1)->SeriesColor.get(), tf::RGBColor(255, 0, 255));
    EXPECT_EQ(form->ColorDialog1Color, tf::RGBColor(255, 0, 255));
    const QImage img = Shown();
    const tf::ChartLayout l = Layout();
    for (const auto &b : l.bars)
        if (b.series == 1 && b.rect.height() > 4) {
            EXPECT_EQ(img.pixelColor(b.rect.center()), QColor(255, 0, 255)) << "bar at point " << b.point;
            break;
        }
    ASSERT_EQ(l.legendEntries.size(), 3);
    EXPECT_EQ(img.pixelColor(l.legendEntries[1].swatch.center()), QColor(255, 0, 255));
    EXPECT_EQ(img.pixelColor(l.legendEntries[0].swatch.center()), tf::ChartColor(tf::SeriesPalette[0]));

    colorAnswer.reset();
    form->SeriesColor->click();
    EXPECT_EQ(chart().Series(1)->SeriesColor.get(), tf::RGBColor(255, 0, 255)) << "cancelled";
}

struct LegendCase {
    const char *name;
    int item;
    tf::TLegendAlignment alignment;
};
TF_PRINT_CASE_AS_NAME(LegendCase)

class LegendPosition : public SeriesTest, public ::testing::WithParamInterface<LegendCase> {};

TEST_P(LegendPosition, PutsTheLegendOnItsSide)
{
    const LegendCase &c = GetParam();
    BuildThree();
    form->LegendPosGrp->item(c.item == 0 ? 1 : 0)->click();
    form->LegendPosGrp->item(c.item)->click();
    EXPECT_EQ(chart().Legend.Alignment.get(), c.alignment);
    const tf::ChartLayout l = Layout();
    const QImage img = Shown();
    ASSERT_EQ(l.legendEntries.size(), 3);
    switch (c.alignment) {
    case tf::laRight:
        EXPECT_GE(l.legend.left(), l.plot.right());
        break;
    case tf::laLeft:
        EXPECT_LE(l.legend.right(), l.plot.left());
        break;
    case tf::laTop:
        EXPECT_LE(l.legend.bottom(), l.plot.top());
        EXPECT_EQ(l.legendEntries[0].swatch.top(), l.legendEntries[2].swatch.top()) << "side by side";
        break;
    case tf::laBottom:
        EXPECT_GE(l.legend.top(), l.plot.bottom());
        EXPECT_EQ(l.legendEntries[0].swatch.top(), l.legendEntries[2].swatch.top()) << "side by side";
        break;
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(img.pixelColor(l.legendEntries[i].swatch.center()), tf::ChartColor(chart().Series(i)->SeriesColor))
            << "swatch " << i << " drawn where the layout puts it";
}

const LegendCase kLegends[] = {
    {"right_item_0", 0, tf::laRight},
    {"left_item_1", 1, tf::laLeft},
    {"top_item_2", 2, tf::laTop},
    {"bottom_item_3", 3, tf::laBottom},
};
INSTANTIATE_TEST_SUITE_P(Series, LegendPosition, ::testing::ValuesIn(kLegends), tftest::CaseName());

} // namespace
