#include "intake/Decoding.h"

#include "engine/Error.h"
#include "engine/FileMapping.h"
#include "engine/LargeArray.h"
#include "engine/Parallel.h"

#include <QElapsedTimer>
#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tf {

namespace {

// Index of the first byte at or after i that is not ASCII, or n.
qsizetype skipAscii(const unsigned char *p, qsizetype i, qsizetype n)
{
#if defined(__SSE2__)
    // Four blocks at a time while they are all ASCII (the usual case of a data file), then one at a time.
    const auto load = [p](qsizetype at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + at)); };
    for (; i + 64 <= n; i += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(load(i), load(i + 16)), _mm_or_si128(load(i + 32), load(i + 48)));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    for (; i + 16 <= n; i += 16) {
        const int mask = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)));
        if (mask != 0)
            return i + std::countr_zero(unsigned(mask));
    }
#endif
    while (i < n && p[i] < 0x80)
        ++i;
    return i;
}

bool inRange(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

} // namespace

bool IsStrictUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    for (;;) {
        i = skipAscii(p, i, n);
        if (i >= n)
            return true;
        const unsigned char c = p[i];
        // The second byte's range depends on the lead; the others are plain continuation bytes.
        unsigned char lo = 0x80, hi = 0xBF;
        int length;
        if (inRange(c, 0xC2, 0xDF)) {
            length = 2;
        } else if (inRange(c, 0xE0, 0xEF)) {
            length = 3;
            if (c == 0xE0)
                lo = 0xA0; // no overlong form
            else if (c == 0xED)
                hi = 0x9F; // no surrogate
        } else if (inRange(c, 0xF0, 0xF4)) {
            length = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F; // nothing beyond U+10FFFF
        } else {
            return false;
        }
        if (i + length > n || !inRange(p[i + 1], lo, hi))
            return false;
        for (int k = 2; k < length; ++k)
            if (!inRange(p[i + k], 0x80, 0xBF))
                return false;
        i += length;
    }
}

std::optional<QString> DecodeStrictUtf8(QByteArrayView bytes)
{
    if (!IsStrictUtf8(bytes))
        return std::nullopt;
    return DecodeLineText(bytes);
}

namespace {

template <bool BigEndian>
char16_t unitAt(const char *p, qsizetype i)
{
    return BigEndian ? qFromBigEndian<char16_t>(p + 2 * i) : qFromLittleEndian<char16_t>(p + 2 * i);
}

// UTF-16 units straight to the bytes DataList keeps, lone surrogates as their own three bytes.
template <bool BigEndian>
QByteArray utf16ToLineText(QByteArrayView bytes)
{
    const qsizetype units = bytes.size() / 2;
    const char *p = bytes.data();
    // Room for the longest result; only the pages written are ever taken from the system.
    QByteArray out(units * 3 + 1, Qt::Uninitialized);
    char *w = out.data();
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t c = unitAt<BigEndian>(p, i);
        if (c < 0x80) {
            *w++ = char(c);
        } else if (c < 0x800) {
            *w++ = char(0xC0 | c >> 6);
            *w++ = char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unitAt<BigEndian>(p, i + 1) >= 0xDC00
                   && unitAt<BigEndian>(p, i + 1) < 0xE000) {
            const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(unitAt<BigEndian>(p, ++i)) - 0xDC00);
            *w++ = char(0xF0 | u >> 18);
            *w++ = char(0x80 | ((u >> 12) & 0x3F));
            *w++ = char(0x80 | ((u >> 6) & 0x3F));
            *w++ = char(0x80 | (u & 0x3F));
        } else {
            *w++ = char(0xE0 | c >> 12);
            *w++ = char(0x80 | ((c >> 6) & 0x3F));
            *w++ = char(0x80 | (c & 0x3F));
        }
    }
    out.truncate(w - out.constData());
    return out;
}

} // namespace

QString DecodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    if (bigEndian)
        qFromBigEndian<char16_t>(bytes.data(), units, text.data());
    else
        qFromLittleEndian<char16_t>(bytes.data(), units, text.data());
    return text;
}

