#include "intake/TextRules.h"

#include "engine/Error.h"

#include <QFileInfo>
#include <QFile>
#include <QStringDecoder>
#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tf {

namespace {

// Index of the first CR or LF at or after i, or n.
qsizetype findBreak(const char16_t *p, qsizetype i, qsizetype n)
{
#if defined(__SSE2__)
    // Eight characters per step: data lines are tens of characters long, so most of a text is
    // passed over here.
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)));
        if (mask != 0)
            return i + std::countr_zero(unsigned(mask)) / 2;
    }
#endif
    while (i < n && p[i] != u'\r' && p[i] != u'\n')
        ++i;
    return i;
}

// Calls f(begin, end) for each line of p[0, n) by the line-break rule.
template <typename F>
void forEachLine(const char16_t *p, qsizetype n, F &&f)
{
    qsizetype i = 0;
    while (i < n) {
        const qsizetype begin = i;
        i = findBreak(p, i, n);
        f(begin, i);
        if (i < n && p[i] == u'\r')
            ++i;
        if (i < n && p[i] == u'\n')
            ++i;
    }
}

} // namespace

LineList SplitLines(QString text)
{
    const auto *p = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype n = text.size();

    // Reserve from the line length of the first stretch, so that a million lines are not copied
    // through a score of reallocations; the cap keeps an odd first stretch from reserving much.
    const qsizetype sample = std::min<qsizetype>(n, 1 << 16);
    qsizetype sampleLines = 0;
    forEachLine(p, sample, [&sampleLines](qsizetype, qsizetype) { ++sampleLines; });
    const double estimate = sample > 0 ? double(sampleLines) * double(n) / double(sample) * 1.1 : 0.0;
    std::vector<LineList::Range> ranges;
    ranges.reserve(size_t(std::min(estimate, double(n / 8))) + 16);

    forEachLine(p, n, [&ranges](qsizetype begin, qsizetype end) { ranges.push_back({begin, end}); });
    return LineList::fromRanges(std::move(text), std::move(ranges));
}

std::optional<QString> DecodeStrictUtf8(QByteArrayView bytes)
{
    // Stateless: a sequence cut off at the end counts as an error instead of being held back
    // for more input. ConvertInitialBom: the caller has already dropped the one mark it skips.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        // Chunks end where an ASCII byte begins, so no sequence spans two of them, and a legacy
        // file is given up at its first bad chunk instead of being decoded to the end.
        qsizetype end = std::min(bytes.size(), pos + kChunk);
        while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x80)
            ++end;
        out = decoder.appendToBuffer(out, bytes.sliced(pos, end - pos));
        if (decoder.hasError())
            return std::nullopt;
        pos = end;
    }
    text.truncate(out - text.constData());
    return text;
}

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
};

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
std::unique_ptr<ByteTable> buildByteTable(iconv_t cd)
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
    return table;
}

// The tables of a codeset, built on first use; null when iconv must decode it.
const ByteTable *byteTableFor(const QByteArray &codeset, iconv_t cd)
{
    static std::mutex mutex;
    static std::map<QByteArray, std::unique_ptr<ByteTable>> tables;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(codeset);
    if (it == tables.end())
        it = tables.emplace(codeset, buildByteTable(cd)).first;
    return it->second.get();
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
    auto conv = std::make_unique<Iconv>(used);
    if (!conv->valid()) {
        used = kFallbackCodeset;
        conv = std::make_unique<Iconv>(used);
    }
    if (!conv->valid()) // no conversion modules at all: a byte per character still never fails
        return QString::fromLatin1(bytes);

    const char16_t defaultChar = isCp932(used) ? u'\u30FB' : u'?';
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
    // more let the ASCII copy below write whole blocks.
    out.text.resize(n + 16);
    char16_t *dst = reinterpret_cast<char16_t *>(out.text.data());
    // A byte that starts no character becomes the default one; the next byte starts afresh.
    std::array<char16_t, 256> single = table->single;
    std::replace(single.begin(), single.end(), kNoChar, defaultChar);
    const char16_t *pairs = table->pairs.data();
    const quint8 *pairBits = table->pairBits.data();
    qsizetype j = 0;
    qsizetype i = 0;
    while (i + 1 < n) {
#if defined(__SSE2__)
        // Data files are nearly all ASCII digits: the ASCII bytes among the next sixteen are
        // copied at once, up to the first other byte, which the table step below decodes.
        if (table->asciiIsAscii && i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + j), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + j + 8), _mm_unpackhi_epi8(v, zero));
            const unsigned nonAscii = unsigned(_mm_movemask_epi8(v));
            const qsizetype ascii = nonAscii != 0 ? std::countr_zero(nonAscii) : 16;
            i += ascii;
            j += ascii;
            if (ascii == 16 || i + 1 >= n)
                continue;
        }
#endif
        // Without branches on the bytes, which in a binary file follow no pattern; the step to the
        // next character waits only for the small bit table, not for the large one.
        const unsigned lead = b[i];
        const unsigned trail = b[i + 1];
        const unsigned isPair = (pairBits[lead << 5 | trail >> 3] >> (trail & 7)) & 1u;
        const unsigned mask = 0u - isPair;
        dst[j++] = char16_t((pairs[lead << 8 | trail] & mask) | (single[lead] & ~mask));
        i += 1 + qsizetype(isPair);
    }
    if (i < n)
        dst[j++] = single[b[i]];
    out.text.truncate(j);
    return std::move(out.text);
}

QString DecodeFileText(QByteArrayView bytes, const QByteArray &legacyCodeset)
{
    // Attempt one: UTF-8 with its mark skipped. Attempt two would read a marked file as UTF-8
    // again and fail the same way, so that failure is reported at once.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (std::optional<QString> text = DecodeStrictUtf8(bytes.sliced(3)))
            return std::move(*text);
        throw Error(QStringLiteral("Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません"));
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

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

QByteArray ReadFileBytes(const QString &path)
{
    const QString fullPath = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    auto fail = [&fullPath](int err) -> Error {
        return Error(QStringLiteral("ファイル ") + fullPath + QStringLiteral(" は開けません。 ")
                     + QString::fromLocal8Bit(std::strerror(err)) + u' ');
    };

    // Non-blocking so that a FIFO cannot stall the window at open; it is refused below anyway.
    FileDescriptor fd(::open(QFile::encodeName(fullPath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0)
        throw fail(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw fail(errno);
    if (S_ISDIR(st.st_mode))
        throw fail(EISDIR);
    // Devices, pipes and sockets are no data files; reading one could block or never end.
    if (!S_ISREG(st.st_mode))
        throw fail(EINVAL);

    QByteArray bytes;
    try {
        bytes.resize(qsizetype(st.st_size));
        qsizetype filled = 0;
        for (;;) {
            if (filled == bytes.size())
                bytes.resize(filled + std::max<qsizetype>(filled / 2, 65536)); // the file grew
            const ssize_t got = ::read(fd.get(), bytes.data() + filled, size_t(bytes.size() - filled));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                throw fail(errno);
            }
            if (got == 0)
                break;
            filled += got;
        }
        bytes.truncate(filled);
    } catch (const std::bad_alloc &) {
        throw fail(ENOMEM);
    }
    return bytes;
}

LineList ReadDataFile(const QString &path)
{
    return SplitLines(DecodeFileText(ReadFileBytes(path)));
}

} // namespace tf
