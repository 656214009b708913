#include "engine/LineList.h"

#include "engine/FileMapping.h"
#include "engine/LargeArray.h"
#include "engine/Parallel.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tf {

namespace {

std::uint64_t nextGeneration()
{
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

char *encodeUnits(const char16_t *p, qsizetype n, char *w)
{
    qsizetype i = 0;
    while (i < n) {
#if defined(__SSE2__)
        // Runs of ASCII, the bulk of a table, sixteen units at a time.
        const __m128i nonAscii = _mm_set1_epi16(short(0xFF80));
        while (i + 16 <= n) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + 8));
            const __m128i high = _mm_and_si128(_mm_or_si128(a, b), nonAscii);
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm_packus_epi16(a, b));
            w += 16;
            i += 16;
        }
#endif
        // Then up to sixteen units one at a time, before looking for ASCII again.
        for (const qsizetype stop = std::min(n, i + 16); i < stop; ++i) {
            const char16_t c = p[i];
            if (c < 0x80) {
                *w++ = char(c);
            } else if (c < 0x800) {
                *w++ = char(0xC0 | c >> 6);
                *w++ = char(0x80 | (c & 0x3F));
            } else if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(p[i + 1])) {
                const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(p[i + 1]) - 0xDC00);
                ++i;
                *w++ = char(0xF0 | u >> 18);
                *w++ = char(0x80 | ((u >> 12) & 0x3F));
                *w++ = char(0x80 | ((u >> 6) & 0x3F));
                *w++ = char(0x80 | (u & 0x3F));
            } else { // lone surrogates too, as their own three bytes
                *w++ = char(0xE0 | c >> 12);
                *w++ = char(0x80 | ((c >> 6) & 0x3F));
                *w++ = char(0x80 | (c & 0x3F));
            }
        }
    }
    return w;
}

bool allAscii(const char *p, qsizetype n)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16)
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i))) != 0)
            return false;
#endif
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

} // namespace

QByteArray EncodeLineText(QStringView text)
{
    QByteArray out(text.size() * 3 + 1, Qt::Uninitialized); // room for the LF a last line may need
    AdviseLarge(out.data(), size_t(out.size())); // a pasted table: a few large pages, not thousands of small ones
    char *end = encodeUnits(reinterpret_cast<const char16_t *>(text.utf16()), text.size(), out.data());
    out.truncate(end - out.constData());
    return out;
}

QString DecodeLineText(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    if (allAscii(p, n))
        return QString::fromLatin1(p, n);
    QString out(n, Qt::Uninitialized);
    char16_t *w = reinterpret_cast<char16_t *>(out.data());
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(p[i]);
        const auto cont = [&](qsizetype k) { return i + k < n ? char32_t(static_cast<unsigned char>(p[i + k]) & 0x3F) : 0; };
        if (b < 0x80) {
            *w++ = b;
            i += 1;
        } else if (b >= 0xF0) {
            const char32_t u = (char32_t(b & 0x07) << 18 | cont(1) << 12 | cont(2) << 6 | cont(3)) - 0x10000;
            *w++ = char16_t(0xD800 + (u >> 10));
            *w++ = char16_t(0xDC00 + (u & 0x3FF));
            i += 4;
        } else if (b >= 0xE0) {
            *w++ = char16_t((b & 0x0F) << 12 | cont(1) << 6 | cont(2));
            i += 3;
        } else if (b >= 0xC0) {
            *w++ = char16_t((b & 0x1F) << 6 | cont(1));
            i += 2;
        } else { // no lead byte: the bytes come checked, so this only keeps a stray byte visible
            *w++ = u'\uFFFD';
            i += 1;
        }
    }
    out.truncate(w - reinterpret_cast<char16_t *>(out.data()));
    return out;
}

void LineList::touch() { m_generation = nextGeneration(); }

LineList::LineList(const QStringList &lines)
{
    qsizetype units = 0;
    for (const QString &l : lines)
        units += l.size() + 1;
    QByteArray bytes(units * 3, Qt::Uninitialized);
    char *w = bytes.data();
    for (const QString &l : lines) {
        w = encodeUnits(reinterpret_cast<const char16_t *>(l.utf16()), l.size(), w);
        *w++ = '\n';
    }
    bytes.truncate(w - bytes.constData());
    m_bytes = std::move(bytes);
    index();
    touch();
}

