#include "ChartTestSupport.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

using namespace charttest;

namespace {

// Pixel row (exclusive bottom edge minus the value's height) of a value on the left axis.
int leftY(const tf::ChartLayout &l, double v)
{
    const int bottom = l.plot.top() + l.plot.height();
    return bottom - int(std::lround((v - l.leftMin) / (l.leftMax - l.leftMin) * l.plot.height()));
}

int bottomX(const tf::ChartLayout &l, double v)
{
    return l.plot.left() + int(std::lround((v - l.bottomMin) / (l.bottomMax - l.bottomMin) * l.plot.width()));
}

// Vertical extent [top, bottom) of a bar as values of the left axis would place it.
void expectVerticalSpan(const tf::ChartLayout &l, const tf::ChartLayout::Bar &b, double from, double to)
{
    EXPECT_EQ(b.rect.top(), leftY(l, to)) << "bar " << b.series << "/" << b.point;
    EXPECT_EQ(b.rect.bottom() + 1, leftY(l, from)) << "bar " << b.series << "/" << b.point;
}

QColor colourOf(const TChartSeries *s)
{
    return tf::ChartColor(s->SeriesColor.get());
}

} // namespace

TEST(ChartDrawing, TwoSeriesStackPerPointAndSetTheCountAxis)
{
    TChart c;
    TBarSeries *a = addBars(c, {{0, 1}, {1, 2}}, QStringLiteral("a"));
    TBarSeries *b = addBars(c, {{0, 3}, {1, 4}}, QStringLiteral("b"));
    const Rendered r = render(c);
    EXPECT_EQ(c.LeftAxis.Minimum.get(), 0.0);
    EXPECT_EQ(c.LeftAxis.Maximum.get(), 6.0);
    const auto ba = barsOf(r.layout, 0), bb = barsOf(r.layout, 1);
    ASSERT_EQ(ba.size(), 2);
    ASSERT_EQ(bb.size(), 2);
    expectVerticalSpan(r.layout, ba[0], 0, 1);
    expectVerticalSpan(r.layout, bb[0], 1, 4);
    expectVerticalSpan(r.layout, ba[1], 0, 2);
    expectVerticalSpan(r.layout, bb[1], 2, 6);
    for (const auto &bar : ba)
        EXPECT_EQ(pixel(r.image, bar.rect.center()), colourOf(a));
    for (const auto &bar : bb)
        EXPECT_EQ(pixel(r.image, bar.rect.center()), colourOf(b));
    EXPECT_EQ(r.layout.legendEntries.size(), 2);
}

TEST(ChartDrawing, HiddenSeriesLeavesStacksRangeAndLegend)
{
    TChart c;
    TBarSeries *a = addBars(c, {{0, 1}, {1, 2}}, QStringLiteral("a"));
    TBarSeries *b = addBars(c, {{0, 3}, {1, 4}}, QStringLiteral("b"));
    a->Active = false;
    const Rendered r = render(c);
    EXPECT_EQ(c.LeftAxis.Minimum.get(), 0.0);
    EXPECT_EQ(c.LeftAxis.Maximum.get(), 4.0);
    EXPECT_TRUE(barsOf(r.layout, 0).isEmpty());
    const auto bb = barsOf(r.layout, 1);
    ASSERT_EQ(bb.size(), 2);
    expectVerticalSpan(r.layout, bb[0], 0, 3);
    expectVerticalSpan(r.layout, bb[1], 0, 4);
    ASSERT_EQ(r.layout.legendEntries.size(), 1);
    EXPECT_EQ(r.layout.legendEntries[0].series, 1);
    EXPECT_EQ(pixel(r.image, r.layout.legendEntries[0].swatch.center()), colourOf(b));

    // With every series hidden nothing is drawn, but the ranges cover all series.
    b->Active = false;
    const Rendered none = render(c);
    EXPECT_TRUE(none.layout.bars.isEmpty());
    EXPECT_TRUE(none.layout.legendEntries.isEmpty());
    EXPECT_EQ(c.LeftAxis.Maximum.get(), 6.0);
}

