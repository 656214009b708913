#include "ChartTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace charttest;

TEST(ChartModel, StartsInTheWindowsInitialConfiguration)
{
    TChart c;
    EXPECT_EQ(c.Color.get(), clBtnFace);
    EXPECT_FALSE(c.Border.Visible.get());
    EXPECT_FALSE(c.Shadow.Visible.get());
    EXPECT_EQ(c.Shadow.Color.get(), RGBColor(133, 133, 133));
    EXPECT_EQ(c.Shadow.HorizSize.get(), 14);
    EXPECT_EQ(c.Shadow.VertSize.get(), 14);
    EXPECT_EQ(c.Shadow.Transparency.get(), 50);
    EXPECT_FALSE(c.View3D.get());
    EXPECT_EQ(c.ColorPaletteIndex.get(), 13);
    EXPECT_EQ(c.Title.Text.Lines(), QStringList{QStringLiteral("タイトル")});
    EXPECT_EQ(c.Title.Font.Color.get(), clBlack);
    EXPECT_EQ(c.Title.Font.Size.get(), 10);
    EXPECT_EQ(c.Title.Alignment.get(), taCenter);
    EXPECT_EQ(c.SubTitle.Text.Count(), 0);
    EXPECT_EQ(c.SubTitle.Font.Name.get(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(c.SubTitle.Font.Size.get(), 9);
    EXPECT_EQ(c.SubTitle.Font.Color.get(), clBlack);
    EXPECT_EQ(c.SubTitle.Alignment.get(), taLeftJustify);
    EXPECT_EQ(c.SubTitle.TextAlignment.get(), taLeftJustify);
    EXPECT_TRUE(c.SubTitle.Visible.get());
    EXPECT_EQ(c.Legend.LegendStyle.get(), lsSeries);
    EXPECT_EQ(c.Legend.Alignment.get(), laRight);
    for (TChartAxis *a : {&c.BottomAxis, &c.LeftAxis}) {
        EXPECT_TRUE(a->Automatic.get());
        EXPECT_EQ(a->Increment.get(), 0.0);
        EXPECT_TRUE(a->Title.Caption.get().isEmpty());
    }
    EXPECT_EQ(c.BackWall.Color.get(), RGBColor(192, 192, 192));
    EXPECT_TRUE(c.BackWall.Transparent.get());
    EXPECT_FALSE(c.BackWall.Picture.Assigned());
    EXPECT_EQ(c.SeriesCount(), 0);
}

TEST(ChartModel, NewSeriesAreOutsideTheChartUntilAdded)
{
    TChart c;
    TBarSeries *s = c.CreateSeries<TBarSeries>();
    EXPECT_EQ(c.SeriesCount(), 0);
    EXPECT_EQ(s->Count(), 0);
    EXPECT_TRUE(s->Active.get());
    EXPECT_EQ(s->SeriesColor.get(), AutoColor);
    EXPECT_EQ(c.AddSeries(s), s);
    EXPECT_EQ(c.SeriesCount(), 1);
    EXPECT_EQ(c.Series(0), s);
    EXPECT_EQ(s->AddXY(2, 1), 0);
    EXPECT_EQ(s->AddXY(4, 0, QString(), AutoColor), 1);
    EXPECT_EQ(s->Value(1).X, 4.0);
    EXPECT_EQ(s->Value(1).Color, AutoColor);
}

TEST(ChartModel, RefusedAxisValuesChangeNothing)
{
    struct Case {
        const char *what;
        std::function<void(TChartAxis &)> set;
        QString message;
    };
    const Case cases[] = {
        {"minimum above maximum", [](TChartAxis &a) { a.Minimum = 11; },
         QStringLiteral("Axis Minimum Value must be <= Maximum")},
        {"maximum below minimum", [](TChartAxis &a) { a.Maximum = 5; },
         QStringLiteral("Axis Maximum Value must be >= Minimum")},
        {"negative increment", [](TChartAxis &a) { a.Increment = -1; },
         QStringLiteral("Axis increment must be >= 0")},
    };
    for (const Case &k : cases) {
        TChart c;
        c.LeftAxis.Maximum = 10;
        c.LeftAxis.Minimum = 10;
        c.LeftAxis.Increment = 2;
        int changes = 0;
        c.OnChanged = [&] { ++changes; };
        try {
            k.set(c.LeftAxis);
            ADD_FAILURE() << k.what << ": not refused";
        } catch (const AxisException &e) {
            EXPECT_EQ(e.message(), k.message) << k.what;
        }
        EXPECT_EQ(c.LeftAxis.Minimum.get(), 10.0) << k.what;
        EXPECT_EQ(c.LeftAxis.Maximum.get(), 10.0) << k.what;
        EXPECT_EQ(c.LeftAxis.Increment.get(), 2.0) << k.what;
        EXPECT_TRUE(c.LeftAxis.Automatic.get()) << k.what;
        EXPECT_EQ(changes, 0) << k.what;
    }
}

TEST(ChartModel, AnyRangeCanBeImposedByTheMinimumFirstSequence)
{
    TChart c;
    c.BottomAxis.Maximum = 100;
    c.BottomAxis.Minimum = 90;
    // 20..50 lies wholly below the stored range: minimum first to -1e10, then maximum, then minimum.
    c.BottomAxis.Minimum = -1e10;
    c.BottomAxis.Maximum = 50;
    c.BottomAxis.Minimum = 20;
    EXPECT_EQ(c.BottomAxis.Minimum.get(), 20.0);
    EXPECT_EQ(c.BottomAxis.Maximum.get(), 50.0);
    EXPECT_THROW(c.BottomAxis.Minimum = 50.5, AxisException);
}

TEST(ChartModel, FreshSeriesTakePaletteEntriesInTurn)
{
    TChart c;
    for (int k = 0; k < 13; ++k)
        addBars(c, {{0, 1}});
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(c.Series(k)->SeriesColor.get(), SeriesPalette[k]) << k;
    EXPECT_EQ(c.Series(12)->SeriesColor.get(), SeriesPalette[0]);
}

TEST(ChartModel, PaletteSkipsTheBackWallColourAndFallsBackByCount)
{
    TChart c;
    c.BackWall.Color = SeriesPalette[2];
    for (int k = 0; k < 13; ++k)
        addBars(c, {{0, 1}});
    const int expected[13] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 10, 11, 0};
    for (int k = 0; k < 13; ++k)
        EXPECT_EQ(c.Series(k)->SeriesColor.get(), SeriesPalette[expected[k]]) << k;
}

TEST(ChartModel, PaletteSkipsColoursInUseAndThePanelColour)
{
    TChart c;
    c.Color = SeriesPalette[0];
    TBarSeries *given = c.CreateSeries<TBarSeries>();
    given->SeriesColor = SeriesPalette[1];
    c.AddSeries(given);
    EXPECT_EQ(given->SeriesColor.get(), SeriesPalette[1]); // a colour of its own stays
    TBarSeries *next = addBars(c, {});
    EXPECT_EQ(next->SeriesColor.get(), SeriesPalette[2]);
}

TEST(ChartModel, SeriesIndexOutsideTheListIsRefused)
{
    TChart c;
    addBars(c, {{0, 1}});
    for (int bad : {-1, 1, 5}) {
        try {
            c.Series(bad);
            ADD_FAILURE() << bad;
        } catch (const EArgumentOutOfRangeException &e) {
            EXPECT_EQ(e.message(), QStringLiteral("引数が範囲外です"));
        }
        EXPECT_THROW(c.DestroySeries(bad), tf::Error);
    }
    EXPECT_EQ(c.SeriesCount(), 1);
}

TEST(ChartModel, DestroyAndRemoveAll)
{
    TChart c;
    TBarSeries *a = addBars(c, {{0, 1}}, QStringLiteral("a"));
    addBars(c, {{0, 1}}, QStringLiteral("b"));
    TBarSeries *third = addBars(c, {{0, 1}}, QStringLiteral("c"));
    c.DestroySeries(1);
    ASSERT_EQ(c.SeriesCount(), 2);
    EXPECT_EQ(c.Series(1), third);
    c.DestroySeries(third);
    EXPECT_EQ(c.SeriesCount(), 1);
    // Taken out, not destroyed: the series is still usable and can come back.
    c.RemoveAllSeries();
    EXPECT_EQ(c.SeriesCount(), 0);
    EXPECT_EQ(a->Title.get(), QStringLiteral("a"));
    c.AddSeries(a);
    EXPECT_EQ(c.Series(0), a);
}

TEST(ChartModel, TextLinesCanBeReadReplacedAddedAndCleared)
{
    TChart c;
    c.SubTitle.Text.Add(QStringLiteral("one"));
    c.SubTitle.Text.Add(QStringLiteral("two"));
    c.SubTitle.Text.Set(1, QStringLiteral("TWO"));
    EXPECT_EQ(c.SubTitle.Text[1], QStringLiteral("TWO"));
    EXPECT_EQ(c.SubTitle.Text.Count(), 2);
    try {
        c.SubTitle.Text.Set(2, QStringLiteral("x"));
        ADD_FAILURE();
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("リストのインデックスが範囲を超えています (2)"));
    }
    EXPECT_THROW((void)c.SubTitle.Text[-1], tf::Error);
    c.SubTitle.Text.Clear();
    EXPECT_EQ(c.SubTitle.Text.Count(), 0);
}