LineList LineList::fromRanges(const QString &text, const std::vector<Range> &ranges)
{
    QStringList lines;
    lines.reserve(qsizetype(ranges.size()));
    for (const Range &r : ranges)
        lines.append(text.mid(r.begin, r.end - r.begin));
    return LineList(lines);
}

namespace {

// The first CR of [begin, n), or null; a large text is searched in pieces side by side.
const void *firstCarriageReturn(const char *p, qsizetype n, qsizetype begin)
{
    constexpr qsizetype ParallelSearchBytes = qsizetype(8) << 20;
    const size_t pieces = n - begin < ParallelSearchBytes ? 1 : Processors();
    if (pieces == 1)
        return std::memchr(p + begin, '\r', size_t(n - begin));
    std::vector<const void *> found(pieces, nullptr);
    InParallel(pieces, [&](size_t k) {
        const qsizetype from = begin + (n - begin) * qsizetype(k) / qsizetype(pieces);
        const qsizetype to = begin + (n - begin) * qsizetype(k + 1) / qsizetype(pieces);
        found[k] = std::memchr(p + from, '\r', size_t(to - from));
    });
    for (const void *f : found)
        if (f)
            return f;
    return nullptr;
}

// CR LF and a lone CR become one LF; from the first CR on the bytes move down in place. Returns the
// new length.
qsizetype joinBreaks(char *p, qsizetype n, qsizetype begin)
{
    const void *found = firstCarriageReturn(p, n, begin);
    if (!found)
        return n;
    char *w = static_cast<char *>(const_cast<void *>(found));
    const char *r = w;
    const char *end = p + n;
    while (r < end) {
        const char *next = static_cast<const char *>(std::memchr(r, '\r', size_t(end - r)));
        if (!next)
            next = end;
        if (w != r)
            std::memmove(w, r, size_t(next - r));
        w += next - r;
        r = next;
        if (r < end) {
            *w++ = '\n';
            ++r;
            if (r < end && *r == '\n')
                ++r;
        }
    }
    return w - p;
}

} // namespace

LineList LineList::fromUtf8(QByteArray bytes, qsizetype begin)
{
    qsizetype n = bytes.size();
    if (std::memchr(bytes.constData() + begin, '\r', size_t(n - begin))) {
        n = joinBreaks(bytes.data(), n, begin);
        bytes.truncate(n);
    }
    if (n > begin && bytes.constData()[n - 1] != '\n')
        bytes.append('\n');
    LineList l;
    l.m_bytes = std::move(bytes);
    l.m_begin = begin;
    l.index();
    l.touch();
    return l;
}

LineList LineList::fromMapping(std::shared_ptr<FileMapping> mapping, qsizetype begin)
{
    char *p = mapping->data();
    qsizetype n = joinBreaks(p, qsizetype(mapping->size()), begin);
    if (n > begin && p[n - 1] != '\n')
        p[n++] = '\n'; // the spare byte after the file when nothing was joined
    LineList l;
    l.m_mapping = std::move(mapping);
    l.m_mapped = p;
    l.m_mappedSize = n;
    l.m_begin = begin;
    l.index();
    l.touch();
    return l;
}

char *LineList::writable()
{
    if (!m_mapped)
        return m_bytes.data();
    if (m_mapping.use_count() > 1) { // another list reads these bytes as they are
        m_bytes = QByteArray(m_mapped, m_mappedSize);
        m_mapping.reset();
        m_mapped = nullptr;
        m_mappedSize = 0;
        return m_bytes.data();
    }
    return m_mapped;
}

const char *LineList::lineEnd(const char *p) const
{
    const char *end = textEnd();
    if (p >= end)
        return end - 1;
    const void *lf = std::memchr(p, '\n', size_t(end - p));
    return lf ? static_cast<const char *>(lf) : end - 1;
}

