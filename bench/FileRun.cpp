#include "bench/FileRun.h"

#include "engine/Build.h"
#include "engine/Error.h"
#include "engine/FileMapping.h"
#include "engine/LargeArray.h"
#include "engine/Parallel.h"
#include "intake/TextRules.h"
#include "intake/Workbook.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <new>
#include <sys/resource.h>

namespace {

long peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

double msSince(QElapsedTimer &t)
{
    const double ms = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    return ms;
}

} // namespace

int RunFile(const QString &path)
{
    try {
        QElapsedTimer total, t;
        total.start();
        t.start();
        tf::FileContents contents = tf::LoadFile(path);
        const double mb = double(contents.mapping ? qsizetype(contents.mapping->size()) : contents.bytes.size()) / 1e6;
        const double readMs = msSince(t);
        qint64 decodeNs = 0;
        tf::EngineState state;
        // A workbook's "decode" is liborcus reading it, its "lines" those of its first sheet.
        const tf::WorkbookFormat format = tf::WorkbookFormatOf(path);
        if (format != tf::WorkbookFormat::None) {
            const tf::Workbook book = contents.mapping
                ? tf::ReadWorkbook(QByteArrayView(contents.mapping->data(), qsizetype(contents.mapping->size())), format)
                : tf::ReadWorkbook(contents.bytes, format);
            contents = tf::FileContents();
            decodeNs = qint64(msSince(t) * 1e6);
            state.DataList = tf::SheetLines(book, 0, u'.');
        } else {
            state.DataList = tf::LinesFromFile(std::move(contents), tf::LegacyCodeset(), &decodeNs);
        }
        const double splitMs = msSince(t) - (format == tf::WorkbookFormat::None ? double(decodeNs) / 1e6 : 0.0);
        const qsizetype lineCount = state.DataList.size();

        const tf::NumberFormat fmt; // the files compared use a period
        tf::BuildControls controls;
        bench::KeepingSink sink;
        tf::BuildHistogram(state, controls, sink, fmt);
        const double buildMs = msSince(t);
        const QStringList firstLines = sink.lines;

        controls.bunkatuSize = 20;
        state.MBunkatuFlag = true;
        tf::BuildHistogram(state, controls, sink, fmt);
        const double rebuildMs = msSince(t);
        const double totalMs = double(total.nsecsElapsed()) / 1e6;

        std::printf("file %s: %.1f MB, %lld lines | read %.0f ms, decode %.0f ms, lines %.0f ms, build %.0f ms, "
                    "rebuild %.1f ms, total %.0f ms | peak %ld MB | %s | %s\n",
                    qPrintable(path), mb, static_cast<long long>(lineCount), readMs, double(decodeNs) / 1e6,
                    splitMs, buildMs, rebuildMs, totalMs, peakRssMb(), qPrintable(sink.status),
                    qPrintable(firstLines.join(QStringLiteral(" | "))));
        return 0;
    } catch (const tf::Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "out of memory\n");
    }
    return 1;
}

int RunFreshMemory(int megabytes)
{
    const size_t n = size_t(std::max(megabytes, 1)) << 17; // doubles
    const size_t parts = tf::Processors();
    QElapsedTimer t;
    t.start();
    std::vector<double> v;
    tf::ReserveLarge(v, n);
    tf::InParallel(parts, [&](size_t k) {
        tf::PopulateLarge(v.data() + n * k / parts, (n * (k + 1) / parts - n * k / parts) * sizeof(double));
    });
    const double takenMs = msSince(t);
    v.resize(n);
    const double writtenMs = msSince(t);
    std::printf("fresh memory: %d MB taken in %.0f ms on %zu processors (%.0f ms per GB), written again in %.0f ms | "
                "peak %ld MB\n",
                megabytes, takenMs, parts, takenMs * 1024.0 / megabytes, writtenMs, peakRssMb());
    return 0;
}

void WriteShortLines(const QString &path, int megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray piece;
    for (int i = 0; i < (1 << 19); ++i) {
        piece += char('0' + (i * 7 + i / 10) % 10);
        piece += '\n';
    }
    const qint64 total = qint64(megabytes) * 1000 * 1000;
    for (qint64 written = 0; written < total; written += piece.size())
        file.write(piece.constData(), std::min<qint64>(piece.size(), total - written));
}
