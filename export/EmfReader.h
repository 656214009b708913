#pragma once
// Reads an Enhanced Metafile back into its records and checks its structure: the header record first
// (signature, byte and record counts), every record's size a multiple of 4 and inside the file, the EOF
// record last. Decoders for the records the writer emits turn them back into points, texts and fonts.
// Malformed input raises tf::Error with the reason; nothing is read outside the given bytes.
#include "export/EmfWriter.h"

#include <QByteArray>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

#include <cstdint>
#include <vector>

namespace tf {

struct EmfRecord {
    std::uint32_t type = 0;
    std::uint32_t offset = 0; // from the start of the file
    QByteArray bytes;         // the whole record, type and size included

    std::uint32_t size() const { return std::uint32_t(bytes.size()); }
    // Little-endian fields at a byte offset inside the record; past its end raises tf::Error.
    std::uint32_t u32(int at) const;
    std::int32_t i32(int at) const { return std::int32_t(u32(at)); }
    std::uint16_t u16(int at) const;
    QRect rectl(int at) const; // a RECTL (left, top, right, bottom), as stored
};

struct EmfHeader {
    QRect bounds; // inclusive, in device pixels
    QRect frame;  // in hundredths of a millimetre, as stored
    std::uint32_t signature = 0;
    std::uint32_t version = 0;
    std::uint32_t bytes = 0;
    std::uint32_t records = 0;
    std::uint16_t handles = 0;
    std::uint32_t descriptionLength = 0;
    QSize devicePixels;
    QSize deviceMillimetres;
};

struct EmfDocument {
    EmfHeader header;
    std::vector<EmfRecord> records; // the header record first, the EOF record last
};

EmfDocument ParseEmf(const QByteArray &bytes);

struct EmfText {
    QRect bounds;
    QPoint reference;
    QString text;
    QVector<int> dx;
    std::uint32_t options = 0;
};
EmfText ReadTextRecord(const EmfRecord &record);

// EMR_EXTCREATEFONTINDIRECTW: the font and the object handle it is stored under.
EmfFont ReadFontRecord(const EmfRecord &record, std::uint32_t *handle = nullptr);

// The point lists of a polygon, polyline or poly-polygon record (16- or 32-bit points).
QVector<QPolygon> ReadPolyRecord(const EmfRecord &record);

// The colour of an EMR_CREATEPEN, EMR_CREATEBRUSHINDIRECT or EMR_SETTEXTCOLOR record, as 0x00BBGGRR.
std::uint32_t ReadColorRef(const EmfRecord &record);

struct EmfBitmap {
    QRect dest;       // destination in device pixels
    QSize source;     // bitmap size in pixels
    int bitsPerPixel = 0;
};
EmfBitmap ReadStretchDibRecord(const EmfRecord &record);

} // namespace tf