TEST(ChartDrawing, NeighbouringBarsTouchAndTheLastIsOneSlotWide)
{
    for (QSize size : {QSize(621, 512), QSize(310, 256), QSize(1242, 1024), QSize(777, 333)}) {
        TChart c;
        TBarSeries *s = addBars(c, {{0, 1}, {10, 2}, {20, 3}});
        const Rendered r = render(c, size);
        const auto bars = barsOf(r.layout, 0);
        ASSERT_EQ(bars.size(), 3);
        EXPECT_EQ(bars[0].rect.left(), bottomX(r.layout, 0)) << size.width();
        EXPECT_EQ(bars[0].rect.right() + 1, bars[1].rect.left()) << size.width();
        EXPECT_EQ(bars[1].rect.right() + 1, bars[2].rect.left()) << size.width();
        EXPECT_EQ(bars[1].rect.left(), bottomX(r.layout, 10)) << size.width();
        EXPECT_NEAR(bars[0].rect.width(), bars[1].rect.width(), 1) << size.width();
        int slot = int(std::lround(r.layout.plot.width() / 4.0));
        slot += slot % 2;
        EXPECT_EQ(bars[2].rect.width(), slot) << size.width();
        // Whole bars inside the plot area, with the bin axis widened around them.
        EXPECT_TRUE(r.layout.plot.contains(bars[0].rect)) << size.width();
        EXPECT_TRUE(r.layout.plot.contains(bars[2].rect)) << size.width();
        EXPECT_LT(c.BottomAxis.Minimum.get(), 0.0);
        EXPECT_GT(c.BottomAxis.Maximum.get(), 20.0);
        // No seam: along a row through all three bars every pixel is the series' colour or its outline.
        const int y = bars[0].rect.bottom() - 2;
        const QColor fill = colourOf(s), edge = fill.darker(160);
        for (int x = bars[0].rect.left(); x <= bars[2].rect.right(); ++x) {
            const QColor p = pixel(r.image, QPoint(x, y));
            EXPECT_TRUE(p.rgb() == fill.rgb() || p.rgb() == edge.rgb()) << size.width() << " x=" << x;
        }
    }
}

TEST(ChartDrawing, HorizontalBarsStandOnTheLeftAxisPositions)
{
    TChart c;
    auto *a = addBars<THorizBarSeries>(c, {{1, 2}, {0, 4}, {3, 6}});
    auto *b = addBars<THorizBarSeries>(c, {{2, 2}, {1, 4}, {1, 6}});
    const Rendered r = render(c);
    EXPECT_EQ(c.BottomAxis.Minimum.get(), 0.0);
    EXPECT_EQ(c.BottomAxis.Maximum.get(), 4.0);
    EXPECT_LT(c.LeftAxis.Minimum.get(), 2.0);
    EXPECT_GT(c.LeftAxis.Maximum.get(), 6.0);
    const auto ba = barsOf(r.layout, 0), bb = barsOf(r.layout, 1);
    ASSERT_EQ(ba.size(), 2); // the zero-length bar is not drawn
    ASSERT_EQ(bb.size(), 3);
    // Lower edge at the position, upper edge at the next position.
    EXPECT_EQ(ba[0].rect.bottom() + 1, leftY(r.layout, 2));
    EXPECT_EQ(ba[0].rect.top(), leftY(r.layout, 4));
    EXPECT_EQ(bb[0].rect.top(), bb[1].rect.bottom() + 1);
    // Stacked along the bottom axis: b starts where a ends.
    EXPECT_EQ(ba[0].rect.left(), r.layout.plot.left());
    EXPECT_EQ(bb[0].rect.left(), ba[0].rect.right() + 1);
    EXPECT_EQ(bb[0].rect.right() + 1, bottomX(r.layout, 3));
    EXPECT_EQ(bb[1].rect.left(), r.layout.plot.left()); // a is 0 at the second position
    EXPECT_EQ(pixel(r.image, ba[1].rect.center()), colourOf(a));
    EXPECT_EQ(pixel(r.image, bb[2].rect.center()), colourOf(b));
}

