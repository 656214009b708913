#pragma once
// Decoders of untrusted picture bytes, one per family of formats. Each takes the whole file in memory,
// returns a non-null image or raises tf::Error with the reader's message, and never keeps more than a
// bounded image: larger pictures are scaled down, since they are only ever stretched over the plot area.
#include <QByteArray>
#include <QImage>

namespace tf {

// Longest side of a decoded picture, in pixels.
constexpr int MaxPictureSide = 4096;
// Largest metafile accepted; metafiles are drawing records, a few megabytes even for detailed drawings.
constexpr qsizetype MaxMetafileBytes = 16 * 1024 * 1024;

// Raster formats through Qt's image readers; format is the Qt format name ("bmp", "ico", "png", "tiff").
// Only that reader is tried: a PNG named .bmp is not a bitmap.
QImage DecodeRasterPicture(const QByteArray &bytes, const char *format);

// Enhanced metafile: converted to SVG by libemf2svg and drawn with Qt SVG.
QImage DecodeEmfPicture(const QByteArray &bytes);

// The SVG libemf2svg makes of an enhanced metafile, made ready for Qt SVG: texts keep their runs of spaces
// (libemf2svg asks for that in a style property Qt SVG does not read). Raises tf::Error for a file that is
// no well-formed metafile or that the converter refuses.
QByteArray ConvertEmfToSvg(const QByteArray &bytes);

// Windows metafile (with or without the placeable header): played by libwmf into a pixel image.
QImage DecodeWmfPicture(const QByteArray &bytes);

// The pixel size a drawing of the given natural size gets: at least 1 x 1, the longest side at most
// MaxPictureSide, the aspect kept.
QSize BoundedPictureSize(double width, double height);

} // namespace tf
