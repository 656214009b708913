#include "export/Export.h"

#include "export/BmpWriter.h"
#include "chart/ChartRenderer.h"
#include "export/EmfPaintDevice.h"

#include <QBuffer>
#include <QFont>
#include <QFontInfo>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgGenerator>

#include <algorithm>

namespace tf {

namespace {

QSize atLeastOne(QSize size)
{
    return size.expandedTo(QSize(1, 1));
}

// The generator names each font as the chart asks for it ("ＭＳ ゴシック"), a name that only this
// program's substitutions resolve; other programs would draw with a fallback of their choosing, a
// proportional one for the fixed-pitch statistics. The family the font resolved to is the one drawn.
void namesResolvedFamilies(QByteArray &svg)
{
    static const QRegularExpression family(QStringLiteral("font-family=\"([^\"&<]*)\""));
    const QString text = QString::fromUtf8(svg);
    QHash<QString, QString> resolved;
    QString out;
    out.reserve(text.size());
    qsizetype done = 0;
    for (auto it = family.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString requested = m.captured(1);
        auto found = resolved.find(requested);
        if (found == resolved.end())
            found = resolved.insert(requested, QFontInfo(QFont(requested)).family().toHtmlEscaped());
        out += QStringView(text).mid(done, m.capturedStart(1) - done);
        out += found->isEmpty() ? requested : *found;
        done = m.capturedEnd(1);
    }
    out += QStringView(text).mid(done);
    svg = out.toUtf8();
}

} // namespace

QByteArray ExportEmf(TChart &chart, QSize size, const EmfReference &screen)
{
    size = atLeastOne(size);
    EmfPaintDevice device(size, screen);
    QPainter painter(&device);
    StoreAutomaticRanges(chart, RenderChart(chart, painter, size));
    painter.end();
    return device.data();
}

QImage ExportImage(TChart &chart, QSize size, int scale)
{
    size = atLeastOne(size);
    scale = std::clamp(scale, 1, 8);
    QImage image(size * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    StoreAutomaticRanges(chart, RenderChart(chart, painter, size));
    painter.end();
    return image;
}

QByteArray ExportBmp(TChart &chart, QSize size)
{
    return WriteBmp(ExportImage(chart, size), 32);
}

QByteArray ExportSvg(TChart &chart, QSize size)
{
    size = atLeastOne(size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Tallyfold"));
    QPainter painter(&svg);
    StoreAutomaticRanges(chart, RenderChart(chart, painter, size));
    painter.end();
    namesResolvedFamilies(bytes);
    // The generator gives the size in millimetres, which readers turn back into pixels at differing
    // resolutions; pixels say what the chart is.
    const qsizetype root = bytes.indexOf("<svg");
    const qsizetype close = root < 0 ? -1 : bytes.indexOf('>', root);
    if (close > root) {
        static const QRegularExpression mm(QStringLiteral("\\s(width|height)=\"[0-9.]+mm\""));
        QString head = QString::fromLatin1(bytes.mid(root + 4, close - root - 4)).remove(mm);
        head.prepend(QStringLiteral("<svg width=\"%1\" height=\"%2\"").arg(size.width()).arg(size.height()));
        bytes.replace(root, close - root, head.toLatin1());
    }
    return bytes;
}

QByteArray ExportPdf(TChart &chart, QSize size)
{
    size = atLeastOne(size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(96);
    pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size.width() / 96.0, size.height() / 96.0), QPageSize::Inch,
                                            QString(), QPageSize::ExactMatch),
                                  QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    pdf.setCreator(QStringLiteral("Tallyfold"));
    QPainter painter(&pdf);
    StoreAutomaticRanges(chart, RenderChart(chart, painter, size));
    painter.end();
    return bytes;
}

QByteArray ExportPng(TChart &chart, QSize size, int scale)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ExportImage(chart, size, scale).save(&buffer, "PNG");
    return bytes;
}

} // namespace tf
