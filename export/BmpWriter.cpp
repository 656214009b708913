#include "export/BmpWriter.h"

#include <QtEndian>

#include <cstring>

namespace tf {

namespace {

void put32(char *at, quint32 v)
{
    v = qToLittleEndian(v);
    std::memcpy(at, &v, 4);
}

void put16(char *at, quint16 v)
{
    v = qToLittleEndian(v);
    std::memcpy(at, &v, 2);
}

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
constexpr quint32 kPixelsPerMetre = 3780; // 96 pixels per inch

} // namespace

QByteArray WriteBmp(const QImage &image, int bitsPerPixel)
{
    const int bpp = bitsPerPixel == 24 ? 24 : 32;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width(), h = rgb.height();
    const qsizetype rowBytes = (qsizetype(w) * (bpp / 8) + 3) / 4 * 4;
    const qsizetype pixelBytes = rowBytes * h;
    const qsizetype offset = kFileHeader + kInfoHeader;

    QByteArray out(offset + pixelBytes, '\0');
    char *d = out.data();
    d[0] = 'B';
    d[1] = 'M';
    put32(d + 2, quint32(out.size()));
    // Two reserved words stay zero.
    put32(d + 10, quint32(offset));

    char *info = d + kFileHeader;
    put32(info, kInfoHeader);
    put32(info + 4, quint32(w));
    put32(info + 8, quint32(h)); // positive height: bottom row first
    put16(info + 12, 1);
    put16(info + 14, quint16(bpp));
    put32(info + 16, 0); // BI_RGB, uncompressed
    put32(info + 20, quint32(pixelBytes));
    put32(info + 24, kPixelsPerMetre);
    put32(info + 28, kPixelsPerMetre);
    // No colour table: colours used and important stay zero.

    const int step = bpp / 8;
    for (int y = 0; y < h; ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(h - 1 - y));
        char *row = d + offset + qsizetype(y) * rowBytes;
        for (int x = 0; x < w; ++x) {
            char *px = row + qsizetype(x) * step;
            px[0] = char(qBlue(src[x]));
            px[1] = char(qGreen(src[x]));
            px[2] = char(qRed(src[x]));
            // The fourth byte of a 32-bit pixel carries nothing and stays zero; row padding too.
        }
    }
    return out;
}

} // namespace tf
