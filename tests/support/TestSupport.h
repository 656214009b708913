#pragma once
// What every test program shares: readable failure output for Qt types and case tables, fixture paths,
// and the texts of errors that several programs expect.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include "engine/SystemReason.h"

#include <cstdint>
#include <ostream>
#include <string>

QT_BEGIN_NAMESPACE
// gtest finds these by argument-dependent lookup, so they live beside the Qt types.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *os << '}';
}
inline void PrintTo(const QByteArray &bytes, std::ostream *os) { *os << "bytes \"" << bytes.toHex(' ').toStdString() << '"'; }
QT_END_NAMESPACE

namespace tftest {

// A small seeded generator (xorshift64) for random cases that repeat from run to run: next() gives the
// next 64 bits.
struct XorShift {
    std::uint64_t state;
    std::uint64_t operator()()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

// The process's peak resident memory is set back to what it holds now, so that the rise of
// MemoryBytes("VmHWM") then tells how high one step took it. False where the system cannot (Linux's
// clear_refs offers it), and under the address sanitizer, whose allocator holds freed memory back and
// adds its own, so that the peak no longer tells what the code holds.
inline bool ResetPeakMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#endif
#endif
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}
// A figure of /proc/self/status in bytes: "VmHWM" the peak resident memory, "VmRSS" the present one.
inline qint64 MemoryBytes(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// A file under tests/fixtures.
inline QString fixture(const char *name) { return QStringLiteral(TF_FIXTURES_DIR "/") + QLatin1String(name); }

// The open error for a path and an errno value, as the file reader words it.
inline QString cannotOpen(const QString &path, int err)
{
    return QStringLiteral("ファイル ") + path + QStringLiteral(" は開けません。 ")
        + tf::SystemReason(err) + u' ';
}

// Names parametrized cases after the case's `name` member, so test names stay readable and stable.
struct CaseName {
    template <class Info>
    std::string operator()(const Info &info) const
    {
        return std::string(info.param.name);
    }
};

} // namespace tftest

// Case structs print as their name, so a failing parametrized test says which case failed.
#define TF_PRINT_CASE_AS_NAME(Case) \
    inline void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }
