#include "bench/OpenPhase.h"

#include "engine/LineList.h"
#include "intake/TextRules.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <limits>

namespace {

constexpr int kRuns = 5;

// UTF-8 to CP932 for the benchmark's input; characters CP932 lacks become "?".
QByteArray toShiftJis(const QByteArray &utf8)
{
    QByteArray out(utf8.size() + 16, Qt::Uninitialized);
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == iconv_t(-1))
        return {};
    char *ip = const_cast<char *>(utf8.constData());
    size_t il = size_t(utf8.size());
    char *op = out.data();
    size_t ol = size_t(out.size());
    while (il > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = op - out.data();
            out.resize(out.size() * 2);
            op = out.data() + used;
            ol = size_t(out.size() - used);
            continue;
        }
        // A character CP932 cannot hold: skip its bytes and write a question mark.
        do {
            ++ip;
            --il;
        } while (il > 0 && (static_cast<unsigned char>(*ip) & 0xC0) == 0x80);
        if (ol == 0)
            continue;
        *op++ = '?';
        --ol;
    }
    iconv_close(cd);
    out.truncate(op - out.data());
    return out;
}

void timeOpen(const char *label, const QByteArray &bytes)
{
    double first = 0;
    double best = std::numeric_limits<double>::max();
    qsizetype lineCount = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const tf::LineList lines = tf::LinesFromFileBytes(bytes, "CP932");
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        lineCount = lines.size();
        if (run == 0)
            first = ms;
        best = std::min(best, ms);
    }
    std::printf("open phase, %s (%.1f MB): first %.0f ms, min of %d: %.0f ms, lines: %lld\n", label,
                double(bytes.size()) / 1e6, first, kRuns, best, static_cast<long long>(lineCount));
    std::fflush(stdout);
}

} // namespace

void RunOpenPhase(const QByteArray &utf8FileBytes)
{
    QByteArray shiftJis = toShiftJis(utf8FileBytes);
    // Plain ASCII text is the same in both encodings and would be read as UTF-8; a Japanese
    // first cell makes the Shift_JIS file take the legacy path, as a real one does.
    if (shiftJis == utf8FileBytes)
        shiftJis.prepend(toShiftJis(QByteArrayLiteral("\xE7\x95\xAA\xE5\x8F\xB7")));
    timeOpen("UTF-8", utf8FileBytes);
    timeOpen("Shift_JIS", shiftJis);
}
