// Build speed of the histogram engine on generated spreadsheet-sized input, and the benches that need the
// window's code (exports, paints, pictures, the window itself). The file benches are tallyfold_bench's own.
// Prints, per data set, the first build (lines to counts and statistics lines), a rebuild after a
// settings change, and the peak memory so far. The last line sums up the 1,000,000-row set.
#include "bench/ExportBench.h"
#include "bench/FileRun.h"
#include "bench/OpenPhase.h"
#include "bench/PaintBench.h"
#include "bench/PictureBench.h"
#include "bench/Shapes.h"
#include "bench/WindowOpenBench.h"
#include "engine/Build.h"
#include "engine/Capability.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <time.h>
#include <vector>

namespace {

struct Rng { // xorshift64*: fast and the same data on every run
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    std::uint64_t next()
    {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return s * 2685821657736338717ull;
    }
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
};

// A header row and `rows` rows of `columns` decimal numbers, comma separated, as UTF-8 bytes.
QByteArray generate(long rows, int columns)
{
    QByteArray text;
    text.reserve(rows * columns * 9 + 64);
    for (int q = 0; q < columns; ++q) {
        if (q)
            text += ',';
        text += "col" + QByteArray::number(q);
    }
    text += '\n';
    Rng rng;
    char buf[32];
    for (long r = 0; r < rows; ++r) {
        for (int q = 0; q < columns; ++q) {
            if (q)
                text += ',';
            // columns of different spread, like measured quantities: 12.345, 987.6, 0.4321 ...
            const double centre = 100.0 * (q % 4 + 1);
            const double v = centre + (rng.uniform() + rng.uniform() + rng.uniform() - 1.5) * centre / 2;
            static const int decimals[4] = {4, 3, 3, 4};
            const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals[q % 4]);
            text.append(buf, res.ptr - buf);
        }
        text += '\n';
    }
    return text;
}

tf::LineList toLines(QByteArray utf8)
{
    return tf::LineList::fromUtf8(std::move(utf8)); // the generated text is ASCII and ends with a break
}

// CPU time of this process: less disturbed than wall time when other work shares the machine.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

long peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

struct Figures {
    double firstMs, rebuildMs, mbPerS;
    long rows;
};

Figures measure(const char *name, QByteArray utf8, long rows)
{
    const double mb = double(utf8.size()) / 1e6;
    tf::EngineState state;
    state.DataList = toLines(std::move(utf8)); // the text lives on in DataList only
    const tf::NumberFormat fmt; // the generated numbers use a period
    tf::BuildControls controls;
    bench::KeepingSink sink;

    QElapsedTimer t;
    double cpu = cpuMs();
    t.start();
    tf::BuildHistogram(state, controls, sink, fmt);
    const double firstMs = double(t.nsecsElapsed()) / 1e6;
    const double firstCpuMs = cpuMs() - cpu;

    // Settings changes (a new bin count with the fixed-count flag): the kept table is not read again.
    std::vector<double> rebuilds, rebuildsCpu;
    for (int run = 0; run < 7; ++run) {
        controls.bunkatuSize = 20 + run;
        state.MBunkatuFlag = true;
        cpu = cpuMs();
        t.restart();
        tf::BuildHistogram(state, controls, sink, fmt);
        rebuilds.push_back(double(t.nsecsElapsed()) / 1e6);
        rebuildsCpu.push_back(cpuMs() - cpu);
    }
    const double firstRebuildMs = rebuilds.front();
    std::sort(rebuilds.begin(), rebuilds.end());
    std::sort(rebuildsCpu.begin(), rebuildsCpu.end());
    const double rebuildMs = rebuilds[rebuilds.size() / 2];
    std::printf("%s: %.1f MB of text, first build %.1f ms (CPU %.1f ms), rebuild %.1f ms (median of 7, CPU %.1f ms; "
                "first %.1f ms), values counted %lld, peak RSS %ld MB\n",
                name, mb, firstMs, firstCpuMs, rebuildMs, rebuildsCpu[rebuildsCpu.size() / 2], firstRebuildMs,
                sink.counted, peakRssMb());
    return {firstMs, rebuildMs, mb / (firstMs / 1000.0), rows};
}

