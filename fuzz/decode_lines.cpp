// File bytes to lines: the file-reading rule (DecodeFileText) and the line-break rule (SplitLines).
// Strict UTF-8 is checked against a decoder written from RFC 3629's byte table, the marked UTF-16
// forms against plain unit assembly, the legacy code page for what it must keep, and the lines
// against a reference splitter. The path files take (LinesFromFileBytes, with the table-driven legacy
// decoding cut into pieces) must give exactly the lines of the plain text path.
#include "FuzzSupport.h"

#include "engine/Error.h"
#include "intake/TextRules.h"

#include <optional>
#include <vector>

namespace {

// RFC 3629, section 4: the well-formed byte sequences, as ranges per position.
struct Row {
    std::uint8_t lo[4], hi[4];
    int length;
};
constexpr Row kUtf8Rows[] = {
    {{0x00}, {0x7F}, 1},
    {{0xC2, 0x80}, {0xDF, 0xBF}, 2},
    {{0xE0, 0xA0, 0x80}, {0xE0, 0xBF, 0xBF}, 3},
    {{0xE1, 0x80, 0x80}, {0xEC, 0xBF, 0xBF}, 3},
    {{0xED, 0x80, 0x80}, {0xED, 0x9F, 0xBF}, 3},
    {{0xEE, 0x80, 0x80}, {0xEF, 0xBF, 0xBF}, 3},
    {{0xF0, 0x90, 0x80, 0x80}, {0xF0, 0xBF, 0xBF, 0xBF}, 4},
    {{0xF1, 0x80, 0x80, 0x80}, {0xF3, 0xBF, 0xBF, 0xBF}, 4},
    {{0xF4, 0x80, 0x80, 0x80}, {0xF4, 0x8F, 0xBF, 0xBF}, 4},
};

std::optional<QString> ReferenceUtf8(QByteArrayView bytes)
{
    static constexpr std::uint8_t kLeadMask[] = {0x7F, 0x1F, 0x0F, 0x07};
    QString out;
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const Row *match = nullptr;
        for (const Row &row : kUtf8Rows) {
            if (i + row.length > n)
                continue;
            bool fits = true;
            for (int k = 0; k < row.length && fits; ++k)
                fits = p[i + k] >= row.lo[k] && p[i + k] <= row.hi[k];
            if (fits) {
                match = &row;
                break;
            }
        }
        if (!match)
            return std::nullopt;
        char32_t cp = p[i] & kLeadMask[match->length - 1];
        for (int k = 1; k < match->length; ++k)
            cp = (cp << 6) | (p[i + k] & 0x3F);
        if (cp >= 0x10000) {
            out += QChar(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            out += QChar(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out += QChar(char16_t(cp));
        }
        i += match->length;
    }
    return out;
}

QString ReferenceUtf16(QByteArrayView bytes, bool bigEndian)
{
    QString out;
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        out += QChar(bigEndian ? char16_t(p[i] << 8 | p[i + 1]) : char16_t(p[i + 1] << 8 | p[i]));
    return out;
}

// The line-break rule, one character at a time.
std::vector<QString> ReferenceLines(const QString &text)
{
    std::vector<QString> lines;
    QString current;
    qsizetype i = 0;
    while (i < text.size()) {
        current.clear();
        while (i < text.size() && text[i] != u'\r' && text[i] != u'\n')
            current += text[i++];
        lines.push_back(current);
        if (i < text.size() && text[i] == u'\r')
            ++i;
        if (i < text.size() && text[i] == u'\n')
            ++i;
    }
    return lines;
}

// Characters below '@' are never part of a CP932 double-byte character, so they pass through the
// lenient legacy decoding one for one and in order; the line breaks among them.
QString LowCharacters(QByteArrayView bytes)
{
    QString out;
    for (char c : bytes)
        if (std::uint8_t(c) < 0x40)
            out += QChar(char16_t(c));
    return out;
}

QString LowCharacters(const QString &text)
{
    QString out;
    for (QChar c : text)
        if (c.unicode() < 0x40)
            out += c;
    return out;
}

void CheckLines(const tf::LineList &lines, const std::vector<QString> &expected, const char *path)
{
    FUZZ_CHECK(lines.size() == qsizetype(expected.size()),
               QStringLiteral("%1: %2 lines, expected %3").arg(QLatin1String(path)).arg(lines.size()).arg(expected.size()));
    for (qsizetype i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(lines.at(i) == expected[size_t(i)], QStringLiteral("%1: line %2 differs").arg(QLatin1String(path)).arg(i));
}

// The legacy text straight to DataList's bytes, whole and cut into pieces, is what the text path makes.
void CheckLegacyBytes(QByteArrayView bytes)
{
    const QByteArray codeset = QByteArrayLiteral("CP932");
    const QByteArray expected = tf::EncodeLineText(tf::DecodeLegacy(bytes, codeset));
    // One cut count per input: each piece past the first costs a thread.
    for (int pieces : {1, 2 + int(bytes.size() % 5)}) {
        FUZZ_CHECK(tf::DecodeLegacyLineText(bytes, codeset, pieces) == expected,
                   QStringLiteral("legacy bytes in %1 pieces differ from the text path").arg(pieces));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QString> utf8 = ReferenceUtf8(bytes);
    const std::optional<QString> strict = tf::DecodeStrictUtf8(bytes);
    FUZZ_CHECK(strict.has_value() == utf8.has_value(), QStringLiteral("strict UTF-8 validity differs"));
    FUZZ_CHECK(!strict || *strict == *utf8, QStringLiteral("strict UTF-8 text differs"));

    std::optional<QString> expected;
    bool legacy = false;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        expected = ReferenceUtf8(bytes.sliced(3)); // none: the mark promises UTF-8, so reading fails
    else if (utf8)
        expected = utf8;
    else if (bytes.startsWith("\xFF\xFE"))
        expected = ReferenceUtf16(bytes.sliced(2), false);
    else if (bytes.startsWith("\xFE\xFF"))
        expected = ReferenceUtf16(bytes.sliced(2), true);
    else
        legacy = true;

    QString text;
    try {
        text = tf::DecodeFileText(bytes, QByteArrayLiteral("CP932"));
    } catch (const tf::Error &) {
        FUZZ_CHECK(!legacy && !expected, QStringLiteral("reading failed on bytes it must read"));
        return 0;
    }
    if (legacy) {
        // Every CP932 character takes one or two bytes and lies in the BMP.
        FUZZ_CHECK(text.size() <= bytes.size() && 2 * text.size() >= bytes.size(),
                   QStringLiteral("%1 characters from %2 bytes").arg(text.size()).arg(bytes.size()));
        FUZZ_CHECK(LowCharacters(text) == LowCharacters(bytes), QStringLiteral("legacy decoding lost a control or ASCII character"));
        CheckLegacyBytes(bytes);
    } else {
        FUZZ_CHECK(expected.has_value(), QStringLiteral("reading succeeded on invalid UTF-8 behind the mark"));
        FUZZ_CHECK(text == *expected, QStringLiteral("decoded text differs"));
    }
    const std::vector<QString> lines = ReferenceLines(text);
    CheckLines(tf::SplitLines(text), lines, "text path");
    CheckLines(tf::LinesFromFileBytes(QByteArray(bytes.data(), bytes.size()), QByteArrayLiteral("CP932")), lines, "file path");
    return 0;
}
