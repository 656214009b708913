#pragma once
// Shared by the fuzz targets: taking typed values from the input bytes, and a check that stops the run
// with a readable report (libFuzzer then keeps the input as a crash file).
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

[[noreturn]] inline void Fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(cond, detail)                 \
    do {                                         \
        if (!(cond))                             \
            ::fuzz::Fail(#cond, (detail));       \
    } while (0)

// Reads control values from the front of the input; once the bytes run out every value is zero.
class Input {
public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    bool flag() { return byte() & 1; }
    // A value in [lo, hi].
    int inRange(int lo, int hi) { return lo + int(byte() % unsigned(hi - lo + 1)); }
    template <class T, std::size_t N>
    const T &pick(const T (&choices)[N]) { return choices[byte() % N]; }
    // Bytes up to the next 0xFF (or the end) as UTF-8, invalid sequences replaced.
    QString field()
    {
        const std::size_t begin = m_pos;
        while (m_pos < m_size && m_data[m_pos] != 0xFF)
            ++m_pos;
        const QString text = QString::fromUtf8(reinterpret_cast<const char *>(m_data + begin), qsizetype(m_pos - begin));
        if (m_pos < m_size)
            ++m_pos;
        return text;
    }
    QByteArray rest()
    {
        const QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(m_size - m_pos));
        m_pos = m_size;
        return out;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

inline std::uint64_t Bits(double v)
{
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// A double shown exactly, for reports and for records compared bit for bit.
inline QString Exact(double v)
{
    return QString::number(v, 'g', 17) + QStringLiteral("[%1]").arg(Bits(v), 16, 16, QLatin1Char('0'));
}

} // namespace fuzz
