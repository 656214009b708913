#include "bench/PaintBench.h"
#include "bench/WindowBench.h"

#include "app/TForm1.h"

#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

// The window lets its probe run a build directly, as the window tests do.
struct TForm1Probe {
    static void Build(TForm1 &form) { form.BuildHistogram(); }
};

namespace {

long peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

double threadCpuMs() { return tfbench::ClockMs(CLOCK_THREAD_CPUTIME_ID); }

// CPU time of the window's thread, which does all painting: less disturbed than wall time on a shared machine.
template <class F>
double ms(F &&f)
{
    const double start = threadCpuMs();
    f();
    return threadCpuMs() - start;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A header row of `cells` cells of `length` letters each, over three rows of one number.
QStringList headerLines(int cells, int length)
{
    QStringList header;
    for (int c = 0; c < cells; ++c)
        header += QString(length, QChar(u'A' + c % 26));
    return {header.join(u','), QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("7")};
}

void measure(const char *name, const QStringList &lines)
{
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    form.DataList = tf::LineList(lines);
    const double buildMs = ms([&] { TForm1Probe::Build(form); });
    const double firstMs = ms([&] { form.Chart1->repaint(); });
    std::vector<double> repaints;
    for (int i = 0; i < 7; ++i)
        repaints.push_back(ms([&] { form.Chart1->repaint(); }));
    // The chart alone, without the widget: layout and drawing into an image of the window's size.
    const tf::TChart &chart = form.Chart1->chart();
    QImage image(form.Chart1->size(), QImage::Format_RGB32);
    tf::ChartLayout layout;
    std::vector<double> layouts, draws;
    for (int i = 0; i < 7; ++i) {
        layouts.push_back(ms([&] { layout = tf::LayoutChart(chart, image.size()); }));
        QPainter painter(&image);
        draws.push_back(ms([&] { tf::PaintChart(chart, layout, painter); }));
    }
    const double describeMs = ms([&] { form.Chart1->describe(); });
    form.PageControl1->setCurrentIndex(1);
    const double seriesPageMs = ms([&] { form.PageControl1->currentWidget()->repaint(); });
    const double windowMs = ms([&] { form.repaint(); });
    std::printf("paint, %s: build %.0f ms, first chart paint %.1f ms, chart repaint %.1f ms (median of 7), "
                "layout %.1f ms, drawing %.1f ms, series page %.1f ms, whole window %.1f ms; description %.1f ms; "
                "peak RSS %ld MB\n",
                name, buildMs, firstMs, median(repaints), median(layouts), median(draws), seriesPageMs, windowMs,
                describeMs, peakRssMb());
}

} // namespace

void RunPaintBench()
{
    const auto app = tfbench::OffscreenApplication();
    measure("one 1 MB header cell", headerLines(1, 1000000));
    measure("one 2 MB header cell", headerLines(1, 2000000));
    measure("1000 header cells of 5000 characters", headerLines(1000, 5000));
    measure("three short header cells", headerLines(3, 3));
}
