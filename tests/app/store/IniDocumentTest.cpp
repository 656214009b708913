// The INI document on bytes in memory: reading rules, the integer rule and the written layout.
#include <gtest/gtest.h>

#include "app/store/IniDocument.h"
#include "tests/app/store/StoreTestSupport.h"

using tf::TIniDocument;
using tf::TIniEncoding;

namespace {

struct ReadCase {
    const char *name;
    QByteArray file;
    const char *section;
    const char *key;
    int expected; // ReadInteger with default -99
};

TF_PRINT_CASE_AS_NAME(ReadCase)

class IniIntegerRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniIntegerRead, ReadsTheFixture)
{
    const ReadCase &c = GetParam();
    const TIniDocument doc = TIniDocument::Parse(c.file);
    EXPECT_EQ(doc.ReadInteger(QString::fromUtf8(c.section), QString::fromUtf8(c.key), -99), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, IniIntegerRead,
    ::testing::Values(
        ReadCase{"Plain", "[FORM]\r\nPOSITION.X=12\r\n", "FORM", "POSITION.X", 12},
        ReadCase{"BlanksAroundKeyAndValue", "[FORM]\r\n \t POSITION.X \t =  12  \r\n", "FORM", "POSITION.X", 12},
        ReadCase{"BlanksAroundSectionName", "  [  FORM  ]  \nPOSITION.X=12\n", "FORM", "POSITION.X", 12},
        ReadCase{"LowerCaseKeyFound", "[form]\r\nposition.x=12\r\n", "FORM", "POSITION.X", 12},
        ReadCase{"LoneCrLineBreaks", "[FORM]\rA=1\rPOSITION.X=7\r", "FORM", "POSITION.X", 7},
        ReadCase{"HexWithZeroX", "[S]\r\nK=0x10\r\n", "S", "K", 16},
        ReadCase{"HexWithUpperZeroX", "[S]\r\nK=0X1f\r\n", "S", "K", 31},
        ReadCase{"HexWithDollar", "[S]\r\nK=$10\r\n", "S", "K", 16},
        ReadCase{"NegativeDollar", "[S]\r\nK=-$10\r\n", "S", "K", -16},
        ReadCase{"HexAllBitsIsMinusOne", "[S]\r\nK=0xFFFFFFFF\r\n", "S", "K", -1},
        ReadCase{"HexBeyond32BitsIsDefault", "[S]\r\nK=0x100000000\r\n", "S", "K", -99},
        ReadCase{"ZeroXAloneIsDefault", "[S]\r\nK=0x\r\n", "S", "K", -99},
        ReadCase{"DollarAloneIsDefault", "[S]\r\nK=$\r\n", "S", "K", -99},
        ReadCase{"SignedDecimal", "[S]\r\nK=+42\r\n", "S", "K", 42},
        ReadCase{"Negative", "[S]\r\nK=-2147483648\r\n", "S", "K", -2147483647 - 1},
        ReadCase{"OutOfRangeIsDefault", "[S]\r\nK=2147483648\r\n", "S", "K", -99},
        ReadCase{"TrailingLettersAreDefault", "[S]\r\nK=12px\r\n", "S", "K", -99},
        ReadCase{"InnerBlankIsDefault", "[S]\r\nK=1 2\r\n", "S", "K", -99},
        ReadCase{"EmptyValueIsDefault", "[S]\r\nK=\r\n", "S", "K", -99},
        ReadCase{"CommentSkipped", "[S]\r\n;K=5\r\n", "S", "K", -99},
        ReadCase{"LineBeforeFirstSectionSkipped", "K=5\r\n[S]\r\n", "S", "K", -99},
        ReadCase{"ValueLessLineIsNoKey", "[S]\r\nK\r\n", "S", "K", -99},
        ReadCase{"LastOfTwoKeysWins", "[S]\r\nK=1\r\nk=2\r\n", "S", "K", 2},
        ReadCase{"RepeatedSectionContinues", "[S]\r\nA=1\r\n[T]\r\n[s]\r\nK=3\r\n", "S", "K", 3},
        ReadCase{"MissingSection", "[S]\r\nK=3\r\n", "T", "K", -99},
        ReadCase{"EmptyFile", "", "S", "K", -99},
        ReadCase{"Utf16LeWithMark", QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\x35\0", 18), "S", "K", 5},
        ReadCase{"Utf16BeWithMark", QByteArray("\xFE\xFF\0[\0S\0]\0\n\0K\0=\0\x36", 16), "S", "K", 6}),
    tftest::CaseName());

TEST(IniDocument, NamesCompareByLocaleUpperCaseBeyondAscii)
{
    const TIniDocument doc = TIniDocument::Parse("\xEF\xBB\xBF[Größe]\r\nbreite=5\r\n");
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("GRÖSSE"), QStringLiteral("BREITE"), 0), 5);
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("größe"), QStringLiteral("Breite"), 0), 5);
}