TEST(ChartDrawing, LegendStandsOnEachSideAndThePlotGivesWay)
{
    struct Case {
        TLegendAlignment align;
        const char *name;
    };
    for (const Case k : {Case{laRight, "right"}, Case{laLeft, "left"}, Case{laTop, "top"}, Case{laBottom, "bottom"}}) {
        TChart c;
        auto *a = addBars(c, {{0, 1}, {1, 2}}, QStringLiteral("alpha"));
        addBars(c, {{0, 3}, {1, 4}}, QStringLiteral("beta"));
        c.Legend.Alignment = k.align;
        const Rendered r = render(c);
        const QRect lg = r.layout.legend, plot = r.layout.plot;
        ASSERT_FALSE(lg.isEmpty()) << k.name;
        EXPECT_FALSE(lg.intersects(plot)) << k.name;
        ASSERT_EQ(r.layout.legendEntries.size(), 2) << k.name;
        const QRect s0 = r.layout.legendEntries[0].swatch, s1 = r.layout.legendEntries[1].swatch;
        switch (k.align) {
        case laRight:
            EXPECT_GT(lg.left(), plot.right());
            EXPECT_GT(s1.top(), s0.top()); // a column
            break;
        case laLeft:
            EXPECT_LT(lg.right(), plot.left());
            for (const auto &lab : r.layout.leftLabels)
                EXPECT_FALSE(lab.rect.intersects(lg));
            EXPECT_GT(s1.top(), s0.top());
            break;
        case laTop:
            EXPECT_LT(lg.bottom(), plot.top());
            EXPECT_GT(lg.top(), r.layout.titleBlock.bottom());
            EXPECT_EQ(s1.top(), s0.top()); // side by side
            EXPECT_GT(s1.left(), s0.right());
            break;
        case laBottom:
            EXPECT_GT(lg.top(), plot.bottom());
            for (const auto &lab : r.layout.bottomLabels)
                EXPECT_FALSE(lab.rect.intersects(lg));
            EXPECT_EQ(s1.top(), s0.top());
            EXPECT_GT(s1.left(), s0.right());
            break;
        }
        EXPECT_EQ(pixel(r.image, s0.center()), colourOf(a)) << k.name;
    }
}

TEST(ChartDrawing, IncrementSetsTheLabelStep)
{
    TChart c;
    addBars(c, {{0, 1}, {1, 2}});
    addBars(c, {{0, 3}, {1, 4}});
    c.LeftAxis.Increment = 2;
    const Rendered r = render(c);
    QStringList texts;
    for (const auto &lab : r.layout.leftLabels)
        texts << lab.text;
    EXPECT_EQ(texts, (QStringList{"0", "2", "4", "6"}));
    for (const auto &lab : r.layout.leftLabels)
        EXPECT_EQ(lab.rect.top() + lab.rect.height() / 2, leftY(r.layout, lab.value));
}

TEST(ChartDrawing, TinyIncrementIsWidenedToMultiplesSoLabelsStayApart)
{
    TChart c;
    addBars(c, {{0, 1}, {1, 1000000}});
    c.LeftAxis.Increment = 0.001;
    c.BottomAxis.Increment = 1e-9;
    const Rendered r = render(c);
    ASSERT_GE(r.layout.leftLabels.size(), 2);
    EXPECT_LT(r.layout.leftLabels.size(), 40);
    for (int i = 1; i < r.layout.leftLabels.size(); ++i) {
        EXPECT_FALSE(r.layout.leftLabels[i].rect.intersects(r.layout.leftLabels[i - 1].rect));
        const double step = r.layout.leftLabels[i].value - r.layout.leftLabels[i - 1].value;
        const double multiple = step / 0.001;
        EXPECT_NEAR(multiple, std::round(multiple), 1e-6 * multiple);
    }
    for (int i = 1; i < r.layout.bottomLabels.size(); ++i)
        EXPECT_FALSE(r.layout.bottomLabels[i].rect.intersects(r.layout.bottomLabels[i - 1].rect));
}

TEST(ChartDrawing, AutomaticRangeReplacesAValueSetBeforeTheNextPaint)
{
    TChart c;
    addBars(c, {{0, 1}, {1, 2}});
    render(c);
    c.LeftAxis.Minimum = -3;
    EXPECT_EQ(c.LeftAxis.Minimum.get(), -3.0); // the command sees its value until the paint
    render(c);
    EXPECT_EQ(c.LeftAxis.Minimum.get(), 0.0);
    EXPECT_EQ(c.LeftAxis.Maximum.get(), 2.0);
}