TEST(ChartModel, EveryVisibleChangeReportsAndSameValuesDoNot)
{
    TChart c;
    TBarSeries *s = addBars(c, {{0, 1}});
    TBarSeries *outside = c.CreateSeries<TBarSeries>();
    int changes = 0;
    c.OnChanged = [&] { ++changes; };
    const std::function<void()> changing[] = {
        [&] { c.Color = clWhite; },
        [&] { c.Title.Font.Size = 12; },
        [&] { c.SubTitle.Text.Add(QStringLiteral("x")); },
        [&] { c.Legend.Alignment = laBottom; },
        [&] { c.LeftAxis.Title.Caption = QStringLiteral("y"); },
        [&] { c.BackWall.Picture.SetImage(QImage(2, 2, QImage::Format_RGB32)); },
        [&] { c.BackWall.Picture.Clear(); },
        [&] { s->Active = false; },
        [&] { s->AddXY(1, 2); },
        [&] { s->SeriesColor = clBlack; },
        [&] { c.AddSeries(outside); },
    };
    for (size_t i = 0; i < std::size(changing); ++i) {
        changes = 0;
        changing[i]();
        EXPECT_EQ(changes, 1) << "change " << i;
    }
    changes = 0;
    c.Color = clWhite;
    c.Legend.Alignment = laBottom;
    c.LeftAxis.StoreRange(3, 4); // drawing's write-back must not schedule another paint
    TBarSeries *loose = c.CreateSeries<TBarSeries>();
    loose->AddXY(1, 1); // not shown, nothing to repaint
    EXPECT_EQ(changes, 0);
}
