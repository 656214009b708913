// A chart built from the input's text, styled from the input's bytes (odd axis ranges and steps, legend
// sides, shadow, titles, fonts) and drawn into a small image of any size. The drawing must keep its axis
// labels inside the axis range and in order, store finite automatic ranges, and draw the same picture
// again once those ranges are stored.
#include "FuzzChart.h"

#include "chart/ChartRenderer.h"
#include "chart/ChartStyle.h"

#include <QImage>
#include <QPainter>

#include <cmath>

namespace {

void CheckLabels(const QVector<tf::ChartLayout::AxisLabel> &labels, double lo, double hi, const char *axis)
{
    const double slack = (hi - lo) * 1e-6;
    for (qsizetype k = 0; k < labels.size(); ++k) {
        const double v = labels[k].value;
        FUZZ_CHECK(std::isfinite(v) && v >= lo - slack && v <= hi + slack,
                   QStringLiteral("%1 axis label %2 outside %3 .. %4").arg(axis).arg(fuzz::Exact(v), fuzz::Exact(lo), fuzz::Exact(hi)));
        FUZZ_CHECK(k == 0 || v > labels[k - 1].value, QStringLiteral("%1 axis labels out of order at %2").arg(axis).arg(k));
    }
}

QImage Paint(const tf::TChart &chart, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    tf::RenderChart(chart, p, size);
    return image;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::StartGuiApplication("fuzz_chart", true);
    tf::RegisterChartFontSubstitutions();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    const QSize imageSize(in.inRange(1, 160), in.inRange(1, 160));
    tf::TChart chart;
    fuzz::BuildStyledChart(in, chart);

    const QImage first = Paint(chart, imageSize);
    const tf::ChartLayout layout = tf::LayoutChart(chart, imageSize);
    tf::StoreAutomaticRanges(chart, layout); // as a paint in the window does
    for (tf::TChartAxis *axis : {&chart.BottomAxis, &chart.LeftAxis}) {
        if (axis->Automatic.get())
            FUZZ_CHECK(std::isfinite(axis->Minimum.get()) && std::isfinite(axis->Maximum.get())
                           && axis->Minimum.get() <= axis->Maximum.get(),
                       QStringLiteral("automatic range %1 .. %2").arg(fuzz::Exact(axis->Minimum.get()), fuzz::Exact(axis->Maximum.get())));
    }
    CheckLabels(layout.bottomLabels, layout.bottomMin, layout.bottomMax, "bottom");
    CheckLabels(layout.leftLabels, layout.leftMin, layout.leftMax, "left");
    // The ranges a paint stores must not change the next paint.
    FUZZ_CHECK(Paint(chart, imageSize) == first, QStringLiteral("a second paint differs from the first"));
    return 0;
}