TEST(ChartDrawing, FixedRangeKeepsItsValuesAndClipsBars)
{
    TChart c;
    addBars(c, {{0, 1}, {1, 5}});
    render(c);
    const double lastMin = c.BottomAxis.Minimum.get(), lastMax = c.BottomAxis.Maximum.get();
    c.BottomAxis.Automatic = false; // freezes the range last shown
    c.LeftAxis.Automatic = false;
    c.LeftAxis.Maximum = 2;
    const Rendered r = render(c);
    EXPECT_EQ(c.BottomAxis.Minimum.get(), lastMin);
    EXPECT_EQ(c.BottomAxis.Maximum.get(), lastMax);
    EXPECT_EQ(c.LeftAxis.Maximum.get(), 2.0);
    EXPECT_EQ(r.layout.leftMax, 2.0);
    const auto bars = barsOf(r.layout, 0);
    ASSERT_EQ(bars.size(), 2);
    EXPECT_LT(bars[1].rect.top(), r.layout.plot.top()); // taller than the axis: cut off when drawn
    EXPECT_EQ(pixel(r.image, QPoint(bars[1].rect.center().x(), r.layout.plot.top() - 3)),
              tf::ChartColor(c.Color.get()));
}

TEST(ChartDrawing, NothingOverlapsAtDesignHalfAndDoubleSize)
{
    for (QSize size : {QSize(621, 512), QSize(310, 256), QSize(1242, 1024)}) {
        for (TLegendAlignment align : {laRight, laLeft, laTop, laBottom}) {
            TChart c;
            auto *s = addBars(c, {}, QStringLiteral("No0"));
            for (int k = 0; k <= 15; ++k)
                s->AddXY(2 + 2 * k, (k % 3 == 0) ? 12 : 3);
            addBars(c, {{2, 1}, {4, 20}}, QStringLiteral("second column"));
            c.SubTitle.Text.Add(QStringLiteral("       No0: 平均=  15.60  標準偏差= 11.95  最大値=  31.00  最小値=   3.00"));
            c.BottomAxis.Title.Caption = QStringLiteral("区間");
            c.LeftAxis.Title.Caption = QStringLiteral("度数");
            c.Legend.Alignment = align;
            const Rendered r = render(c, size);
            const auto &l = r.layout;
            std::vector<std::pair<QString, QRect>> parts = {
                {"title", l.titleBlock}, {"subtitle", l.subTitleBlock}, {"legend", l.legend},
                {"plot", l.plot},        {"bottom title", l.bottomTitle}, {"left title", l.leftTitle}};
            for (const auto &lab : l.leftLabels)
                parts.push_back({"left " + lab.text, lab.rect});
            for (const auto &lab : l.bottomLabels)
                parts.push_back({"bottom " + lab.text, lab.rect});
            const QRect whole(QPoint(0, 0), size);
            for (size_t i = 0; i < parts.size(); ++i) {
                EXPECT_FALSE(parts[i].second.isEmpty()) << parts[i].first.toStdString();
                // A text line wider than the panel starts inside it and is cut at the right edge.
                QRect inside = parts[i].second;
                if (parts[i].first == "subtitle")
                    inside.setWidth(std::min(inside.width(), size.width() - inside.left()));
                EXPECT_TRUE(whole.contains(inside))
                    << size.width() << " " << align << " " << parts[i].first.toStdString();
                for (size_t j = i + 1; j < parts.size(); ++j)
                    EXPECT_FALSE(parts[i].second.intersects(parts[j].second))
                        << size.width() << " legend " << align << ": " << parts[i].first.toStdString() << " vs "
                        << parts[j].first.toStdString();
            }
        }
    }
}

