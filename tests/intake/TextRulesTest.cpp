#include "intake/TextRules.h"

#include "engine/Error.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <string>

namespace {

using tf::LineList;

using tftest::cannotOpen;
using tftest::fixture;

QStringList linesOf(const LineList &lines) { return lines.toStringList(); }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// ---- line-break rule -------------------------------------------------------------------------

struct BreakCase {
    const char16_t *name;
    QString text;
    QStringList lines;
};

TEST(SplitLines, FollowsTheLineBreakTable)
{
    const QChar nul(u'\0');
    const BreakCase cases[] = {
        {u"empty text", QString(), {}},
        {u"no break", u"a"_qs, {u"a"_qs}},
        {u"CR LF", u"a\r\nb"_qs, {u"a"_qs, u"b"_qs}},
        {u"lone CR", u"a\rb"_qs, {u"a"_qs, u"b"_qs}},
        {u"lone LF", u"a\nb"_qs, {u"a"_qs, u"b"_qs}},
        {u"LF CR is two breaks", u"a\n\rb"_qs, {u"a"_qs, QString(), u"b"_qs}},
        {u"CR CR LF is two breaks", u"a\r\r\nb"_qs, {u"a"_qs, QString(), u"b"_qs}},
        {u"final CR LF adds no line", u"a\r\n"_qs, {u"a"_qs}},
        {u"final lone CR adds no line", u"a\r"_qs, {u"a"_qs}},
        {u"two final breaks add one empty line", u"a\r\n\r\n"_qs, {u"a"_qs, QString()}},
        {u"two final LF add one empty line", u"a\n\n"_qs, {u"a"_qs, QString()}},
        {u"final LF CR adds one empty line", u"a\n\r"_qs, {u"a"_qs, QString()}},
        {u"break alone", u"\r\n"_qs, {QString()}},
        {u"leading breaks", u"\n\na"_qs, {QString(), QString(), u"a"_qs}},
        {u"spaces are a line", u"1\n  \n2"_qs, {u"1"_qs, u"  "_qs, u"2"_qs}},
        {u"zero characters kept", u"a"_qs + nul + u"b\n"_qs + nul, {u"a"_qs + nul + u"b"_qs, QString(nul)}},
        {u"spreadsheet copy", u"名前\t値\r\n1\t2\r\n3\t4\r\n"_qs, {u"名前\t値"_qs, u"1\t2"_qs, u"3\t4"_qs}},
        {u"spreadsheet copy with LF", u"名前\t値\n1\t2\n3\t4\n"_qs, {u"名前\t値"_qs, u"1\t2"_qs, u"3\t4"_qs}},
    };
    for (const BreakCase &c : cases)
        EXPECT_EQ(linesOf(tf::SplitLines(c.text)), c.lines) << QString::fromUtf16(c.name).toStdString();
}

TEST(SplitLines, KeepsAHugeSingleLineWhole)
{
    QString text(10 * 1024 * 1024, u'7');
    text.append(u"\r\n1"_qs);
    const LineList lines = tf::SplitLines(text);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0).size(), 10 * 1024 * 1024);
    EXPECT_EQ(lines.at(1), u"1");
}

// ---- strict UTF-8 ----------------------------------------------------------------------------

TEST(DecodeStrictUtf8, RefusesEveryInvalidSequence)
{
    const char *invalid[] = {
        "\x80",             // lone continuation byte
        "\xBF",             // lone continuation byte
        "\xC0\x80",         // overlong NUL
        "\xC1\xBF",         // overlong ASCII
        "\xE0\x80\x80",     // overlong three-byte form
        "\xF0\x80\x80\x80", // overlong four-byte form
        "\xED\xA0\x80",     // surrogate D800
        "\xED\xBF\xBF",     // surrogate DFFF
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF5\x80\x80\x80", // lead byte beyond the range
        "\xF8\x88\x80\x80\x80", // five-byte form
        "\xFE",
        "\xFF",
        "\xE3\x81",         // truncated at the end
        "\xE3",             // truncated lead byte alone
        "a\xE3\x81" "b",    // truncated before an ASCII byte
        "\xC3" "a",         // missing continuation
    };
    for (const char *bytes : invalid)
        EXPECT_FALSE(tf::DecodeStrictUtf8(QByteArrayView(bytes)).has_value()) << QByteArray(bytes).toHex().toStdString();
}

