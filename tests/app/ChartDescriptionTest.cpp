// What assistive technology is told about the chart, and that it stays current.
#include "tests/app/WindowFixture.h"

#include <QAccessible>
#include <QCheckBox>

TEST_F(WindowTest, ChartDescriptionListsWhatTheChartShows)
{
    Load({QStringLiteral("a,b"), QStringLiteral("1,3"), QStringLiteral("2,3"), QStringLiteral("3,4")});
    form->HorizontalCheck->click(); // a command: the description is brought up to date at its end
    form->HorizontalCheck->click();
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(form->Chart1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Chart);
    const QStringList lines = a->text(QAccessible::Description).split(u'\n');

    QStringList expected{QStringLiteral("タイトル")};
    expected += chart().SubTitle.Text.Lines();
    expected += {QStringLiteral("凡例 a"), QStringLiteral("凡例 b")};
    ASSERT_GE(lines.size(), expected.size() + 2);
    EXPECT_EQ(lines.mid(0, expected.size()), expected);
    EXPECT_TRUE(lines[expected.size()].startsWith(QStringLiteral("横軸 ")));
    EXPECT_TRUE(lines[expected.size() + 1].startsWith(QStringLiteral("縦軸 0.00 - ")));

    // Per series its title, then one line per bin: position with two decimals, count.
    const qsizetype first = lines.indexOf(QStringLiteral("系列 a"));
    const qsizetype second = lines.indexOf(QStringLiteral("系列 b"));
    ASSERT_GT(first, 0);
    ASSERT_GT(second, first);
    const QStringList bins[] = {lines.mid(first + 1, second - first - 1), lines.mid(second + 1)};
    for (int s = 0; s < 2; ++s) {
        ASSERT_EQ(bins[s].size(), chart().Series(s)->Count());
        for (int j = 0; j < bins[s].size(); ++j) {
            const tf::TChartValue &p = chart().Series(s)->Value(j);
            EXPECT_EQ(bins[s][j], QString::asprintf("%.2f: %d", p.X, int(p.Y)));
        }
    }
    // Width 0.3 on a grid from 0.90: the 4 of series b lies in the last bin, which starts at 3.90.
    EXPECT_EQ(bins[1].last(), QStringLiteral("3.90: 1"));
}

TEST_F(WindowTest, ChartDescriptionShowsAZeroCharacterAndGoesOnPastIt)
{
    // A header cell holding a zero character, as a binary file's bytes may
    const QString title = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b");
    Load({title + QStringLiteral(",c"), QStringLiteral("1,3"), QStringLiteral("2,4")});
    form->HorizontalCheck->click();
    form->HorizontalCheck->click();
    const QString text = form->Chart1->accessibleDescription();
    EXPECT_EQ(text.indexOf(QChar(u'\0')), -1);
    const QString shown = QStringLiteral("a\u2400b");
    EXPECT_TRUE(text.contains(QStringLiteral("凡例 ") + shown + QStringLiteral("\n凡例 c\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n系列 ") + shown + u'\n'));
    // everything after it is there: the statistics lines and the second series with its bins
    EXPECT_TRUE(text.contains(QStringLiteral("\n         c: 平均=")));
    const qsizetype second = text.indexOf(QStringLiteral("\n系列 c\n"));
    ASSERT_NE(second, -1);
    EXPECT_EQ(text.mid(second).count(u'\n'), 1 + chart().Series(1)->Count());
}

TEST_F(WindowTest, ChartDescriptionFollowsOrientationVisibilityAndStatistics)
{
    Load(SampleColumn());
    form->HorizontalCheck->click();
    QString text = form->Chart1->accessibleDescription();
    // Horizontal bars carry the position on the left axis; the bin lines read the same.
    EXPECT_TRUE(text.contains(QStringLiteral("\n系列 No0\n2.00: 1\n4.00: 0\n6.00: 1\n")));
    EXPECT_TRUE(text.contains(SampleStatistics));

    form->StatisticsCheck->click();
    text = form->Chart1->accessibleDescription();
    EXPECT_FALSE(text.contains(SampleStatistics));

    // A change made outside any command reaches the description once events run.
    chart().Series(0)->Active = false;
    QCoreApplication::processEvents();
    text = form->Chart1->accessibleDescription();
    EXPECT_FALSE(text.contains(QStringLiteral("系列 No0")));
    EXPECT_FALSE(text.contains(QStringLiteral("凡例 No0")));
}
