#include "picture/PictureDecoders.h"

#include "engine/Error.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <emf2svg.h>

#include <cstdlib>
#include <memory>

namespace tf {

namespace {
constexpr quint32 EmrHeader = 1;
constexpr quint32 EmrEof = 14;
constexpr quint32 EmfSignature = 0x464D4520; // " EMF"
constexpr qsizetype EmfHeaderMinimum = 88;

Error InvalidMetafile()
{
    return Error(QStringLiteral("Metafile is not valid"));
}

quint32 U32At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

// The converter trusts record sizes; a file is handed over only when its header is an EMF header and its
// records, walked by their sizes, stay inside the file and end with the end-of-file record.
void CheckEmfStructure(const QByteArray &bytes)
{
    if (bytes.size() < EmfHeaderMinimum || bytes.size() > MaxMetafileBytes)
        throw InvalidMetafile();
    if (U32At(bytes, 0) != EmrHeader || U32At(bytes, 40) != EmfSignature)
        throw InvalidMetafile();
    const quint32 headerSize = U32At(bytes, 4);
    if (headerSize < EmfHeaderMinimum)
        throw InvalidMetafile();
    qsizetype offset = 0;
    while (offset + 8 <= bytes.size()) {
        const quint32 type = U32At(bytes, offset);
        const quint32 size = U32At(bytes, offset + 4);
        if (size < 8 || size % 4 != 0 || size > quint64(bytes.size() - offset))
            throw InvalidMetafile();
        if (type == EmrEof)
            return;
        offset += size;
    }
    throw InvalidMetafile();
}

struct FreeDeleter {
    void operator()(char *p) const { std::free(p); }
};
} // namespace

QByteArray ConvertEmfToSvg(const QByteArray &bytes)
{
    CheckEmfStructure(bytes);

    generatorOptions options{};
    options.nameSpace = const_cast<char *>("");
    options.verbose = false;
    // Files with EMF+ records carry plain EMF records for readers without EMF+; those are the ones drawn.
    options.emfplus = false;
    options.svgDelimiter = true;
    QByteArray input = bytes; // the converter takes a writable buffer
    char *out = nullptr;
    size_t outLength = 0;
    const int ok = emf2svg(input.data(), size_t(input.size()), &out, &outLength, &options);
    std::unique_ptr<char, FreeDeleter> converted(out);
    if (!ok || !out || outLength == 0)
        throw InvalidMetafile();
    QByteArray svg(out, qsizetype(outLength));
    // Every text is written with "white-space:pre", which Qt SVG ignores: it would fold the spaces that
    // set out columns (statistics lines, for one). The XML attribute says the same in a form it reads.
    const qsizetype root = svg.indexOf("<svg");
    const qsizetype rootEnd = root < 0 ? -1 : svg.indexOf('>', root);
    if (rootEnd > root && !svg.mid(root, rootEnd - root).contains("xml:space"))
        svg.insert(root + 4, " xml:space=\"preserve\"");
    return svg;
}

QImage DecodeEmfPicture(const QByteArray &bytes)
{
    QSvgRenderer renderer(ConvertEmfToSvg(bytes));
    if (!renderer.isValid())
        throw InvalidMetafile();
    const QSizeF natural = renderer.viewBoxF().size();
    const QSize size = BoundedPictureSize(natural.width(), natural.height());
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw InvalidMetafile();
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace tf