TEST(DecodeStrictUtf8, AcceptsEveryValidEdgeAndKeepsAnInnerMark)
{
    struct Valid {
        QByteArray bytes;
        QString text;
    };
    const Valid cases[] = {
        {QByteArray("\x00", 1), QString(QChar(u'\0'))},
        {"\x7F", QString(QChar(0x7F))},
        {"\xC2\x80", QString(QChar(0x80))},
        {"\xED\x9F\xBF", QString(QChar(0xD7FF))},
        {"\xEE\x80\x80", QString(QChar(0xE000))},
        {"\xEF\xBF\xBF", QString(QChar(0xFFFF))},
        {"\xF0\x90\x80\x80", QString::fromUcs4(U"\U00010000")},
        {"\xF4\x8F\xBF\xBF", QString::fromUcs4(U"\U0010FFFF")},
        {"\xEF\xBB\xBF" "1", u"\uFEFF" "1"_qs},
    };
    for (const Valid &c : cases) {
        const std::optional<QString> text = tf::DecodeStrictUtf8(c.bytes);
        ASSERT_TRUE(text.has_value()) << c.bytes.toHex().toStdString();
        EXPECT_EQ(*text, c.text) << c.bytes.toHex().toStdString();
    }
}

TEST(DecodeStrictUtf8, LongTextsAreCheckedToTheirLastByte)
{
    // Long texts are decoded piecewise; characters across a piece boundary and faults far
    // into the text must come out as in a short one.
    for (const qsizetype lead : {qsizetype(1 << 20) - 1, qsizetype(1 << 20) - 2, qsizetype(3 << 20)}) {
        const QByteArray ascii(lead, 'a');
        const std::optional<QString> text = tf::DecodeStrictUtf8(ascii + "\xE3\x81\x82" "b");
        ASSERT_TRUE(text.has_value()) << lead;
        EXPECT_EQ(*text, QString(lead, u'a') + u"あb"_qs) << lead;
        EXPECT_FALSE(tf::DecodeStrictUtf8(ascii + "\xE3\x81" "b").has_value()) << lead;
        EXPECT_FALSE(tf::DecodeStrictUtf8(ascii + "\xE3\x81").has_value()) << lead;
        EXPECT_FALSE(tf::DecodeStrictUtf8(ascii + "\xFF").has_value()) << lead;
    }
}

// ---- file-reading rule on bytes --------------------------------------------------------------

TEST(DecodeFileText, EveryEncodingOfTheSameTableGivesTheSameLines)
{
    const QStringList expected = {
        u"番号,表示値,ソース,ﾒﾓ"_qs,
        u"1,12.5,-0.25,あ"_qs,
        u"2,13.75,1E3,\"a,b\""_qs,
    };
    const char *files[] = {"encoding-utf8.csv", "encoding-utf8-mark.csv", "encoding-sjis.csv",
                           "encoding-utf16le-mark.csv", "encoding-utf16be-mark.csv"};
    for (const char *name : files) {
        EXPECT_EQ(linesOf(tf::ReadDataFile(fixture(name))), expected) << name;
        // The Shift_JIS file must be read as CP932 whatever the machine's locale says.
        EXPECT_EQ(linesOf(tf::SplitLines(tf::DecodeFileText(readAll(fixture(name)), "CP932"))), expected) << name;
    }
}

TEST(DecodeFileText, SheetsExportedByASpreadsheetGiveTheirRows)
{
    const QStringList rows[] = {
        {u"長さ(mm)"_qs, u"重さ 表示値"_qs, u"ソース温度"_qs},
        {u"12.5"_qs, u"0.25"_qs, u"-3.75"_qs},
        {u"13.125"_qs, u"0.5"_qs, u"21"_qs},
        {u"14.75"_qs, u"1.125"_qs, u"0.5"_qs},
    };
    struct Export {
        const char *file;
        QChar separator;
    };
    const Export exports[] = {{"spreadsheet-utf8.csv", u','}, {"spreadsheet-sjis.csv", u','}, {"spreadsheet-tab.txt", u'\t'}};
    for (const Export &e : exports) {
        QStringList expected;
        for (const QStringList &row : rows)
            expected << row.join(e.separator);
        EXPECT_EQ(linesOf(tf::SplitLines(tf::DecodeFileText(readAll(fixture(e.file)), "CP932"))), expected) << e.file;
    }
}