namespace {

const QByteArray kFallbackCodeset = QByteArrayLiteral("CP932");

bool isCp932(const QByteArray &codeset)
{
    const QByteArray c = codeset.toUpper();
    return c == "CP932" || c == "MS932" || c == "WINDOWS-31J" || c == "WINDOWS-932";
}

class Iconv {
public:
    explicit Iconv(const QByteArray &from)
        : m_cd(iconv_open(QSysInfo::ByteOrder == QSysInfo::BigEndian ? "UTF-16BE" : "UTF-16LE",
                          from.constData()))
    {
    }
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool valid() const { return m_cd != iconv_t(-1); }
    iconv_t handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Output buffer of a decoding: a QString sized ahead and trimmed at the end.
struct Utf16Out {
    QString text;
    qsizetype used = 0;

    void reserveMore(qsizetype units)
    {
        if (used + units > text.size())
            text.resize(std::max(used + units, text.size() + text.size() / 2 + 16));
    }
};

// Converts bytes through iconv; a byte it cannot convert (invalid or cut-off sequence) becomes
// one default character and conversion resumes at the next byte, so this never fails.
void convertLenient(iconv_t cd, const char *in, size_t inLen, Utf16Out &out, char16_t defaultChar)
{
    char *ip = const_cast<char *>(in);
    size_t il = inLen;
    for (;;) {
        out.reserveMore(qsizetype(il) + 16);
        char *op = reinterpret_cast<char *>(out.text.data() + out.used);
        size_t ol = size_t(out.text.size() - out.used) * 2;
        // With the input used up, one more call writes what a stateful codeset still holds.
        const bool flushing = il == 0;
        const size_t r = flushing ? iconv(cd, nullptr, nullptr, &op, &ol) : iconv(cd, &ip, &il, &op, &ol);
        const int err = errno;
        out.used = qsizetype(reinterpret_cast<QChar *>(op) - out.text.data());
        if (r != size_t(-1)) {
            if (flushing)
                return;
            continue;
        }
        if (err == E2BIG)
            continue;
        if (flushing)
            return;
        out.reserveMore(1);
        out.text[out.used++] = QChar(defaultChar);
        ++ip;
        --il;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

constexpr char16_t kNoChar = 0xFFFF; // a noncharacter: no legacy code page maps to it

// A legacy codeset whose characters are one byte or two, each giving one UTF-16 unit, held as
// lookup tables built once from iconv. Decoding then costs a lookup per character even for a
// large binary file, where calling iconv again after every bad byte would take many seconds.
struct ByteTable {
    std::array<char16_t, 256> single{}; // kNoChar: the byte alone is no character
    std::vector<char16_t> pairs;        // by lead << 8 | trail; kNoChar: no two-byte character
    std::vector<quint8> pairBits;       // the same index, one bit each: a two-byte character
    bool asciiIsAscii = true;           // every byte below 0x80 stands for itself and leads nothing
    // The same characters as the bytes DataList keeps (Utf8Char), the default character in place of
    // a byte that starts none; 0 in utf8Pairs where no two-byte character is.
    std::array<quint32, 256> utf8Single{};
    std::vector<quint32> utf8Pairs;
    // No character has an LF as its second byte and an LF leads none: a character begins after every
    // LF, so a text may be decoded in pieces cut there.
    bool cutsAfterLf = false;
};

// One character as DataList's bytes: up to three bytes of UTF-8 in the low bytes (first byte lowest),
// their count in the top byte. A table unit is never a surrogate, so it always has a UTF-8 form.
quint32 utf8Char(char16_t c)
{
    if (c < 0x80)
        return quint32(c) | 1u << 24;
    if (c < 0x800)
        return (0xC0u | c >> 6) | (0x80u | (c & 0x3Fu)) << 8 | 2u << 24;
    return (0xE0u | c >> 12) | (0x80u | ((c >> 6) & 0x3Fu)) << 8 | (0x80u | (c & 0x3Fu)) << 16 | 3u << 24;
}

// Converts one short byte sequence from a fresh state; returns 0, EILSEQ or EINVAL.
int convertOne(iconv_t cd, const unsigned char *in, size_t len, char16_t (&out)[4], int &units)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *ip = reinterpret_cast<char *>(const_cast<unsigned char *>(in));
    char *op = reinterpret_cast<char *>(out);
    size_t il = len;
    size_t ol = sizeof out;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    const int err = r == size_t(-1) ? errno : 0;
    units = int((sizeof out - ol) / 2);
    return err == 0 && il != 0 ? EINVAL : err;
}

// The tables for a codeset, or none when some character is longer than two bytes, yields more
// than one unit or depends on a shift state.
std::unique_ptr<ByteTable> buildByteTable(iconv_t cd, char16_t defaultChar)
{
    auto table = std::make_unique<ByteTable>();
    table->pairs.assign(size_t(1) << 16, kNoChar);
    table->pairBits.assign(size_t(1) << 13, 0);
    char16_t out[4];
    int units = 0;
    for (int b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        const int err = convertOne(cd, &byte, 1, out, units);
        if (err == 0 && units != 1)
            return nullptr;
        table->single[size_t(b)] = err == 0 ? out[0] : kNoChar;
        if (b < 0x80 && (err != 0 || out[0] != b))
            table->asciiIsAscii = false;
        if (err != EINVAL) // not the start of a longer character
            continue;
        for (int t = 0; t < 256; ++t) {
            const unsigned char seq[2] = {byte, static_cast<unsigned char>(t)};
            const int pairErr = convertOne(cd, seq, 2, out, units);
            if (pairErr == EINVAL || (pairErr == 0 && units != 1))
                return nullptr;
            if (pairErr == 0) {
                table->pairs[size_t(b << 8 | t)] = out[0];
                table->pairBits[size_t(b << 5 | t >> 3)] |= quint8(1u << (t & 7));
            }
        }
    }
    table->utf8Pairs.assign(table->pairs.size(), 0);
    for (size_t k = 0; k < table->pairs.size(); ++k)
        if (table->pairs[k] != kNoChar)
            table->utf8Pairs[k] = utf8Char(table->pairs[k]);
    for (size_t b = 0; b < 256; ++b)
        table->utf8Single[b] = utf8Char(table->single[b] == kNoChar ? defaultChar : table->single[b]);
    bool lfEnds = table->single['\n'] != kNoChar;
    for (int b = 0; b < 256 && lfEnds; ++b)
        lfEnds = table->pairs[size_t(b << 8 | '\n')] == kNoChar && table->pairs[size_t('\n' << 8 | b)] == kNoChar;
    table->cutsAfterLf = lfEnds;
    return table;
}

char16_t defaultCharOf(const QByteArray &codeset) { return isCp932(codeset) ? u'\u30FB' : u'?'; }

// The tables of a codeset, built on first use; null when iconv must decode it.
const ByteTable *byteTableFor(const QByteArray &codeset, iconv_t cd)
{
    static std::mutex mutex;
    static std::map<QByteArray, std::unique_ptr<ByteTable>> tables;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(codeset);
    if (it == tables.end())
        it = tables.emplace(codeset, buildByteTable(cd, defaultCharOf(codeset))).first;
    return it->second.get();
}

// Decodes bytes by a codeset's tables into a sink, which writes each character in its own form.
// Without branches on the bytes, which in a binary file follow no pattern; the step to the next
// character waits only for the small bit table, not for the large one.
template <typename Sink>
void walkByTable(const ByteTable &table, const unsigned char *b, qsizetype n, Sink &sink)
{
    const quint8 *pairBits = table.pairBits.data();
    qsizetype i = 0;
    while (i + 1 < n) {
#if defined(__SSE2__)
        // Data files are nearly all ASCII digits: the ASCII bytes among the next sixteen are
        // copied at once, up to the first other byte, which the table step below decodes.
        if (table.asciiIsAscii && i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
            sink.block(v);
            const unsigned nonAscii = unsigned(_mm_movemask_epi8(v));
            const qsizetype ascii = nonAscii != 0 ? std::countr_zero(nonAscii) : 16;
            i += ascii;
            sink.w += ascii;
            if (ascii == 16 || i + 1 >= n)
                continue;
        }
#endif
        const unsigned lead = b[i];
        const unsigned trail = b[i + 1];
        const unsigned isPair = (pairBits[lead << 5 | trail >> 3] >> (trail & 7)) & 1u;
        sink.put(lead << 8 | trail, lead, 0u - isPair);
        i += 1 + qsizetype(isPair);
    }
    if (i < n)
        sink.put(0, b[i], 0u);
}

// UTF-16 units, one per character: sixteen to spare for the block writes.
struct Utf16Sink {
    char16_t *w;
    const char16_t *single; // the default character for a byte that starts none
    const char16_t *pairs;
#if defined(__SSE2__)
    void block(__m128i v)
    {
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(w + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    // The pair's character where pairMask is all ones, else the lead byte's.
    void put(unsigned pair, unsigned lead, unsigned pairMask)
    {
        *w++ = char16_t((pairs[pair] & pairMask) | (single[lead] & ~pairMask));
    }
};

// DataList's bytes: each character written as four bytes of which its length count, so up to three
// bytes past its end are overwritten; sixteen to spare for the block writes.
struct Utf8Sink {
    char *w;
    const quint32 *single;
    const quint32 *pairs;
#if defined(__SSE2__)
    void block(__m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(w), v); }
#endif
    void put(unsigned pair, unsigned lead, quint32 pairMask)
    {
        const quint32 c = (pairs[pair] & pairMask) | (single[lead] & ~pairMask);
        std::memcpy(w, &c, 4);
        w += c >> 24;
    }
};

// The converter of a legacy codeset, or of the fallback one when the system has no such codeset;
// none at all when the system has no conversion modules.
std::unique_ptr<Iconv> openLegacy(QByteArray &codeset)
{
    auto conv = std::make_unique<Iconv>(codeset);
    if (!conv->valid()) {
        codeset = kFallbackCodeset;
        conv = std::make_unique<Iconv>(codeset);
    }
    if (!conv->valid())
        return nullptr;
    return conv;
}

} // namespace

QByteArray LegacyCodeset()
{
    const QByteArray codeset(nl_langinfo(CODESET));
    const QByteArray c = codeset.toUpper();
    // A UTF-8 locale has no legacy code page, and a plain ASCII one ("C", "POSIX") means none was
    // chosen; both fall back to the code page the program's data usually come in.
    if (c.isEmpty() || c == "UTF-8" || c == "UTF8" || c == "ANSI_X3.4-1968" || c == "ASCII"
        || c == "US-ASCII")
        return kFallbackCodeset;
    return codeset;
}

QString DecodeLegacy(QByteArrayView bytes, const QByteArray &codeset)
{
    QByteArray used = codeset;
    const std::unique_ptr<Iconv> conv = openLegacy(used);
    if (!conv) // no conversion modules at all: a byte per character still never fails
        return QString::fromLatin1(bytes);

    const char16_t defaultChar = defaultCharOf(used);
    const ByteTable *table = byteTableFor(used, conv->handle());
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    Utf16Out out;
    if (!table) {
        out.text.resize(n + 16);
        convertLenient(conv->handle(), bytes.data(), size_t(n), out, defaultChar);
        out.text.truncate(out.used);
        return std::move(out.text);
    }

    // Every character takes at least one byte and gives one unit, so n units suffice; sixteen
    // more let the ASCII copy write whole blocks.
    out.text.resize(n + 16);
    // A byte that starts no character becomes the default one; the next byte starts afresh.
    std::array<char16_t, 256> single = table->single;
    std::replace(single.begin(), single.end(), kNoChar, defaultChar);
    Utf16Sink sink{reinterpret_cast<char16_t *>(out.text.data()), single.data(), table->pairs.data()};
    walkByTable(*table, b, n, sink);
    out.text.truncate(sink.w - reinterpret_cast<char16_t *>(out.text.data()));
    return std::move(out.text);
}


namespace {

const QString kBadUtf8AfterMark =
    QStringLiteral("Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません");

qsizetype countNonAscii(const unsigned char *b, qsizetype n)
{
    qsizetype count = 0;
    for (qsizetype i = skipAscii(b, 0, n); i < n; i = skipAscii(b, i + 1, n))
        ++count;
    return count;
}

// Stretches below this are decoded on the calling thread alone.
constexpr qsizetype ParallelBytes = qsizetype(4) << 20;

} // namespace

QByteArray DecodeLegacyLineText(QByteArrayView bytes, const QByteArray &codeset, int pieces)
{
    QByteArray used = codeset;
    const std::unique_ptr<Iconv> conv = openLegacy(used);
    const ByteTable *table = conv ? byteTableFor(used, conv->handle()) : nullptr;
    if (!table) // a codeset only iconv can decode, or none at all
        return EncodeLineText(DecodeLegacy(bytes, codeset));

    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    if (pieces <= 0)
        pieces = n < ParallelBytes ? 1 : int(Processors());
    if (!table->cutsAfterLf)
        pieces = 1;

    // Pieces of about equal size, each ending after an LF (or at the end), so that each begins a character.
    std::vector<qsizetype> cuts{0};
    for (int k = 1; k < pieces; ++k) {
        const qsizetype from = std::max(cuts.back(), n * k / pieces);
        const void *lf = from < n ? std::memchr(b + from, '\n', size_t(n - from)) : nullptr;
        if (!lf)
            break;
        const qsizetype cut = static_cast<const unsigned char *>(lf) - b + 1;
        if (cut < n && cut > cuts.back())
            cuts.push_back(cut);
    }
    cuts.push_back(n);
    const size_t count = cuts.size() - 1;

    // Each piece is decoded into room of its own: one byte for an ASCII byte, three for any other (a
    // codeset whose ASCII bytes mean other characters may give three for every byte), and sixteen to
    // spare for the block writes. Pages never written are never taken from the system.
    std::vector<qsizetype> room(count + 1, 0);
    std::vector<qsizetype> written(count, 0);
    const auto roomOf = [&](size_t k) {
        const qsizetype len = cuts[k + 1] - cuts[k];
        return (table->asciiIsAscii ? len + 2 * countNonAscii(b + cuts[k], len) : 3 * len) + 16;
    };
    InParallel(count, [&](size_t k) { room[k + 1] = roomOf(k); });
    for (size_t k = 0; k < count; ++k)
        room[k + 1] += room[k];
    // One byte more: the lines are split in this buffer, and a last line without a break gets its LF there.
    QByteArray out(room[count] + 1, Qt::Uninitialized);
    AdviseLarge(out.data(), size_t(out.size()));
    InParallel(count, [&](size_t k) {
        char *at = out.data() + room[k];
        Utf8Sink sink{at, table->utf8Single.data(), table->utf8Pairs.data()};
        walkByTable(*table, b + cuts[k], cuts[k + 1] - cuts[k], sink);
        written[k] = sink.w - at;
    });
    // The pieces moved together, in order; each moves down by the room the ones before it left over.
    qsizetype end = written[0];
    for (size_t k = 1; k < count; ++k) {
        std::memmove(out.data() + end, out.constData() + room[k], size_t(written[k]));
        end += written[k];
    }
    out.truncate(end);
    return out;
}

QString DecodeFileText(QByteArrayView bytes, const QByteArray &legacyCodeset)
{
    // Attempt one: UTF-8 with its mark skipped. Attempt two would read a marked file as UTF-8
    // again and fail the same way, so that failure is reported at once.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (std::optional<QString> text = DecodeStrictUtf8(bytes.sliced(3)))
            return std::move(*text);
        throw Error(kBadUtf8AfterMark);
    }
    if (std::optional<QString> text = DecodeStrictUtf8(bytes))
        return std::move(*text);
    if (bytes.startsWith("\xFF\xFE"))
        return DecodeUtf16(bytes.sliced(2), false);
    if (bytes.startsWith("\xFE\xFF"))
        return DecodeUtf16(bytes.sliced(2), true);
    return DecodeLegacy(bytes, legacyCodeset);
}

namespace {

// Text below this is checked on the calling thread alone.
constexpr qsizetype ParallelCheckBytes = qsizetype(8) << 20;

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The strict UTF-8 check in pieces side by side. Each piece begins on a byte that begins a character,
// so no sequence crosses a cut and the pieces are valid exactly when the whole is.
bool isStrictUtf8Parallel(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    const size_t parts = n < ParallelCheckBytes ? 1 : Processors();
    std::vector<qsizetype> cuts(parts + 1, n);
    cuts[0] = 0;
    for (size_t k = 1; k < parts; ++k) {
        qsizetype c = n * qsizetype(k) / qsizetype(parts);
        // Valid UTF-8 has at most three continuation bytes in a row.
        for (int step = 0; c < n && isContinuation(bytes[c]) && step < 4; ++step)
            ++c;
        if (c < n && isContinuation(bytes[c]))
            return false;
        cuts[k] = std::max(c, cuts[k - 1]);
    }
    std::vector<char> valid(parts, 0);
    InParallel(parts, [&](size_t k) { valid[k] = IsStrictUtf8(bytes.sliced(cuts[k], cuts[k + 1] - cuts[k])); });
    return std::all_of(valid.begin(), valid.end(), [](char v) { return v != 0; });
}

// The file-reading rule on bytes held one way or another: adopt(begin) makes the lines of UTF-8
// bytes where they lie (from begin on); release() lets the bytes go once a converted copy holds them.
template <typename Adopt, typename Release>
LineList linesFrom(QByteArrayView bytes, const QByteArray &legacyCodeset, qint64 *decodeNanoseconds,
                   const Adopt &adopt, const Release &release)
{
    QElapsedTimer timer;
    timer.start();
    const auto decoded = [&] {
        if (decodeNanoseconds)
            *decodeNanoseconds = timer.nsecsElapsed();
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (!isStrictUtf8Parallel(bytes.sliced(3)))
            throw Error(kBadUtf8AfterMark);
        decoded();
        return adopt(3);
    }
    if (isStrictUtf8Parallel(bytes)) {
        decoded();
        return adopt(0);
    }
    QByteArray text;
    if (bytes.startsWith("\xFF\xFE"))
        text = utf16ToLineText<false>(bytes.sliced(2));
    else if (bytes.startsWith("\xFE\xFF"))
        text = utf16ToLineText<true>(bytes.sliced(2));
    else
        text = DecodeLegacyLineText(bytes, legacyCodeset);
    release(); // the file's own bytes go before the lines are indexed
    decoded();
    return LineList::fromUtf8(std::move(text));
}

} // namespace

LineList LinesFromFileBytes(QByteArray bytes, const QByteArray &legacyCodeset, qint64 *decodeNanoseconds)
{
    const QByteArrayView view(bytes);
    return linesFrom(
        view, legacyCodeset, decodeNanoseconds,
        [&bytes](qsizetype begin) { return LineList::fromUtf8(std::move(bytes), begin); },
        [&bytes] { bytes = QByteArray(); });
}

LineList LinesFromMapping(std::shared_ptr<FileMapping> mapping, const QByteArray &legacyCodeset,
                          qint64 *decodeNanoseconds)
{
    const QByteArrayView view(mapping->data(), qsizetype(mapping->size()));
    return linesFrom(
        view, legacyCodeset, decodeNanoseconds,
        [&mapping](qsizetype begin) { return LineList::fromMapping(std::move(mapping), begin); },
        [&mapping] { mapping.reset(); });
}

} // namespace tf
