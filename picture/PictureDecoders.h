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

// The drawing a metafile asks for, in pixel writes estimated before each drawing call reaches the
// renderer, and the most its picture admits (MetafileWorkBudget). A file that asks for more is refused
// with a message saying so; a decoder given a PictureWork fills it in either way.
struct PictureWork {
    qint64 units = 0;
    qint64 budget = 0;
    qint64 converted = 0; // bytes of the drawing handed on to the renderer (the SVG of an EMF)
};

// The work a metafile drawn at the given pixel size may ask for: every pixel written a few dozen times
// over, and a floor for small pictures. Beyond it the drawing repaints the same pixels without end.
qint64 MetafileWorkBudget(QSize size);

// Raster formats through Qt's image readers; format is the Qt format name ("bmp", "ico", "png", "tiff").
// Only that reader is tried: a PNG named .bmp is not a bitmap.
QImage DecodeRasterPicture(const QByteArray &bytes, const char *format);

// PNG bytes as they are handed to the reader: text chunks (tEXt, zTXt, iTXt) left out, since they say
// nothing a background shows and the reader would inflate every compressed one; every other byte kept in
// order. Raises tf::Error when the image data is far more than any encoder writes for the pixels the header
// states (it would inflate without end). Bytes that are no PNG come back as they are. The chunks are walked
// by their lengths only, one pass over the bytes whatever they hold.
QByteArray PngForDecoding(const QByteArray &bytes);

// Enhanced metafile: converted to SVG by libemf2svg and drawn with Qt SVG.
QImage DecodeEmfPicture(const QByteArray &bytes, PictureWork *work = nullptr);

// The SVG libemf2svg makes of an enhanced metafile, made ready for Qt SVG: texts keep their runs of spaces
// (libemf2svg asks for that in a style property Qt SVG does not read). Raises tf::Error for a file that is
// no well-formed metafile or that the converter refuses.
QByteArray ConvertEmfToSvg(const QByteArray &bytes);

// Windows metafile (with or without the placeable header): played by libwmf into a pixel image.
QImage DecodeWmfPicture(const QByteArray &bytes, PictureWork *work = nullptr);

// The pixel size a drawing of the given natural size gets: at least 1 x 1, the longest side at most
// MaxPictureSide, the aspect kept.
QSize BoundedPictureSize(double width, double height);

} // namespace tf
