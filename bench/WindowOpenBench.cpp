#include "bench/WindowOpenBench.h"
#include "bench/WindowBench.h"

#include "app/TForm1.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QToolButton>

#include <cstdio>
#include <sys/resource.h>

namespace {

double wallMs() { return tfbench::ClockMs(CLOCK_MONOTONIC); }

long peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// Clicks the button and paints the chart as the window's next paint would; prints both times.
void timeClick(const char *label, TForm1 &form, QToolButton *button)
{
    const double start = wallMs();
    button->click();
    const double handled = wallMs();
    QCoreApplication::processEvents(); // what the click left queued
    form.Chart1->repaint();
    const double painted = wallMs();
    const tf::TChart &chart = form.Chart1->chart();
    std::printf("window %s: %.0f ms to the chart shown (handler %.0f ms, events and paint %.0f ms) | %d series of %d "
                "bins | peak %ld MB\n",
                label, painted - start, handled - start, painted - handled, chart.SeriesCount(),
                chart.SeriesCount() ? chart.Series(0)->Count() : 0, peakRssMb());
    std::fflush(stdout);
}

// 1,000,000 rows of four columns as a spreadsheet copies them: tab-separated, CR LF after every row.
QString sheetRows()
{
    QString text = QStringLiteral("col0\tcol1\tcol2\tcol3\r\n");
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    auto next = [&s] {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return double((s * 2685821657736338717ull) >> 11) * (1.0 / 9007199254740992.0);
    };
    for (int i = 0; i < 1000000; ++i) {
        for (int q = 0; q < 4; ++q) {
            text += QString::number(next() * 100 * (q + 1), 'f', 3);
            text += q < 3 ? QStringLiteral("\t") : QStringLiteral("\r\n");
        }
    }
    return text;
}

} // namespace

int RunWindowOpenBench(const QString &path)
{
    const auto app = tfbench::OffscreenApplication();
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    form.FileOpenDialogHook = [path] { return path; };
    timeClick("open", form, form.OpenBtn);
    if (form.Chart1->chart().SeriesCount() == 0) {
        std::fprintf(stderr, "window bench: %s gave no chart\n", qPrintable(path));
        return 1;
    }
    QGuiApplication::clipboard()->setText(sheetRows());
    timeClick("paste of 1,000,000 rows", form, form.PasteBtn);
    return 0;
}
