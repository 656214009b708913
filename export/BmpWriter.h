#pragma once
// Writes an image as a BMP file laid out as the system's bitmap files are: the 14-byte file header, the
// 40-byte information header, no colour table (true colour), then the uncompressed pixel rows, bottom row
// first, each padded to a multiple of 4 bytes. 32 bits per pixel is blue, green, red and a zero byte.
#include <QByteArray>
#include <QImage>

namespace tf {

// bitsPerPixel is 32 or 24; anything else is written as 32.
QByteArray WriteBmp(const QImage &image, int bitsPerPixel = 32);

} // namespace tf
