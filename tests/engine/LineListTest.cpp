#include "engine/LineList.h"
#include <gtest/gtest.h>

TEST(LineList, KeepsLinesAndRemovesOnlyEmptyOnes)
{
    tf::LineList l(QStringList{QStringLiteral("a,b"), QString(), QStringLiteral(" "), QString(), QStringLiteral("1,2")});
    const auto gen = l.generation();
    l.removeEmptyLines();
    EXPECT_EQ(l.toStringList(), (QStringList{QStringLiteral("a,b"), QStringLiteral(" "), QStringLiteral("1,2")}));
    EXPECT_EQ(l.generation(), gen);
    l.append(u"3,4");
    EXPECT_NE(l.generation(), gen);
    EXPECT_EQ(l.at(3), u"3,4");
}

TEST(LineList, AdoptsRangesOfAText)
{
    QString text = QStringLiteral("x\r\ny\n");
    auto l = tf::LineList::fromRanges(text, {{0, 1}, {3, 4}});
    EXPECT_EQ(l.toStringList(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
}

TEST(LineList, RemovesEmptyLinesAppendedAfterARemoval)
{
    tf::LineList l(QStringList{QStringLiteral("1"), QString()});
    l.removeEmptyLines();
    l.append(u"");
    l.append(u"2");
    tf::LineList copy = l;
    copy.removeEmptyLines();
    EXPECT_EQ(copy.toStringList(), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    l.clear();
    l.append(u"");
    l.removeEmptyLines();
    EXPECT_TRUE(l.isEmpty());
}
