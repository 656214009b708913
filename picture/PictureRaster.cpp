#include "picture/PictureDecoders.h"

#include "engine/Error.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace tf {

namespace {
// Largest image a reader may allocate while decoding, in megabytes: a small file that unpacks into a huge
// image is refused instead of exhausting memory.
constexpr int RasterAllocationLimitMB = 128;
} // namespace

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

QImage DecodeRasterPicture(const QByteArray &bytes, const char *format)
{
    QBuffer buffer;
    buffer.setData(bytes);
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
    if (!reader.read(&image) || image.isNull())
        throw Error(reader.errorString());
    const QSize bounded = BoundedPictureSize(image.width(), image.height());
    if (bounded != image.size())
        image = image.scaled(bounded, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace tf
