#include "picture/Picture.h"

#include "picture/PictureDecoders.h"

#include <QFile>

namespace tf {

namespace {
// Largest raster file read; the decoders bound the decoded image themselves.
constexpr qint64 MaxPictureFileBytes = 64 * 1024 * 1024;

QByteArray ReadWholeFile(const QString &fileName, qint64 limit)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(file.errorString());
    if (file.size() > limit)
        throw Error(QStringLiteral("Picture file is too large"));
    // Read no more than the limit even when the file grows while it is read.
    QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        throw Error(QStringLiteral("Picture file is too large"));
    if (file.error() != QFileDevice::NoError)
        throw Error(file.errorString());
    return bytes;
}
} // namespace

EInvalidGraphic UnknownPictureExtension(const QString &fileName)
{
    return EInvalidGraphic(QStringLiteral("画像のファイル拡張子 (.%1) が不明です").arg(PictureExtension(fileName)));
}

QString PictureExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return QString();
    return fileName.mid(dot + 1);
}

PictureFormat PictureFormatOf(const QString &fileName)
{
    const QString ext = PictureExtension(fileName).toLower();
    if (ext == u"bmp")
        return PictureFormat::Bmp;
    if (ext == u"ico")
        return PictureFormat::Ico;
    if (ext == u"png")
        return PictureFormat::Png;
    if (ext == u"tif" || ext == u"tiff")
        return PictureFormat::Tiff;
    if (ext == u"emf")
        return PictureFormat::Emf;
    if (ext == u"wmf")
        return PictureFormat::Wmf;
    return PictureFormat::Unknown;
}

QImage DecodePicture(const QByteArray &bytes, PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp:
        return DecodeRasterPicture(bytes, "bmp");
    case PictureFormat::Ico:
        return DecodeRasterPicture(bytes, "ico");
    case PictureFormat::Png:
        return DecodeRasterPicture(bytes, "png");
    case PictureFormat::Tiff:
        return DecodeRasterPicture(bytes, "tiff");
    case PictureFormat::Emf:
        return DecodeEmfPicture(bytes);
    case PictureFormat::Wmf:
        return DecodeWmfPicture(bytes);
    case PictureFormat::Unknown:
        break;
    }
    throw EInvalidGraphic(QStringLiteral("Unknown picture format"));
}

QImage ReadPictureFile(const QString &fileName)
{
    const PictureFormat format = PictureFormatOf(fileName);
    if (format == PictureFormat::Unknown)
        throw UnknownPictureExtension(fileName);
    const bool metafile = format == PictureFormat::Emf || format == PictureFormat::Wmf;
    return DecodePicture(ReadWholeFile(fileName, metafile ? MaxMetafileBytes : MaxPictureFileBytes), format);
}

} // namespace tf
