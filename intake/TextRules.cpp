#include "intake/TextRules.h"

#include "engine/Error.h"

#include <QFileInfo>
#include <QFile>
#include <QStringDecoder>
#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <memory>
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

// Copies the ASCII bytes from b[i] on to dst, one character each, up to the first byte of 0x80
// or above; returns that byte's index (n when there is none).
qsizetype widenAscii(const unsigned char *b, qsizetype i, qsizetype n, char16_t *dst)
{
    const qsizetype from = i;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        if (_mm_movemask_epi8(v) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + (i - from)), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + (i - from) + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    for (; i < n && b[i] < 0x80; ++i)
        dst[i - from] = b[i];
    return i;
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

    const bool cp932 = isCp932(used);
    const char16_t defaultChar = cp932 ? u'\u30FB' : u'?';
    Utf16Out out;
    out.text.resize(bytes.size() + 16);
    if (!cp932) {
        convertLenient(conv->handle(), bytes.data(), size_t(bytes.size()), out, defaultChar);
        out.text.truncate(out.used);
        return std::move(out.text);
    }

    // CP932 maps every byte below 0x80 to the same code point unless it trails a lead byte, so
    // ASCII runs are widened here and only the other stretches, cut at character bounds, go
    // through iconv. Data files are nearly all ASCII digits, which keeps this fast.
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    auto isLead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    auto isTrail = [](unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); };
    qsizetype i = 0;
    while (i < n) {
        out.reserveMore(n - i);
        const qsizetype end = widenAscii(b, i, n, reinterpret_cast<char16_t *>(out.text.data()) + out.used);
        out.used += end - i;
        i = end;

        const qsizetype start = i;
        while (i < n && b[i] >= 0x80)
            i += (isLead(b[i]) && i + 1 < n && isTrail(b[i + 1])) ? 2 : 1;
        if (i > start)
            convertLenient(conv->handle(), reinterpret_cast<const char *>(b + start), size_t(i - start), out,
                           defaultChar);
    }
    out.text.truncate(out.used);
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
