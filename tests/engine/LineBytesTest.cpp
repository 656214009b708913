// DataList kept as UTF-8 bytes with a mark every 32 lines: every line comes back as it went in.
#include "engine/LineList.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace tf;

TEST(LineBytes, EveryLineComesBackWholeWhereverItStands)
{
    QStringList lines;
    for (int i = 0; i < 200; ++i) {
        switch (i % 5) {
        case 0: lines += QString(); break;
        case 1: lines += QStringLiteral("測定値%1,温度（℃）").arg(i); break;
        case 2: lines += QString(QChar(0xD800)) + QString::number(i) + QChar(0xDFFF); break; // lone surrogates
        case 3: lines += QStringLiteral("𝄞 %1 \u00e9").arg(i); break;
        default: lines += QString(QChar(u'\0')) + QString::number(i);
        }
    }
    LineList l(lines);
    ASSERT_EQ(l.size(), lines.size());
    EXPECT_EQ(l.toStringList(), lines);
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(l.at(i), lines[i]) << i;
    l.removeEmptyLines();
    lines.removeAll(QString());
    ASSERT_EQ(l.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); i += 7)
        EXPECT_EQ(l.at(i), lines[i]) << i;
    EXPECT_EQ(l, LineList(lines));
}

// Long ASCII runs are encoded many units at a time: a character of two, three or four bytes (a pair of
// surrogates split or not) at every position of such a run gives Qt's own UTF-8, and a lone surrogate
// its own three bytes, coming back as it went in.
TEST(LineBytes, EncodingMatchesUtf8AroundAsciiRuns)
{
    const QString ascii = QStringLiteral("0123456789.,\t-abcdefghijklmnopqrstuvwxyz0123456789ABCDEF");
    const QStringList others = {QStringLiteral("\u00e9"), QStringLiteral("温"), QStringLiteral("𝄞")};
    for (const QString &other : others) {
        for (int at = 0; at < 40; ++at) {
            QString text = ascii;
            text.insert(at, other);
            text += ascii.left(at % 17);
            EXPECT_EQ(EncodeLineText(text), text.toUtf8()) << qPrintable(other) << " at " << at;
            EXPECT_EQ(DecodeLineText(EncodeLineText(text)), text) << at;
        }
    }
    for (int at = 0; at < 40; ++at) {
        QString text = ascii;
        text.insert(at, QChar(0xDC01)); // a low surrogate alone
        const QByteArray bytes = EncodeLineText(text);
        EXPECT_EQ(bytes.size(), text.size() + 2) << at;
        EXPECT_EQ(DecodeLineText(bytes), text) << at;
    }
}

TEST(LineBytes, BytesAreSplitInPlaceByTheLineBreakRule)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        qsizetype begin;
        QStringList lines;
    };
    const Case cases[] = {
        {"LF only, no break at the end", "a\nb", 0, {QStringLiteral("a"), QStringLiteral("b")}},
        {"CR LF, lone CR and LF CR", "a\r\nb\rc\n\rd", 0, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral(""), QStringLiteral("d")}},
        {"break at the end adds no line", "a\r\n", 0, {QStringLiteral("a")}},
        {"a mark skipped by its offset", "\xEF\xBB\xBF" "1\r\n2", 3, {QStringLiteral("1"), QStringLiteral("2")}},
        {"empty", "", 0, {}},
        {"one empty line", "\n", 0, {QStringLiteral("")}},
    };
    for (const Case &c : cases) {
        QByteArray bytes = c.bytes;
        bytes.reserve(bytes.size() + 1);
        const LineList l = LineList::fromUtf8(std::move(bytes), c.begin);
        EXPECT_EQ(l.toStringList(), c.lines) << c.name;
        EXPECT_EQ(l.size(), c.lines.size()) << c.name;
    }
}

TEST(LineBytes, RandomRunsOfShortAndEmptyLinesAreIndexedWhole)
{
    // Lines of 0 to 40 bytes, many empty, after a prefix of 0 to 3 bytes, so that the line ends and
    // every 32nd line fall at every place of the sixteen-byte blocks the index reads.
    tftest::XorShift next{0x2545F4914F6CDD1Dull};
    for (int round = 0; round < 200; ++round) {
        const qsizetype begin = qsizetype(next() % 4);
        QByteArray bytes(begin, 'x');
        QStringList lines;
        const int count = int(next() % 700) + 1;
        // Every other round has one empty line only, which must still be found and removed.
        const int onlyEmpty = round % 2 == 1 ? int(next() % unsigned(count)) : -1;
        for (int k = 0; k < count; ++k) {
            int length = next() % 3 == 0 ? 0 : int(next() % 41);
            if (onlyEmpty >= 0)
                length = k == onlyEmpty ? 0 : 1 + int(next() % 40);
            QByteArray line;
            for (int c = 0; c < length; ++c)
                line += char('a' + next() % 26);
            lines += QString::fromLatin1(line);
            bytes += line + '\n';
        }
        LineList l = LineList::fromUtf8(bytes, begin);
        ASSERT_EQ(l.size(), lines.size()) << "round " << round;
        for (qsizetype i = 0; i < lines.size(); ++i)
            ASSERT_EQ(l.at(i), lines[i]) << "round " << round << ", line " << i;
        l.removeEmptyLines();
        lines.removeAll(QString());
        EXPECT_EQ(l.toStringList(), lines) << "round " << round;
        for (qsizetype i = 0; i < lines.size(); ++i)
            ASSERT_EQ(l.at(i), lines[i]) << "round " << round << ", line " << i << " of the non-empty ones";
    }
}

TEST(LineBytes, ALargeTextIsIndexedWhole)
{
    // Megabytes of short and empty lines after the mark, once behind one line of several megabytes.
    tftest::XorShift next{0x9E3779B97F4A7C15ull};
    for (const qsizetype longFirstLine : {qsizetype(0), qsizetype(6) << 20}) {
        QByteArray bytes("\xEF\xBB\xBF");
        std::vector<QByteArray> lines;
        if (longFirstLine > 0) {
            lines.push_back(QByteArray(longFirstLine, '7'));
            bytes += lines.back() + '\n';
        }
        while (bytes.size() < (qsizetype(11) << 20)) {
            const int length = next() % 4 == 0 ? 0 : int(next() % 30);
            QByteArray line;
            for (int c = 0; c < length; ++c)
                line += char('0' + next() % 10);
            lines.push_back(line);
            bytes += line + '\n';
        }
        LineList l = LineList::fromUtf8(bytes, 3);
        ASSERT_EQ(l.size(), qsizetype(lines.size()));
        for (size_t i = 0; i < lines.size(); ++i)
            ASSERT_EQ(l.bytesAt(qsizetype(i)), lines[i]) << "line " << i;
        l.removeEmptyLines();
        std::erase(lines, QByteArray());
        ASSERT_EQ(l.size(), qsizetype(lines.size()));
        for (size_t i = 0; i < lines.size(); ++i)
            ASSERT_EQ(l.bytesAt(qsizetype(i)), lines[i]) << "line " << i << " of the non-empty ones";
    }
}

TEST(LineBytes, AFileOfShortLinesCostsAboutItsOwnSize)
{
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += char('0' + i % 10) + QByteArray("\n");
    const qsizetype size = bytes.size();
    const LineList l = LineList::fromUtf8(std::move(bytes));
    EXPECT_EQ(l.size(), 100000);
    EXPECT_EQ(l.byteSize(), size); // the same buffer, not a copy
    EXPECT_EQ(l.at(99999), QStringLiteral("9"));
    EXPECT_EQ(l.at(12345), QStringLiteral("5"));
}
