#include "picture/PictureDecoders.h"

#include "engine/Error.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tf {

namespace {
// Largest image a reader may allocate while decoding, in megabytes: a small file that unpacks into a huge
// image is refused instead of exhausting memory.
constexpr int RasterAllocationLimitMB = 128;

// Pixel writes a metafile's drawing may make per pixel of its picture, and at least.
constexpr qint64 MetafileWorkPerPixel = 32;
constexpr qint64 MetafileWorkFloor = 8 * 1024 * 1024;

constexpr char PngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype PngSignatureBytes = 8;
// Length, type and CRC around each chunk's data.
constexpr qsizetype PngChunkFrameBytes = 12;

// The most compressed image data an encoder writes for the pixels a header states: the filtered rows (with
// room for the interlaced passes) as deflate stores them at worst, an eighth more, plus the stream's frame.
// Beyond it the data would inflate far past the rows the reader then throws away.
double PngImageDataLimit(const char *header)
{
    const double width = qFromBigEndian<quint32>(header);
    const double height = qFromBigEndian<quint32>(header + 4);
    const int depth = quint8(header[8]);
    int channels = 1;
    switch (quint8(header[9])) {
    case 2:
        channels = 3;
        break;
    case 4:
        channels = 2;
        break;
    case 6:
        channels = 4;
        break;
    default:
        break;
    }
    const double rowBytes = std::ceil(width * channels * depth / 8.0);
    return (height * (rowBytes + 8) + 8 * width) * 9 / 8 + 4096;
}

bool IsPngTextChunk(const char *type)
{
    return std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0 ||
           std::memcmp(type, "iTXt", 4) == 0;
}
} // namespace

QByteArray PngForDecoding(const QByteArray &bytes)
{
    if (bytes.size() < PngSignatureBytes || std::memcmp(bytes.constData(), PngSignature, PngSignatureBytes) != 0)
        return bytes;
    QByteArray out;
    out.reserve(bytes.size());
    out.append(bytes.constData(), PngSignatureBytes);
    double imageData = 0;
    double imageDataLimit = -1; // none until a header says how many pixels follow
    qsizetype offset = PngSignatureBytes;
    while (bytes.size() - offset >= PngChunkFrameBytes) {
        const char *at = bytes.constData() + offset;
        const quint64 length = qFromBigEndian<quint32>(at);
        if (length > quint64(bytes.size() - offset - PngChunkFrameBytes))
            break; // a chunk that runs past the end is left for the reader to report
        if (offset == PngSignatureBytes && std::memcmp(at + 4, "IHDR", 4) == 0 && length >= 13)
            imageDataLimit = PngImageDataLimit(at + 8);
        if (std::memcmp(at + 4, "IDAT", 4) == 0)
            imageData += double(length);
        const qsizetype chunk = PngChunkFrameBytes + qsizetype(length);
        if (!IsPngTextChunk(at + 4))
            out.append(at, chunk);
        offset += chunk;
    }
    if (imageDataLimit >= 0 && imageData > imageDataLimit)
        throw Error(QStringLiteral("PNG の画像データが画素の数に比べて大きすぎるため読み込めません"));
    out.append(bytes.constData() + offset, bytes.size() - offset);
    return out;
}

QSize BoundedPictureSize(double width, double height)
{
    if (!(width >= 1.0) || !std::isfinite(width))
        width = 1.0;
    if (!(height >= 1.0) || !std::isfinite(height))
        height = 1.0;
    const double scale = std::min(1.0, double(MaxPictureSide) / std::max(width, height));
    return QSize(std::clamp(int(std::lround(width * scale)), 1, MaxPictureSide),
                 std::clamp(int(std::lround(height * scale)), 1, MaxPictureSide));
}

qint64 MetafileWorkBudget(QSize size)
{
    return MetafileWorkPerPixel * qint64(std::max(size.width(), 1)) * qint64(std::max(size.height(), 1)) +
           MetafileWorkFloor;
}

QImage DecodeRasterPicture(const QByteArray &bytes, const char *format)
{
    QBuffer buffer;
    buffer.setData(std::strcmp(format, "png") == 0 ? PngForDecoding(bytes) : bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(RasterAllocationLimitMB);
    const QSize natural = reader.size();
    if (natural.isValid()) {
        const QSize bounded = BoundedPictureSize(natural.width(), natural.height());
        if (bounded != natural)
            reader.setScaledSize(bounded);
    }
    QImage image;
    // Qt's reasons are English and say little more than this.
    if (!reader.read(&image) || image.isNull())
        throw Error(QStringLiteral("%1 画像として読み取れません").arg(QString::fromLatin1(format).toUpper()));
    const QSize bounded = BoundedPictureSize(image.width(), image.height());
    if (bounded != image.size())
        image = image.scaled(bounded, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace tf
