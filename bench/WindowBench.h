#pragma once
// What the benches that drive the window share: an offscreen application set up as the program sets up
// its own, and clocks read in milliseconds.
#include "chart/ChartRenderer.h"

#include <QApplication>
#include <memory>
#include <time.h>

namespace tfbench {

// Milliseconds on a clock: CLOCK_MONOTONIC for wall time, CLOCK_THREAD_CPUTIME_ID for this thread's CPU.
inline double ClockMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The application for a window drawn offscreen, with the chart's font substitutions registered.
inline std::unique_ptr<QApplication> OffscreenApplication()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "tallyfold_bench";
    static char *argv[] = {arg0, nullptr};
    auto app = std::make_unique<QApplication>(argc, argv);
    tf::RegisterChartFontSubstitutions();
    return app;
}

} // namespace tfbench