struct BytesCase {
    const char *name;
    QByteArray bytes;
    QStringList lines;
};

TEST(DecodeFileText, ReadsOddAndBadInputWithoutFailing)
{
    const QString dot(QChar(0x30FB)); // CP932's default character
    const QChar nul(u'\0');
    const BytesCase cases[] = {
        {"zero bytes", QByteArray(), {}},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", {}},
        {"UTF-8 mark then text", "\xEF\xBB\xBF" "1\r\n2", {u"1"_qs, u"2"_qs}},
        {"second UTF-8 mark stays a character", "\xEF\xBB\xBF\xEF\xBB\xBF" "1", {u"\uFEFF" "1"_qs}},
        {"UTF-16 LE mark alone", "\xFF\xFE", {}},
        {"UTF-16 LE odd last byte dropped", QByteArray("\xFF\xFE" "1\0\n\0" "2\0" "3", 9), {u"1"_qs, u"2"_qs}},
        {"UTF-16 BE", QByteArray("\xFE\xFF\0" "1\0\r\0\n\0" "2", 10), {u"1"_qs, u"2"_qs}},
        {"UTF-16 lone surrogate kept", QByteArray("\xFF\xFE\x00\xD8" "1\0", 6), {QString(QChar(0xD800)) + u'1'}},
        {"UTF-16 without mark is read as UTF-8 with its zeros",
         QByteArray("1\0\r\0\n\0" "2\0", 8),
         {u"1"_qs + nul, QString(nul), nul + u"2"_qs + nul}},
        {"invalid UTF-8 without mark is legacy text", "1\xC0\x80\r\n2", {u"1\uFF80"_qs + dot, u"2"_qs}},
        {"Shift_JIS trail byte 0x5C", "\x95\x5C,\x83\x5C", {u"表,ソ"_qs}},
        {"lead byte before a line break keeps the break", "\x81\n2", {dot, u"2"_qs}},
        {"lead byte cut off at the end", "1,\x81", {u"1,"_qs + dot}},
        {"bytes CP932 cannot map", "\x80\xA0\xFD\xFE\xFF" "1", {dot + dot + dot + dot + dot + u'1'}},
    };
    for (const BytesCase &c : cases)
        EXPECT_EQ(linesOf(tf::SplitLines(tf::DecodeFileText(c.bytes, "CP932"))), c.lines) << c.name;
}