TEST(IniDocument, CaseSensitiveComparesExactly)
{
    TIniDocument doc = TIniDocument::Parse("[Form]\r\nKey=5\r\n", true);
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("FORM"), QStringLiteral("Key"), 0), 0);
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("Form"), QStringLiteral("Key"), 0), 5);
    doc.SetCaseSensitive(false);
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("FORM"), QStringLiteral("KEY"), 0), 5);
}

struct WriteCase {
    const char *name;
    QByteArray file;
    const char *section;
    const char *key;
    const char *value;
    QByteArray written;
};

TF_PRINT_CASE_AS_NAME(WriteCase)

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, WritesTheLayout)
{
    const WriteCase &c = GetParam();
    TIniDocument doc = TIniDocument::Parse(c.file);
    EXPECT_FALSE(doc.Modified());
    doc.WriteString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QString::fromUtf8(c.value));
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(doc.Serialize(), c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, IniWrite,
    ::testing::Values(
        WriteCase{"NewFile", "", "FORM", "DPI", "0", "[FORM]\r\nDPI=0\r\n\r\n"},
        WriteCase{"LowerCaseKeyKeepsItsSpelling", "[form]\r\nposition.x=1\r\n", "FORM", "POSITION.X", "12",
                  "[form]\r\nposition.x=12\r\n\r\n"},
        WriteCase{"NewKeyAtSectionEnd", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "A", "z", "3",
                  "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n\r\n"},
        WriteCase{"NewSectionAfterTheLast", "[A]\r\nx=1\r\n", "B", "y", "2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n\r\n"},
        WriteCase{"RepeatedSectionWrittenOnceAtItsFirstPlace", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n", "B", "y",
                  "4", "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=4\r\n\r\n"},
        WriteCase{"CommentsBlanksAndOutsideLinesGo", "lost\r\n; note\r\n[A]\r\n\r\n  x  =  1  \r\n", "A", "y", "2",
                  "[A]\r\nx=1\r\ny=2\r\n\r\n"},
        WriteCase{"ValueLessLineKeptInPlace", "[A]\r\nfree text\r\nx=1\r\n", "A", "x", "2",
                  "[A]\r\nfree text\r\nx=2\r\n\r\n"},
        WriteCase{"LastOfTwoKeysChanged", "[A]\r\nx=1\r\nX=2\r\n", "A", "x", "3", "[A]\r\nx=1\r\nX=3\r\n\r\n"},
        WriteCase{"Utf8MarkKept", "\xEF\xBB\xBF[A]\r\nx=\xC3\xA4\r\n", "A", "y", "1",
                  "\xEF\xBB\xBF[A]\r\nx=\xC3\xA4\r\ny=1\r\n\r\n"},
        WriteCase{"Utf16LeMarkKept", QByteArray("\xFF\xFE[\0A\0]\0", 8), "A", "x", "1",
                  QByteArray("\xFF\xFE[\0A\0]\0\r\0\n\0x\0=\0" "1\0\r\0\n\0\r\0\n\0", 26)},
        WriteCase{"Cp932KeptWithoutMark", "[A]\r\n\x96\xBC\x91\x4F=\x92\x6C\r\n", "A", "x", "1",
                  "[A]\r\n\x96\xBC\x91\x4F=\x92\x6C\r\nx=1\r\n\r\n"},
        WriteCase{"Utf8WithoutMarkKeptSo", "[A]\r\nx=\xE5\x80\xA4\r\n", "A", "y", "1",
                  "[A]\r\nx=\xE5\x80\xA4\r\ny=1\r\n\r\n"},
        WriteCase{"TextOutsideTheCodePageTurnsToUtf8", "[A]\r\n", "A", "x", "\xF0\x9F\x98\x80",
                  "\xEF\xBB\xBF[A]\r\nx=\xF0\x9F\x98\x80\r\n\r\n"}),
    tftest::CaseName());

