#pragma once
// Writes Enhanced Metafile records into a byte array: the header (pixel size, frame in hundredths of a
// millimetre from the reference screen, no description), drawing records, object records and the
// closing EOF record. Coordinates are device pixels of the reference screen. It knows nothing about
// painters; EmfPaintEngine decides what to emit.
#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QVector>

#include <cstdint>

namespace tf {

// The screen a metafile is recorded for: its size in pixels and its physical size in millimetres.
struct EmfReference {
    QSize pixels;
    QSizeF millimetres;

    // A 96 pixels-per-inch screen of the given size, for use without a display.
    static EmfReference at96Dpi(QSize pixels = QSize(1920, 1080));
};

// The frame of a picture of `size` pixels, in hundredths of a millimetre: size times the screen's
// millimetres per pixel, times 100, rounded to whole units.
QSize EmfFrameSize(QSize size, const EmfReference &reference);

// A font as the metafile describes it (LOGFONTW).
struct EmfFont {
    int height = 0;       // negative: the character height (em) in pixels
    int escapement = 0;   // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool fixedPitch = false;
    QString face;

    bool operator==(const EmfFont &) const = default;
};

class EmfWriter {
public:
    EmfWriter(QSize size, const EmfReference &reference);

    // Object table: handles are 1-based slots; a deleted slot is used again.
    std::uint32_t createPen(std::uint32_t style, int width, QRgb color);
    std::uint32_t createBrush(std::uint32_t style, QRgb color);
    std::uint32_t createFont(const EmfFont &font);
    void selectObject(std::uint32_t handle);
    void deleteObject(std::uint32_t handle);

    void setBkMode(std::uint32_t mode);
    void setTextAlign(std::uint32_t align);
    void setTextColor(QRgb color);
    void setPolyFillMode(std::uint32_t mode);

    // The device context's state kept (EMR_SAVEDC) and the last kept state brought back (EMR_RESTOREDC).
    void saveDC();
    void restoreDC();
    // Narrows the clip to r (EMR_INTERSECTCLIPRECT; its right and bottom edges are outside, as the format has it).
    void intersectClipRect(const QRect &r);

    // Closed polygons drawn with the selected pen and filled with the selected brush.
    void polygon(const QPolygon &points);
    void polyPolygon(const QVector<QPolygon> &polygons);
    // An open line through the points with the selected pen.
    void polyline(const QPolygon &points);
    // Text at a baseline reference point; dx holds each UTF-16 unit's advance in pixels.
    void textOut(QPoint reference, const QString &text, const QVector<int> &dx, const QRect &bounds);
    // The image stretched over `dest`, as an uncompressed 24-bit bottom-up device-independent bitmap.
    void stretchDIBits(const QRect &dest, const QImage &image);

    // Closes the metafile with its EOF record and returns its bytes. The writer is spent afterwards.
    QByteArray finish();

    int recordCount() const { return m_records; }

private:
    void begin(std::uint32_t type);
    void single(std::uint32_t type, std::uint32_t value); // a record of one 32-bit field
    void end();
    void u32(std::uint32_t v);
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void u16(std::uint16_t v);
    void f32(float v);
    void rect(const QRect &r); // as an inclusive RECTL
    void pad4();
    std::uint32_t allocateHandle();
    void polyRecord(std::uint32_t type16, std::uint32_t type32, const QPolygon &points);

    QByteArray m_data;
    int m_recordStart = 0;
    int m_records = 0;
    QSize m_size;
    QSizeF m_pixelScale; // hundredths of a millimetre per pixel
    QVector<bool> m_handles;
};

} // namespace tf