namespace {

// Text below this is indexed on the calling thread alone.
constexpr qsizetype ParallelIndexBytes = qsizetype(8) << 20;

// Bit k set where byte k of the 64 at p is an LF.
[[gnu::always_inline]] inline std::uint64_t breaksIn64(const char *p)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        mask |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))) << (16 * k);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int k = 0; k < 64; ++k)
        mask |= std::uint64_t(p[k] == '\n') << k;
    return mask;
#endif
}

// Calls onBreaks(mask, at) for every stretch of [from, to): bit k of mask set where byte at + k is an
// LF; the last stretch may be shorter than 64 bytes.
template <typename OnBreaks>
[[gnu::always_inline]] inline void eachBreaks(const char *p, qsizetype from, qsizetype to, const OnBreaks &onBreaks)
{
    qsizetype i = from;
    for (; i + 64 <= to; i += 64)
        onBreaks(breaksIn64(p + i), i);
    std::uint64_t mask = 0;
    for (qsizetype k = i; k < to; ++k)
        mask |= std::uint64_t(p[k] == '\n') << (k - i);
    if (i < to)
        onBreaks(mask, i);
}

struct PieceLines {
    qsizetype lines = 0;
    qsizetype empty = 0;
};

// The LFs of [from, to), and those that end an empty line: right after an LF, or after none at all
// (afterBreak says whether the byte before `from` is one, or the text begins there).
[[gnu::always_inline]] inline PieceLines countPieceBody(const char *p, qsizetype from, qsizetype to, bool afterBreak)
{
    std::uint64_t carry = afterBreak;
    PieceLines counted;
    eachBreaks(p, from, to, [&](std::uint64_t mask, qsizetype) {
        counted.lines += std::popcount(mask);
        counted.empty += std::popcount(mask & ((mask << 1) | carry));
        carry = mask >> 63;
    });
    return counted;
}

// Marks where every MarkStride-th line begins, for the LFs of [from, to); `line` is the line the first
// of them ends. The line after the LF of line g is marked when g + 1 is a multiple of MarkStride.
[[gnu::always_inline]] inline void markPieceBody(const char *p, qsizetype from, qsizetype to, qsizetype line,
                                                 qsizetype stride, qsizetype *marks)
{
    eachBreaks(p, from, to, [&](std::uint64_t mask, qsizetype at) {
        const qsizetype c = std::popcount(mask);
        // The next line to mark begins after LF number `wanted` of this stretch (0 the first).
        for (qsizetype wanted = (stride - 1) - (line % stride); wanted < c; wanted += stride) {
            std::uint64_t m = mask;
            for (qsizetype j = 0; j < wanted; ++j)
                m &= m - 1;
            marks[(line + wanted + 1) / stride] = at + std::countr_zero(m) + 1;
        }
        line += c;
    });
}

#if defined(__x86_64__) && !defined(__POPCNT__)
// The same with the processor's own bit count, which nearly every x86-64 processor has.
__attribute__((target("popcnt"))) PieceLines countPieceCounting(const char *p, qsizetype from, qsizetype to, bool afterBreak)
{
    return countPieceBody(p, from, to, afterBreak);
}
__attribute__((target("popcnt"))) void markPieceCounting(const char *p, qsizetype from, qsizetype to, qsizetype line,
                                                        qsizetype stride, qsizetype *marks)
{
    markPieceBody(p, from, to, line, stride, marks);
}
bool hasPopcount()
{
    static const bool has = __builtin_cpu_supports("popcnt");
    return has;
}
#endif

PieceLines countPiece(const char *p, qsizetype from, qsizetype to, bool afterBreak)
{
#if defined(__x86_64__) && !defined(__POPCNT__)
    if (hasPopcount())
        return countPieceCounting(p, from, to, afterBreak);
#endif
    return countPieceBody(p, from, to, afterBreak);
}

void markPiece(const char *p, qsizetype from, qsizetype to, qsizetype line, qsizetype stride, qsizetype *marks)
{
#if defined(__x86_64__) && !defined(__POPCNT__)
    if (hasPopcount())
        return markPieceCounting(p, from, to, line, stride, marks);
#endif
    markPieceBody(p, from, to, line, stride, marks);
}

} // namespace