TEST(IniDocument, Cp932FileReadsItsCharacters)
{
    const TIniDocument doc = TIniDocument::Parse("[A]\r\n\x96\xBC\x91\x4F=\x92\x6C\r\n");
    EXPECT_EQ(doc.Encoding(), TIniEncoding::Legacy);
    EXPECT_EQ(doc.ReadString(QStringLiteral("A"), QStringLiteral("名前"), QString()), QStringLiteral("値"));
}

TEST(IniDocument, LegacyTextThatWouldReadBackAsUtf8IsWrittenWithAMark)
{
    // "ﾂｱ" is C2 B1 in the legacy code page: valid UTF-8 for "±", so written as is it would read back garbled.
    TIniDocument doc = TIniDocument::Parse("[A]\r\nk=1\r\n");
    ASSERT_EQ(doc.Encoding(), TIniEncoding::Legacy);
    doc.WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("ﾂｱ"));
    const QByteArray written = doc.Serialize();
    const TIniDocument again = TIniDocument::Parse(written);
    EXPECT_EQ(again.ReadString(QStringLiteral("A"), QStringLiteral("k"), QString()), QStringLiteral("ﾂｱ"));
    EXPECT_EQ(again.Encoding(), doc.Encoding());
}

TEST(IniDocument, SectionQueries)
{
    TIniDocument doc = TIniDocument::Parse("[A]\r\nx=1\r\nnote\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_EQ(doc.ReadSections(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(doc.ReadSection(QStringLiteral("a")), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_EQ(doc.ReadSectionValues(QStringLiteral("A")),
              (QStringList{QStringLiteral("x=1"), QStringLiteral("note"), QStringLiteral("y=2")}));
    EXPECT_TRUE(doc.SectionExists(QStringLiteral("b")));
    EXPECT_TRUE(doc.ValueExists(QStringLiteral("A"), QStringLiteral("Y")));
    EXPECT_FALSE(doc.ValueExists(QStringLiteral("A"), QStringLiteral("note")));
    doc.DeleteKey(QStringLiteral("A"), QStringLiteral("x"));
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("A"), QStringLiteral("y"), 0), 2);
    EXPECT_FALSE(doc.ValueExists(QStringLiteral("A"), QStringLiteral("x")));
    doc.EraseSection(QStringLiteral("a"));
    EXPECT_FALSE(doc.SectionExists(QStringLiteral("A")));
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("B"), QStringLiteral("z"), 0), 3);
    EXPECT_EQ(doc.Serialize(), QByteArray("[B]\r\nz=3\r\n\r\n"));
}

TEST(IniDocument, ManySmallSectionsCostAFewTimesTheFile)
{
    QByteArray file;
    for (int k = 0; k < 100000; ++k)
        file += "[S" + QByteArray::number(k) + "]\r\nk=" + QByteArray::number(k % 10) + "\r\n";
    const bool measured = tftest::ResetPeakMemory();
    const qint64 before = tftest::MemoryBytes("VmHWM");
    TIniDocument doc = TIniDocument::Parse(file);
    const qint64 rise = tftest::MemoryBytes("VmHWM") - before;
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("s99999"), QStringLiteral("K"), -1), 9);
    EXPECT_EQ(doc.ReadSections().size(), 100000);
    EXPECT_LT(doc.HeldBytes(), 8 * file.size());
    doc.WriteInteger(QStringLiteral("S5"), QStringLiteral("k"), 7);
    EXPECT_EQ(doc.Serialize().size(), file.size() + 2 * 100000) << "one empty line after each section";
    if (!measured)
        GTEST_SKIP() << "the system tells no peak memory";
    EXPECT_LT(rise, 10 * file.size()) << "peak rose by " << rise << " bytes";
}

TEST(IniDocument, AnyBytesParseAndWriteBackReadable)
{
    // Binary noise, a stray mark and cut UTF-16 must never break reading or the document written back.
    const QByteArray inputs[] = {QByteArray("\0\0\0[\0]\0=", 8), QByteArray("\xFF\xFE\x00", 3),
                                 QByteArray("[\xFF\xFE]\r\n=\x80\x81\r\n"), QByteArray(100000, '[')};
    for (const QByteArray &bytes : inputs) {
        TIniDocument doc = TIniDocument::Parse(bytes);
        const QByteArray written = doc.Serialize();
        TIniDocument again = TIniDocument::Parse(written);
        EXPECT_EQ(again.Serialize(), written);
    }
}

} // namespace