TEST(ChartDrawing, TitleBlocksFollowTheirAlignment)
{
    TChart c;
    const QRect centred = render(c).layout.titleBlock;
    EXPECT_NEAR(centred.center().x(), 621 / 2, 1);
    c.Title.Alignment = taRightJustify;
    const Rendered right = render(c);
    EXPECT_GT(right.layout.titleBlock.left(), centred.left());
    EXPECT_GE(right.layout.titleBlock.right(), 621 - 12);
    c.Title.Alignment = taLeftJustify;
    EXPECT_LE(render(c).layout.titleBlock.left(), 8);

    c.SubTitle.Text.Add(QStringLiteral("line"));
    c.SubTitle.Alignment = taRightJustify;
    const Rendered withSub = render(c);
    EXPECT_EQ(withSub.layout.subTitleBlock.top(), withSub.layout.titleBlock.bottom() + 1 + 4);
    EXPECT_GE(withSub.layout.subTitleBlock.right(), 621 - 12);
    c.SubTitle.Visible = false;
    EXPECT_TRUE(render(c).layout.subTitleBlock.isNull());
}

TEST(ChartDrawing, SubtitleFaceIsFixedPitchSoStatisticsColumnsLineUp)
{
    tf::RegisterChartFontSubstitutions();
    TChart c;
    const QFontMetrics fm(tf::ChartFont(c.SubTitle.Font));
    const QString a = QStringLiteral("       No0: 平均=  15.60  標準偏差= 11.95");
    const QString b = QStringLiteral("Temperatur: 平均=1234.00  標準偏差=  0.50");
    EXPECT_EQ(fm.horizontalAdvance(a), fm.horizontalAdvance(b));
    EXPECT_EQ(fm.horizontalAdvance(QStringLiteral("平")), 2 * fm.horizontalAdvance(QStringLiteral("i")));
    // Point sizes are drawn at 96 pixels per inch whatever the target.
    EXPECT_EQ(tf::ChartFont(c.SubTitle.Font).pixelSize(), 12);
}

TEST(ChartDrawing, PanelWallPictureShadowAndBorder)
{
    TChart c;
    addBars(c, {{0, 1}, {1, 2}});
    const Rendered plain = render(c);
    const QColor panel = tf::ChartColor(c.Color.get());
    EXPECT_EQ(panel, QGuiApplication::palette().color(QPalette::Button));
    const QPoint inWall(plain.layout.plot.left() + 3, plain.layout.plot.top() + 3);
    EXPECT_EQ(pixel(plain.image, inWall), panel); // transparent wall shows the panel
    EXPECT_EQ(pixel(plain.image, QPoint(620, 511)), panel);

    c.BackWall.Transparent = false;
    c.BackWall.Color = RGBColor(10, 200, 30);
    EXPECT_EQ(pixel(render(c).image, inWall), QColor(10, 200, 30));

    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(QColor(250, 0, 0));
    c.BackWall.Picture.SetImage(red);
    const Rendered pic = render(c);
    EXPECT_EQ(pixel(pic.image, inWall), QColor(250, 0, 0));
    EXPECT_EQ(pixel(pic.image, pic.layout.plot.bottomRight() - QPoint(3, 3)), QColor(250, 0, 0));
    c.BackWall.Picture.SetImage(QImage()); // present but empty: not drawn
    EXPECT_EQ(pixel(render(c).image, inWall), QColor(10, 200, 30));

    c.Shadow.Visible = true;
    c.Border.Visible = true;
    const Rendered sh = render(c);
    EXPECT_EQ(sh.layout.panel, QRect(0, 0, 621 - 14, 512 - 14));
    const QColor strip = pixel(sh.image, QPoint(621 - 5, 512 / 2));
    EXPECT_NE(strip, panel);
    EXPECT_NEAR(strip.red(), strip.blue(), 12); // a grey
    EXPECT_EQ(pixel(sh.image, QPoint(0, 200)), QColor(Qt::black)); // border line
    EXPECT_EQ(pixel(sh.image, QPoint(606, 200)), QColor(Qt::black));
    EXPECT_LE(sh.layout.plot.right(), 606);
}

TEST(ChartDrawing, EmptyChartShowsTitleAndAnEmptyPlot)
{
    TChart c;
    c.SubTitle.Text.Add(QStringLiteral("statistics"));
    const Rendered r = render(c, QSize(1, 1));
    EXPECT_TRUE(r.layout.bars.isEmpty());
    const Rendered big = render(c);
    EXPECT_TRUE(big.layout.bars.isEmpty());
    EXPECT_TRUE(big.layout.legendEntries.isEmpty());
    EXPECT_FALSE(big.layout.titleBlock.isEmpty());
    EXPECT_FALSE(big.layout.subTitleBlock.isEmpty());
    EXPECT_GT(big.layout.plot.height(), 300);
}

