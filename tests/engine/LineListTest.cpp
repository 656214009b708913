#include "engine/LineList.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

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

// A text large enough to be indexed in pieces side by side: every line, and every empty one, found
// as a plain split finds them, wherever the pieces are cut (on a letter, an LF, inside a run of LFs).
TEST(LineList, IndexesALargeTextAsAPlainSplitDoes)
{
    tftest::XorShift next{0x2545F4914F6CDD1Dull};
    QByteArray text;
    while (text.size() < (qsizetype(12) << 20)) {
        const std::uint64_t r = next();
        if (r % 3 == 0) { // half of the lines empty, in runs
            text.append(qsizetype(1 + (r >> 8) % 4), '\n');
            continue;
        }
        for (int k = 0, length = int((r >> 8) % 40); k < length; ++k)
            text += char('a' + (r >> (k % 48)) % 26);
        text += (r >> 60) == 0 ? "\r\n" : (r >> 60) == 1 ? "\r" : "\n";
    }
    // Shifts that put the middle of the text, where two processors cut it, inside a run of LFs and
    // on a letter right after an LF.
    std::vector<qsizetype> shifts{0};
    for (const auto &cutAt : {std::function<bool(const char *)>([](const char *c) { return c[-1] == '\n' && c[0] == '\n'; }),
                              std::function<bool(const char *)>([](const char *c) { return c[-1] == '\n' && c[0] != '\n'; })}) {
        for (qsizetype shift = 1; shift < 4096; ++shift)
            if (cutAt(text.constData() + shift + (text.size() - shift) / 2)) {
                shifts.push_back(shift);
                break;
            }
    }
    ASSERT_EQ(shifts.size(), 3u);
    for (const qsizetype shift : shifts) {
        const QByteArray shifted = text.sliced(shift);
        // The plain split: CR LF, a lone CR and a lone LF each end a line; the text ends with a break.
        QList<QByteArray> expected;
        qsizetype start = 0;
        for (qsizetype i = 0; i < shifted.size(); ++i) {
            if (shifted[i] != '\n' && shifted[i] != '\r')
                continue;
            expected.append(shifted.sliced(start, i - start));
            if (shifted[i] == '\r' && i + 1 < shifted.size() && shifted[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
        tf::LineList lines = tf::LineList::fromUtf8(shifted);
        ASSERT_EQ(lines.size(), expected.size()) << "shift " << shift;
        for (qsizetype i = 0; i < expected.size(); ++i)
            ASSERT_EQ(lines.bytesAt(i), QByteArrayView(expected[i])) << "line " << i << ", shift " << shift;
        lines.removeEmptyLines();
        expected.removeIf([](const QByteArray &line) { return line.isEmpty(); });
        ASSERT_EQ(lines.size(), expected.size()) << "without the empty lines, shift " << shift;
        for (qsizetype i = 0; i < expected.size(); i += 97)
            ASSERT_EQ(lines.bytesAt(i), QByteArrayView(expected[i])) << "line " << i << " without the empty lines";
    }
}

// The one empty line of a large text lies where two processors cut it: it is still found, and removed.
TEST(LineList, FindsTheOnlyEmptyLineWhereTheTextIsCut)
{
    const qsizetype half = qsizetype(5) << 20;
    QByteArray line("1.5\n");
    const QByteArray lines = line.repeated(half / line.size());
    tf::LineList list = tf::LineList::fromUtf8(lines + "\n" + lines);
    ASSERT_EQ(list.size(), 2 * lines.size() / line.size() + 1);
    EXPECT_TRUE(list.bytesAt(lines.size() / line.size()).isEmpty());
    list.removeEmptyLines();
    EXPECT_EQ(list.size(), 2 * lines.size() / line.size());
    EXPECT_EQ(list.bytesAt(lines.size() / line.size()), QByteArrayView("1.5"));
}

// A large text whose only CR LF lies in its second half, where the second processor looks for it.
TEST(LineList, JoinsACarriageReturnFoundByTheSecondPiece)
{
    const QByteArray lines = QByteArray("1.5\n").repeated((qsizetype(5) << 20) / 4);
    const tf::LineList list = tf::LineList::fromUtf8(lines + "2.5\r\n" + lines);
    ASSERT_EQ(list.size(), 2 * lines.size() / 4 + 1);
    EXPECT_EQ(list.bytesAt(lines.size() / 4), QByteArrayView("2.5"));
    EXPECT_EQ(list.bytesAt(lines.size() / 4 + 1), QByteArrayView("1.5"));
}
