#include "bench/ExportBench.h"
#include "bench/WindowBench.h"

#include "app/BinCountBox.h"
#include "app/TForm1.h"
#include "export/Export.h"


#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double wallMs() { return tfbench::ClockMs(CLOCK_MONOTONIC); }

// Median time of 9 runs after one warm-up, and the size of what the last run made.
void measure(const char *name, const std::function<QByteArray()> &run)
{
    run();
    std::vector<double> times;
    qsizetype bytes = 0;
    for (int i = 0; i < 9; ++i) {
        const double start = wallMs();
        bytes = run().size();
        times.push_back(wallMs() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("export %s: %.2f ms (median of 9, min %.2f), %lld bytes\n", name, times[4], times.front(),
                static_cast<long long>(bytes));
}

// 1,000,000 rows of four columns of different spread, with a header row.
QStringList rows()
{
    QStringList lines;
    lines.reserve(1000001);
    lines += QStringLiteral("col0,col1,col2,col3");
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    auto next = [&s] {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return double((s * 2685821657736338717ull) >> 11) * (1.0 / 9007199254740992.0);
    };
    for (int i = 0; i < 1000000; ++i)
        lines += QStringLiteral("%1,%2,%3,%4").arg(next() * 100, 0, 'f', 3).arg(next() * 80 + 10, 0, 'f', 3)
                     .arg(next() * 60 + 20, 0, 'f', 3).arg(next() * 40 + 30, 0, 'f', 3);
    return lines;
}

} // namespace

bool RunExportBench()
{
    const auto app = tfbench::OffscreenApplication();
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    form.DataList = tf::LineList(rows());
    // As the user sets the bin count: the box's change runs the build. A count of n divides the range
    // into n widths and draws bins 0 to n, so 15 gives the 16 bins measured here.
    form.BunkatuSize->setValue(15);
    tf::TChart &chart = form.Chart1->chart();
    const QSize size = form.Chart1->size();
    const int bins = chart.SeriesCount() ? chart.Series(0)->Count() : 0;
    std::printf("export chart: %d series, %d bins each, %dx%d pixels\n", chart.SeriesCount(), bins, size.width(),
                size.height());
    if (chart.SeriesCount() != 4 || bins != 16) {
        std::fprintf(stderr, "export bench: the chart should have 4 series of 16 bins\n");
        return false;
    }
    const tf::EmfReference screen = tf::EmfReference::at96Dpi();
    measure("EMF", [&] { return tf::ExportEmf(chart, size, screen); });
    measure("BMP", [&] { return tf::ExportBmp(chart, size); });
    measure("SVG", [&] { return tf::ExportSvg(chart, size); });
    measure("PDF", [&] { return tf::ExportPdf(chart, size); });
    measure("PNG", [&] { return tf::ExportPng(chart, size); });
    return true;
}
