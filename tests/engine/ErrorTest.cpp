#include "engine/Error.h"
#include <gtest/gtest.h>

TEST(ErrorReportText, AddsFullStopOnlyAfterCharactersAboveIt)
{
    struct Case { QString in, out; };
    const Case cases[] = {
        {QStringLiteral("Axis increment must be >= 0"), QStringLiteral("Axis increment must be >= 0.")},
        {QStringLiteral("ファイル x は開けません。 reason "), QStringLiteral("ファイル x は開けません。 reason ")},
        {QStringLiteral("done."), QStringLiteral("done.")},
        {QStringLiteral("a-"), QStringLiteral("a-")},
        {QString(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tf::ErrorReportText(c.in), c.out) << c.in.toStdString();
}
