// Long texts are measured and drawn only as far as they can show, with the same picture as in full.
#include "ChartTestSupport.h"
#include "chart/VisibleText.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

using namespace charttest;

TEST(VisibleText, ShortTextsStayWholeAndLongOnesKeepTheirStart)
{
    EXPECT_EQ(ShowablePart(QStringLiteral("No0"), 100), QStringLiteral("No0"));
    EXPECT_EQ(ShowablePart(QString(), 0), QString());
    const QString longText(100000, u'x');
    const QString part = ShowablePart(longText, 100);
    EXPECT_LT(part.size(), 1000);
    EXPECT_GE(part.size(), 200); // two units a pixel: more than any readable font fills
    EXPECT_TRUE(longText.startsWith(part));
}

TEST(VisibleText, NeverSplitsASurrogatePair)
{
    // U+1F600 is two UTF-16 units; wherever the cut falls, the part ends on a whole character.
    QString pairs;
    for (int i = 0; i < 2000; ++i)
        pairs += QString::fromUcs4(U"\U0001F600");
    for (int width = 0; width < 8; ++width) {
        const QString part = ShowablePart(QStringLiteral("a") + pairs, width);
        ASSERT_FALSE(part.isEmpty());
        EXPECT_FALSE(part.back().isHighSurrogate()) << width;
    }
}

TEST(VisibleText, MeasureAgreesWithTheWholeTextWhereItFits)
{
    tf::RegisterChartFontSubstitutions();
    TChart c;
    const QFontMetrics fm(ChartFont(c.Legend.Font));
    for (const QString &text : {QString(), QStringLiteral("No0"), QStringLiteral("温度 Temperature 平均"),
                                QString(40, u'i')}) {
        const ShownWidth w = MeasureShowable(text, fm, 400);
        EXPECT_EQ(w.width, fm.horizontalAdvance(text)) << text.toStdString();
        EXPECT_FALSE(w.wider) << text.toStdString();
    }
    const ShownWidth wide = MeasureShowable(QString(1000000, u'W'), fm, 400);
    EXPECT_TRUE(wide.wider);
    EXPECT_GT(wide.width, 400);
}

TEST(VisibleText, AMegabyteTitleDrawsAsItsStartDoes)
{
    // Title, statistics line and legend entry from a header cell of a megabyte, against the same chart with
    // only the cell's first 5000 characters: the pictures are the same.
    const auto chartWith = [](const QString &cell, TChart &c) {
        c.Title.Text.Clear();
        c.Title.Text.Add(cell);
        c.SubTitle.Text.Add(cell + QStringLiteral(": 平均=  15.60  標準偏差= 11.95"));
        addBars(c, {{0, 1}, {10, 2}}, cell);
    };
    QString cell;
    for (int i = 0; i < 1000000; ++i)
        cell += QChar(u'A' + i % 26);
    TChart whole, start;
    chartWith(cell, whole);
    chartWith(cell.left(5000), start);
    const Rendered a = render(whole), b = render(start);
    EXPECT_TRUE(a.image == b.image);
    ASSERT_EQ(a.layout.titleLines.size(), 1);
    EXPECT_LT(a.layout.titleLines[0].text.size(), 5000);
    ASSERT_EQ(a.layout.legendEntries.size(), 1);
    EXPECT_TRUE(a.layout.legendEntries[0].shortened);
}