TEST(AxisLabelText, ShowsCleanNumbers)
{
    struct Case {
        double value, step;
        const char *text;
    };
    const Case cases[] = {
        {0.1 * 3, 0.1, "0.3"},          {1.0000000001, 1, "1"}, {-1e-17, 0.5, "0.0"},   {2.5, 0.5, "2.5"},
        {0.30000000000000004, 0.05, "0.30"}, {-4, 2, "-4"},     {1500, 500, "1500"}, {2e-6, 1e-6, "0.000002"},
        {0.25, 0.25, "0.25"},
    };
    for (const Case &k : cases)
        EXPECT_EQ(tf::AxisLabelText(k.value, k.step, tf::NumberFormat{}), QString::fromUtf8(k.text)) << k.value << " step " << k.step;
}

TEST(ChartDrawing, ExtremeValuesAndStepsStayBounded)
{
    struct Case {
        const char *what;
        std::function<void(TChart &)> setup;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"denormal increment", [](TChart &c) { c.LeftAxis.Increment = 1e-320; }},
        {"huge values", [](TChart &c) { addBars(c, {{-1e300, 1e300}, {1e300, 1e300}}); }},
        {"non-finite values", [inf](TChart &c) { addBars(c, {{std::nan(""), inf}, {inf, -inf}}); }},
        {"fixed empty range", [](TChart &c) {
             c.BottomAxis.Automatic = false;
             c.BottomAxis.Maximum = 7;
             c.BottomAxis.Minimum = 7;
         }},
        {"fixed extreme range", [](TChart &c) {
             c.LeftAxis.Automatic = false;
             c.LeftAxis.Minimum = -1.7e308;
             c.LeftAxis.Maximum = 1.7e308;
         }},
        {"fixed range up to the largest Double", [](TChart &c) {
             c.LeftAxis.Automatic = false;
             c.LeftAxis.Maximum = std::numeric_limits<double>::max();
             c.LeftAxis.Minimum = -1e-9;
         }},
        {"step far wider than a fixed range", [](TChart &c) {
             c.LeftAxis.Automatic = false;
             c.LeftAxis.Maximum = 3.3;
             c.LeftAxis.Minimum = 1.9;
             c.LeftAxis.Increment = 1e300;
         }},
        {"step far wider than a negative range", [](TChart &c) {
             c.LeftAxis.Automatic = false;
             c.LeftAxis.Minimum = -3.3;
             c.LeftAxis.Maximum = -1.9;
             c.LeftAxis.Increment = 1e300;
         }},
    };
    for (const Case &k : cases) {
        for (QSize size : {QSize(0, 0), QSize(40, 30), QSize(621, 512)}) {
            TChart c;
            addBars(c, {{0, 1}, {1, 2}});
            k.setup(c);
            const Rendered r = render(c, size);
            EXPECT_LT(r.layout.leftLabels.size(), 100) << k.what;
            EXPECT_LT(r.layout.bottomLabels.size(), 100) << k.what;
            for (const auto &lab : r.layout.leftLabels) {
                EXPECT_FALSE(lab.text.contains(u'e') && lab.text.size() > 20) << k.what;
                EXPECT_TRUE(std::isfinite(lab.value) && lab.value >= r.layout.leftMin && lab.value <= r.layout.leftMax)
                    << k.what << ": " << lab.value;
            }
        }
    }
}

TEST(ChartModel, ASeriesOfAnotherChartIsNotTakenOver)
{
    TChart a, b;
    TBarSeries *s = a.CreateSeries<TBarSeries>();
    EXPECT_THROW(b.AddSeries(s), tf::Error);
    EXPECT_EQ(b.SeriesCount(), 0);
    a.AddSeries(s);
    EXPECT_EQ(a.Series(0), s);
}

