#pragma once
// Shared helpers of the export tests: a chart like a build leaves it, an independent metafile reader
// (libemf2svg, then Qt SVG) and a comparison of bars between two pictures of the same layout.
#include "tests/chart/ChartTestSupport.h"
#include "export/EmfReader.h"
#include "export/Export.h"
#include "picture/PictureDecoders.h"
#include "engine/Error.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>


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

// The metafile as libemf2svg reads it, drawn by Qt SVG (through the conversion the back wall uses).
inline QImage readWithLibemf2svg(const QByteArray &emf, QSize size, QSize *svgSize = nullptr)
{
    QByteArray svg;
    try {
        svg = tf::ConvertEmfToSvg(emf);
    } catch (const tf::Error &e) {
        ADD_FAILURE() << "libemf2svg refused the metafile: " << e.message().toStdString();
    }
    return renderSvg(svg, size, svgSize);
}

// An SVG as librsvg (rsvg-convert) draws it, on white, one unit a pixel: unlike Qt SVG it honours clip
// paths, which libemf2svg writes for the metafile's clip records. The root's size becomes `size` (no view box,
// so nothing is scaled: libemf2svg gives the inclusive bounds' difference as the size).
inline QImage readWithLibrsvg(QByteArray svg, QSize size)
{
    static const QRegularExpression rootSize(QStringLiteral("(<svg[^>]*?)\\s(width|height)=\"[^\"]*\""));
    for (int i = 0; i < 2; ++i)
        svg = QString::fromUtf8(svg).replace(rootSize, QStringLiteral("\\1")).toUtf8();
    svg.replace("<svg", QStringLiteral("<svg width=\"%1\" height=\"%2\"").arg(size.width()).arg(size.height()).toUtf8());
    QTemporaryDir dir;
    QFile in(dir.filePath(QStringLiteral("in.svg")));
    EXPECT_TRUE(in.open(QIODevice::WriteOnly) && in.write(svg) == svg.size());
    in.close();
    const QString out = dir.filePath(QStringLiteral("out.png"));
    QProcess rsvg;
    rsvg.start(QStringLiteral("rsvg-convert"),
               {QStringLiteral("--background-color"), QStringLiteral("white"), QStringLiteral("--output"), out, in.fileName()});
    if (!rsvg.waitForFinished(60000) || rsvg.exitStatus() != QProcess::NormalExit || rsvg.exitCode() != 0) {
        ADD_FAILURE() << "rsvg-convert (librsvg2-bin) did not draw the SVG: " << rsvg.errorString().toStdString() << " "
                      << rsvg.readAllStandardError().toStdString();
        return QImage();
    }
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

// tools/check-emf-readers.sh opens the exports of a chart in other programs: with TF_WRITE_EXPORT_DIR set,
// the metafile, the bitmap, SVG and PDF of the chart and what libemf2svg made of the metafile are written
// there under `name`.
inline void writeExportsForReaders(const char *name, TChart &c, QSize size, const QByteArray &emf,
                                   const QImage &readByLibemf2svg)
{
    const QString dir = qEnvironmentVariable("TF_WRITE_EXPORT_DIR");
    if (dir.isEmpty())
        return;
    const QString base = dir + QStringLiteral("/") + QLatin1String(name);
    const std::pair<const char *, QByteArray> files[] = {{".emf", emf},
                                                         {".bmp", tf::ExportBmp(c, size)},
                                                         {".svg", tf::ExportSvg(c, size)},
                                                         {".pdf", tf::ExportPdf(c, size)}};
    for (const auto &[ext, bytes] : files) {
        QFile f(base + QLatin1String(ext));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << f.fileName().toStdString();
    }
    ASSERT_TRUE(readByLibemf2svg.save(base + QStringLiteral("-libemf2svg.png")));
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