void LineList::index()
{
    m_marks.clear();
    m_count = 0;
    m_emptyCount = 0;
    const char *p = base();
    const qsizetype n = total();
    if (n <= m_begin)
        return;
    // Pieces side by side: each counts its lines and its empty ones, then, knowing the lines before
    // it, marks the start of every MarkStride-th line in it.
    const size_t pieces = n - m_begin < ParallelIndexBytes ? 1 : Processors();
    std::vector<qsizetype> cuts(pieces + 1);
    for (size_t k = 0; k <= pieces; ++k)
        cuts[k] = m_begin + (n - m_begin) * qsizetype(k) / qsizetype(pieces);
    std::vector<PieceLines> counted(pieces);
    const auto count = [&](size_t k) {
        counted[k] = countPiece(p, cuts[k], cuts[k + 1], cuts[k] == m_begin || p[cuts[k] - 1] == '\n');
    };
    InParallel(pieces, count);
    qsizetype total = 0;
    std::vector<qsizetype> before(pieces, 0);
    for (size_t k = 0; k < pieces; ++k) {
        before[k] = total;
        total += counted[k].lines;
        m_emptyCount += counted[k].empty;
    }
    m_count = total;
    // One slot past the last so that a mark after the very last LF needs no test; cut afterwards.
    std::vector<qsizetype> marks(size_t(total / MarkStride) + 2, 0);
    marks[0] = m_begin;
    InParallel(pieces, [&](size_t k) { markPiece(p, cuts[k], cuts[k + 1], before[k], MarkStride, marks.data()); });
    marks.resize(size_t((total + MarkStride - 1) / MarkStride));
    m_marks = std::move(marks);
}

const char *LineList::lineBegin(qsizetype i) const
{
    const char *p = base() + m_marks[size_t(i / MarkStride)];
    for (qsizetype k = i % MarkStride; k > 0; --k)
        p = lineEnd(p) + 1;
    return std::min(p, textEnd() - 1);
}

QByteArrayView LineList::bytesAt(qsizetype i) const
{
    const char *b = lineBegin(i);
    return QByteArrayView(b, lineEnd(b) - b);
}

QStringList LineList::toStringList() const
{
    QStringList out;
    out.reserve(size());
    const char *p = base() + m_begin;
    for (qsizetype i = 0; i < size(); ++i) {
        const char *e = lineEnd(p);
        out.append(DecodeLineText(QByteArrayView(p, e - p)));
        p = std::min(e + 1, textEnd() - 1);
    }
    return out;
}

void LineList::clear()
{
    m_bytes = QByteArray();
    m_mapping.reset();
    m_mapped = nullptr;
    m_mappedSize = 0;
    m_begin = 0;
    m_count = 0;
    m_emptyCount = 0;
    m_marks.clear();
    m_marks.shrink_to_fit();
    touch();
}

void LineList::append(QStringView line)
{
    if (m_mapped) { // appending needs room the mapping does not have: its text becomes a copy
        m_bytes = QByteArray(m_mapped, m_mappedSize);
        m_mapping.reset();
        m_mapped = nullptr;
        m_mappedSize = 0;
    }
    if ((m_count & (MarkStride - 1)) == 0)
        m_marks.push_back(m_bytes.size());
    m_emptyCount += line.isEmpty();
    ++m_count;
    m_bytes += EncodeLineText(line);
    m_bytes += '\n';
    touch();
}

void LineList::removeEmptyLines()
{
    if (m_emptyCount == 0)
        return;
    char *p = writable();
    const qsizetype n = total();
    qsizetype w = m_begin;
    qsizetype r = m_begin;
    while (r < n) {
        const char *e = lineEnd(p + r);
        const qsizetype len = e - (p + r) + 1;
        if (len > 1) {
            if (w != r)
                std::memmove(p + w, p + r, size_t(len));
            w += len;
        }
        r += len;
    }
    if (m_mapped)
        m_mappedSize = w;
    else
        m_bytes.truncate(w);
    index();
}

bool LineList::operator==(const LineList &other) const
{
    return size() == other.size()
        && QByteArrayView(base() + m_begin, byteSize()) == QByteArrayView(other.base() + other.m_begin, other.byteSize());
}

} // namespace tf