TEST(ChartDrawing, EveryLegendEntryStaysInsideThePanelWithTheMostColumns)
{
    for (QSize size : {QSize(621, 512), QSize(1242, 1024)}) {
        for (TLegendAlignment align : {laRight, laLeft, laTop, laBottom}) {
            TChart c;
            for (int k = 0; k < 21; ++k) {
                addBars(c, {{0, 1}, {1, 2}}, QStringLiteral("No%1").arg(k));
                c.SubTitle.Text.Add(QStringLiteral("No%1: 平均=   1.50").arg(k));
            }
            c.Legend.Alignment = align;
            const Rendered r = render(c, size);
            const QRect panel = r.layout.panel;
            ASSERT_EQ(r.layout.legendEntries.size(), 21);
            EXPECT_TRUE(panel.contains(r.layout.legend)) << size.width() << " " << align;
            EXPECT_FALSE(r.layout.legend.intersects(r.layout.plot)) << size.width() << " " << align;
            EXPECT_FALSE(r.layout.legend.intersects(r.layout.subTitleBlock)) << size.width() << " " << align;
            for (int i = 0; i < 21; ++i) {
                const auto &e = r.layout.legendEntries[i];
                EXPECT_TRUE(r.layout.legend.contains(e.swatch)) << size.width() << " " << align << " entry " << i;
                EXPECT_TRUE(r.layout.legend.contains(e.text)) << size.width() << " " << align << " entry " << i;
                for (int j = 0; j < i; ++j)
                    EXPECT_FALSE(r.layout.legendEntries[j].text.intersects(e.text))
                        << size.width() << " " << align << " entries " << j << " " << i;
            }
        }
    }
}

TEST(ChartDrawing, WideLabelsAtTheEndsOfAFixedRangeStayInsideThePanel)
{
    TChart c;
    addBars(c, {{-50000, 1}, {0, 2}});
    c.BottomAxis.Automatic = false;
    c.BottomAxis.Minimum = -1e10;
    c.BottomAxis.Maximum = 100000;
    c.BottomAxis.Minimum = -100000;
    for (TLegendAlignment align : {laRight, laLeft}) {
        c.Legend.Alignment = align;
        const Rendered r = render(c);
        ASSERT_FALSE(r.layout.bottomLabels.isEmpty());
        EXPECT_EQ(r.layout.bottomLabels.front().text, QStringLiteral("-100000"));
        for (const auto &lab : r.layout.bottomLabels) {
            EXPECT_TRUE(r.layout.panel.contains(lab.rect)) << align << " " << lab.text.toStdString();
            EXPECT_FALSE(lab.rect.intersects(r.layout.legend)) << align << " " << lab.text.toStdString();
        }
    }
}

TEST(ChartDrawing, AShortCountAxisStillShowsAScale)
{
    TChart c;
    addBars(c, {{0, 20}, {1, 49}}, QStringLiteral("a"));
    for (int k = 0; k < 5; ++k)
        c.SubTitle.Text.Add(QStringLiteral("statistics line"));
    c.Legend.Alignment = laBottom;
    const Rendered r = render(c, QSize(310, 256));
    const auto &labels = r.layout.leftLabels;
    ASSERT_GE(labels.size(), 2) << r.layout.plot.height();
    for (int i = 1; i < labels.size(); ++i)
        EXPECT_FALSE(labels[i].rect.intersects(labels[i - 1].rect)) << labels[i].text.toStdString();
}

TEST(ChartDrawing, AVeryLongSeriesTitleIsShortenedInTheLegendNotThePlot)
{
    for (TLegendAlignment align : {laRight, laLeft, laTop, laBottom}) {
        TChart c;
        addBars(c, {{0, 1}, {1, 2}}, QString(200, u'W'));
        addBars(c, {{0, 3}, {1, 4}}, QStringLiteral("short"));
        c.Legend.Alignment = align;
        const Rendered r = render(c);
        EXPECT_TRUE(r.layout.panel.contains(r.layout.legend)) << align;
        EXPECT_FALSE(r.layout.legend.intersects(r.layout.plot)) << align;
        EXPECT_GE(r.layout.plot.width(), 621 / 3) << align;
        for (const auto &e : r.layout.legendEntries)
            EXPECT_TRUE(r.layout.legend.contains(e.text)) << align;
        // Only the long title is shortened; "short" is drawn whole whatever the painter's metrics.
        ASSERT_EQ(r.layout.legendEntries.size(), 2) << align;
        EXPECT_TRUE(r.layout.legendEntries[0].shortened) << align;
        EXPECT_FALSE(r.layout.legendEntries[1].shortened) << align;
    }
}
