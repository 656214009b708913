#pragma once
// Shared helpers of the export tests: a chart like a build leaves it, an independent metafile reader
// (libemf2svg, then Qt SVG) and a comparison of bars between two pictures of the same layout.
#include "ChartTestSupport.h"
#include "chart/EmfReader.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <emf2svg.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace exporttest {

using namespace tf;

const QSize kSize(621, 512);

// Three stacked series over 16 bins, a title and one statistics line per series.
inline void fillSample(TChart &c, int series = 3)
{
    tf::RegisterChartFontSubstitutions();
    for (int k = 0; k < series; ++k) {
        auto *s = charttest::addBars(c, {}, QStringLiteral("列%1").arg(k));
        for (int j = 0; j < 16; ++j)
            s->AddXY(j * 2.0, (j * 7 + k * 3) % 11 + 1, QString(), AutoColor);
        c.SubTitle.Text.Add(QStringLiteral("%1: 平均=  15.60  標準偏差= 11.95  最大値=  31.00  最小値=   3.00")
                                .arg(QStringLiteral("列%1").arg(k), 8));
    }
}

inline QImage renderSvg(const QByteArray &svg, QSize size, QSize *svgSize = nullptr)
{
    QSvgRenderer renderer(svg);
    EXPECT_TRUE(renderer.isValid());
    if (svgSize)
        *svgSize = renderer.defaultSize();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    // At the reader's own scale: one metafile unit is one pixel.
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(renderer.defaultSize())));
    p.end();
    return image;
}

// The metafile as libemf2svg reads it, drawn by Qt SVG.
inline QImage readWithLibemf2svg(const QByteArray &emf, QSize size, QSize *svgSize = nullptr)
{
    generatorOptions options{};
    options.nameSpace = const_cast<char *>("");
    options.svgDelimiter = true;
    char *out = nullptr;
    size_t length = 0;
    QByteArray copy = emf;
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &out, &length, &options);
    EXPECT_EQ(ok, 1) << "libemf2svg refused the metafile";
    const QByteArray svg(out, qsizetype(length));
    std::free(out);
    return renderSvg(svg, size, svgSize);
}

// The run of exactly `color` through p along one direction; empty when p has another colour.
struct Run {
    int from = 0, to = -1;
};

inline Run runThrough(const QImage &img, QPoint p, QRgb color, bool horizontal)
{
    Run r;
    auto at = [&](int i) { return horizontal ? QPoint(i, p.y()) : QPoint(p.x(), i); };
    const int limit = horizontal ? img.width() : img.height();
    const int start = horizontal ? p.x() : p.y();
    if (img.pixel(at(start)) != color)
        return r;
    r.from = r.to = start;
    while (r.from > 0 && img.pixel(at(r.from - 1)) == color)
        --r.from;
    while (r.to + 1 < limit && img.pixel(at(r.to + 1)) == color)
        ++r.to;
    return r;
}

// Every bar of the layout large enough to have an inside stands in `actual` in its colour, with the same
// edges as in `expected` within a pixel.
inline void expectSameBars(const QImage &expected, const QImage &actual, const tf::ChartLayout &layout)
{
    ASSERT_EQ(expected.size(), actual.size());
    int compared = 0;
    for (const auto &bar : layout.bars) {
        const QRect r = bar.rect & layout.plot;
        if (r.width() < 6 || r.height() < 6)
            continue;
        const QPoint c = r.center();
        const QRgb color = bar.color.rgb();
        SCOPED_TRACE(testing::Message() << "bar " << bar.series << "/" << bar.point << " at " << c.x() << "," << c.y());
        EXPECT_EQ(QColor(actual.pixel(c)).name().toStdString(), QColor(color).name().toStdString());
        for (bool horizontal : {true, false}) {
            const Run e = runThrough(expected, c, color, horizontal);
            const Run a = runThrough(actual, c, color, horizontal);
            EXPECT_NEAR(a.from, e.from, 1) << (horizontal ? "left edge" : "top edge");
            EXPECT_NEAR(a.to, e.to, 1) << (horizontal ? "right edge" : "bottom edge");
        }
        ++compared;
    }
    EXPECT_GT(compared, 0) << "no bar large enough to compare";
}

inline int countColor(const QImage &img, const QRect &area, QRgb color)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixel(x, y) == color;
    return n;
}

inline std::vector<tf::EmfText> texts(const tf::EmfDocument &doc)
{
    std::vector<tf::EmfText> out;
    for (const auto &r : doc.records)
        if (r.type == 84)
            out.push_back(tf::ReadTextRecord(r));
    return out;
}

} // namespace exporttest