// The capability pass of the 1,000,000-row set (limits three deviations either side of each column's mean)
// against one plain read of every column, each the median of 7 on the same columns.
void measureCapability()
{
    tf::EngineState state;
    state.DataList = toLines(generate(1000000, 4));
    tf::BuildControls controls;
    bench::KeepingSink sink;
    tf::BuildHistogram(state, controls, sink, tf::NumberFormat());
    const tf::BuildOutcome &last = state.last;
    // Limits around the first column; the others then have values outside on one side or both.
    const tf::ColumnStats &first = last.stats.front();
    const tf::ToleranceLimits limits{first.mean - 3 * first.stdDev, first.mean + 3 * first.stdDev, {}};
    std::vector<double> pass, read;
    double checksum = 0;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        const auto caps = tf::ColumnCapabilities(state.serdata.data(), last.stats, limits);
        pass.push_back(double(t.nsecsElapsed()) / 1e6);
        checksum += double(caps.front().outside.below + caps.back().outside.above);
        t.restart();
        for (size_t q = 0; q < last.stats.size(); ++q)
            for (const double v : state.serdata[q])
                checksum += v;
        read.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(pass.begin(), pass.end());
    std::sort(read.begin(), read.end());
    std::printf("capability pass %.2f ms, one read of each column %.2f ms, ratio %.2f (checksum %.0f)\n", pass[3],
                read[3], pass[3] / read[3], checksum);
}

} // namespace

int main(int argc, char **argv)
{
    // "capability": only the capability pass against one read of the columns.
    if (argc > 1 && QByteArray(argv[1]) == "capability") {
        measureCapability();
        return 0;
    }
    // "export": only the image exports of the 1,000,000-row chart.
    if (argc > 1 && QByteArray(argv[1]) == "export")
        return RunExportBench() ? 0 : 1;
    // "paint": only the window paint entries.
    if (argc > 1 && QByteArray(argv[1]) == "paint") {
        RunPaintBench();
        return 0;
    }
    // "shapes [NAME...]": inputs shaped to cost far more than their size, each in a process of its own.
    if (argc > 1 && QByteArray(argv[1]) == "shapes")
        return bench::RunShapes(argv[0], argc - 2, argv + 2);
    if (argc == 4 && QByteArray(argv[1]) == "shape-run")
        return bench::RunOneShape(argv[2], QString::fromLocal8Bit(argv[3]));
    // window PATH: the window's open and paste, from the click to the chart shown.
    if (argc == 3 && std::strcmp(argv[1], "window") == 0)
        return RunWindowOpenBench(QString::fromLocal8Bit(argv[2]));
    // picture EMF: a background picture through the helper process against in this process.
    if (argc == 3 && std::strcmp(argv[1], "picture") == 0)
        return RunPictureBench(QString::fromLocal8Bit(argv[2]));
    // picture-shapes: background pictures that cost far more than their size, each loaded once.
    if (argc == 2 && std::strcmp(argv[1], "picture-shapes") == 0)
        return RunPictureShapes();
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s [export | paint | capability | shapes [NAME...] | window PATH | picture EMF |"
                             " picture-shapes]\n",
                     argv[0]);
        return 2;
    }

    QByteArray big = generate(1000000, 4);

    RunOpenPhase(big);

    measure("100,000 rows x 21 columns", generate(100000, 21), 100000);
    const Figures f = measure("1,000,000 rows x 4 columns", std::move(big), 1000000);
    std::printf("first build: %.0f ms, rebuild: %.1f ms, rows: %ld, MB/s: %.0f\n", f.firstMs, f.rebuildMs, f.rows,
                f.mbPerS);
    RunPaintBench();
    return 0;
}