TEST(DecodeFileText, InvalidUtf8AfterTheMarkIsAnError)
{
    const char *cases[] = {("\xEF\xBB\xBF" "1\xFF"), "\xEF\xBB\xBF\x95\x5C", "\xEF\xBB\xBF\xE3\x81"};
    for (const char *bytes : cases) {
        try {
            tf::DecodeFileText(QByteArrayView(bytes), "CP932");
            ADD_FAILURE() << "no error for " << QByteArray(bytes).toHex().toStdString();
        } catch (const tf::Error &e) {
            EXPECT_EQ(e.message(), u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません"_qs);
        }
    }
}

TEST(DecodeFileText, BinaryBytesGiveSomeTextAndNeverFail)
{
    QByteArray bytes("\x89PNG\r\n\x1A\n", 8);
    QRandomGenerator gen(1234);
    for (int i = 0; i < 1 << 20; ++i)
        bytes.append(char(gen.bounded(256)));
    const QString text = tf::DecodeFileText(bytes, "CP932");
    EXPECT_GT(text.size(), 0);
    EXPECT_LE(text.size(), bytes.size());
    // 0x89 is a CP932 lead byte and takes the "P" with it; the rest of the signature stays.
    EXPECT_EQ(text.mid(1, 6), u"NG\r\n\x1A\n"_qs);
}

TEST(DecodeLegacy, LongMixedShiftJisTextComesOutWhole)
{
    // Random runs of ASCII and Japanese at every alignment, against the text they were made from.
    struct Token {
        QByteArray bytes;
        QString text;
    };
    const Token tokens[] = {
        {"12.5", u"12.5"_qs},           {",", u","_qs},          {"\r\n", u"\r\n"_qs},
        {"\x95\x5C", u"表"_qs},         {"\x83\x5C", u"ソ"_qs},  {"\x82\xA0", u"あ"_qs},
        {"\xB6\xC5", u"ｶﾅ"_qs},         {"\x94\xD4\x8D\x86", u"番号"_qs},
        {"0123456789abcdefghij", u"0123456789abcdefghij"_qs},
        // Bytes that start no character, and a lead byte whose next byte cannot trail it.
        {"\x80", u"\u30FB"_qs},          {"\xFF", u"\u30FB"_qs},   {"\x81" "1", u"\u30FB" "1"_qs},
    };
    QRandomGenerator gen(99);
    QByteArray bytes;
    QString expected;
    while (bytes.size() < 300000) {
        const Token &t = tokens[gen.bounded(int(std::size(tokens)))];
        bytes += t.bytes;
        expected += t.text;
    }
    EXPECT_EQ(tf::DecodeLegacy(bytes, "CP932"), expected);
    EXPECT_EQ(tf::DecodeFileText(bytes, "CP932"), expected);
}

TEST(DecodeLegacy, UsesTheGivenCodesetAndFallsBackForAnUnknownOne)
{
    EXPECT_EQ(tf::DecodeLegacy("caf\xE9", "ISO-8859-1"), u"café"_qs);
    // A multibyte codeset decoded without the ASCII shortcut; its cut-off tail gets "?".
    EXPECT_EQ(tf::DecodeLegacy("\xA4\xA2,1\xA4", "EUC-JP"), u"あ,1?"_qs);
    EXPECT_EQ(tf::DecodeLegacy("\x95\x5C", "NO-SUCH-CODESET"), u"表"_qs);
    // Where a codeset gives an ASCII byte another meaning, that meaning counts.
    EXPECT_EQ(tf::DecodeLegacy("1\\2 \x95\x5C", "SHIFT_JIS"), u"1\u00A52 表"_qs);
}

// ---- legacy code page straight to DataList's bytes --------------------------------------------

// Codesets of every kind the tables take: double-byte ones whose trail bytes include ASCII, single-byte
// ones, one whose ASCII bytes mean other characters, one only iconv decodes, and an unknown one.
const char *const kLegacyCodesets[] = {"CP932", "SHIFT_JIS", "GBK", "BIG5", "EUC-KR", "CP1252",
                                       "ISO-8859-1", "IBM037", "EUC-JP", "NO-SUCH-CODESET"};

// The decoding through UTF-16 that DataList's bytes are measured against.
QByteArray throughUtf16(QByteArrayView bytes, const char *codeset)
{
    return tf::EncodeLineText(tf::DecodeLegacy(bytes, codeset));
}

// Empty when equal, else where the two first differ, with the bytes around that place.
std::string difference(const QByteArray &got, const QByteArray &want)
{
    if (got == want)
        return {};
    qsizetype at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at])
        ++at;
    const qsizetype from = std::max<qsizetype>(0, at - 8);
    return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) + ", first difference at "
        + std::to_string(at) + ": got " + got.mid(from, 16).toHex(' ').toStdString() + ", want "
        + want.mid(from, 16).toHex(' ').toStdString();
}

TEST(DecodeLegacyLineText, EverySingleByteAndEveryPairAsThroughUtf16)
{
    for (const char *codeset : kLegacyCodesets) {
        for (int b = 0; b < 256; ++b) {
            const char one[1] = {char(b)};
            const QByteArrayView bytes(one, 1);
            EXPECT_EQ(difference(tf::DecodeLegacyLineText(bytes, codeset), throughUtf16(bytes, codeset)), "")
                << codeset << " byte " << b;
        }
        for (int pair = 0; pair < 1 << 16; ++pair) {
            const char two[2] = {char(pair >> 8), char(pair & 0xFF)};
            const QByteArrayView bytes(two, 2);
            const std::string diff = difference(tf::DecodeLegacyLineText(bytes, codeset), throughUtf16(bytes, codeset));
            if (!diff.empty()) {
                ADD_FAILURE() << codeset << " pair " << std::hex << pair << ": " << diff;
                break;
            }
        }
    }
}

TEST(DecodeLegacyLineText, RandomTextsCutIntoPiecesAsThroughUtf16)
{
    // Lead bytes, the ASCII bytes that trail them, bytes that start nothing, line breaks and runs of
    // digits, in random order, so that pieces are cut after LFs next to every kind of byte.
    const QByteArray pieces[] = {"\n", "\r\n", "\x81", "\x95", "\xE0", "\xFC", "\xA0", "\x80", "\xFF", "\x40",
                                 "\x5C", "\x7E", "\x0A\x0A", "12.5,", "\x82\xA0", "0123456789012345678901234"};
    QRandomGenerator gen(20261210);
    for (const char *codeset : kLegacyCodesets) {
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes;
            const int length = int(gen.bounded(1, 4000));
            while (bytes.size() < length) {
                if (gen.bounded(4) == 0)
                    bytes += char(gen.bounded(256));
                else
                    bytes += pieces[gen.bounded(int(std::size(pieces)))];
            }
            const QByteArray want = throughUtf16(bytes, codeset);
            for (int parts : {0, 1, 2, 3, 5, 16})
                EXPECT_EQ(difference(tf::DecodeLegacyLineText(bytes, codeset, parts), want), "")
                    << codeset << ", round " << round << ", " << parts << " pieces";
        }
    }
}

TEST(DecodeLegacyLineText, ALargeShiftJisFileDecodedSideBySideAsThroughUtf16)
{
    QByteArray bytes = "\x91\xAA\x92\xE8\x92\x6C,\x89\xB7\x93\x78\r\n";
    QRandomGenerator gen(7);
    while (bytes.size() < 6 << 20) {
        bytes += QByteArray::number(gen.bounded(100000)) + ',' + QByteArray::number(gen.generateDouble(), 'f', 3);
        bytes += gen.bounded(50) == 0 ? "\x95\x5C\x81\n" : "\n";
    }
    EXPECT_EQ(difference(tf::DecodeLegacyLineText(bytes, "CP932"), throughUtf16(bytes, "CP932")), "");
    EXPECT_EQ(difference(tf::DecodeLegacyLineText(bytes, "CP932", 2), throughUtf16(bytes, "CP932")), "");
}

TEST(LegacyCodeset, IsALegacyCodesetNeverUtf8)
{
    const QByteArray codeset = tf::LegacyCodeset().toUpper();
    EXPECT_FALSE(codeset.isEmpty());
    EXPECT_NE(codeset, "UTF-8");
    EXPECT_NE(codeset, "UTF8");
}

// ---- reading from disk -----------------------------------------------------------------------

TEST(ReadFileBytes, ReportsAMissingFileOrAFolderWithItsFullPathAndReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(u"無い.csv"_qs);
    struct Case {
        QString path;
        QString fullPath;
        int err;
    };
    const Case cases[] = {
        {missing, missing, ENOENT},
        {dir.path(), dir.path(), EISDIR},
    };
    for (const Case &c : cases) {
        try {
            tf::ReadDataFile(c.path);
            ADD_FAILURE() << "no error for " << c.path.toStdString();
        } catch (const tf::Error &e) {
            EXPECT_EQ(e.message(), cannotOpen(c.fullPath, c.err));
        }
    }
}

TEST(ReadFileBytes, NamesARelativePathByItsFullPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    try {
        tf::ReadFileBytes(u"gone.txt"_qs);
        ADD_FAILURE() << "no error";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), cannotOpen(QDir(dir.path()).absoluteFilePath(u"gone.txt"_qs), ENOENT));
    }
    QDir::setCurrent(old);
}

TEST(ReadFileBytes, RefusesADeviceInsteadOfReadingForever)
{
    try {
        tf::ReadFileBytes(u"/dev/zero"_qs);
        ADD_FAILURE() << "no error";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), cannotOpen(u"/dev/zero"_qs, EINVAL));
    }
}

TEST(ReadFileBytes, ReadsTheWholeFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray bytes;
    for (int i = 0; i < 300000; ++i)
        bytes += QByteArray::number(i) + "\r\n";
    const QString path = dir.filePath(u"big.csv"_qs);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    EXPECT_EQ(tf::ReadFileBytes(path), bytes);
    const LineList lines = tf::ReadDataFile(path);
    ASSERT_EQ(lines.size(), 300000);
    EXPECT_EQ(lines.at(299999), u"299999");
}

} // namespace
