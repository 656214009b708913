#pragma once
// Numbers of the Enhanced Metafile format that the writer and the reader share: record types, stock
// objects, pen and brush styles, and the fixed sizes of the records the writer emits.
#include <cstdint>

namespace tf::emf {

enum RecordType : std::uint32_t {
    EMR_HEADER = 1,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYPOLYGON = 8,
    EMR_EOF = 14,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_RECTANGLE = 43,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYPOLYGON16 = 90,
};

constexpr std::uint32_t kSignature = 0x464D4520; // " EMF"
constexpr std::uint32_t kVersion = 0x00010000;
constexpr std::uint32_t kHeaderSize = 108;       // with both header extensions, no description
constexpr std::uint32_t kStockObject = 0x80000000;
constexpr std::uint32_t NULL_BRUSH = kStockObject | 5;
constexpr std::uint32_t NULL_PEN = kStockObject | 8;

enum PenStyle : std::uint32_t { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5 };
enum BrushStyle : std::uint32_t { BS_SOLID = 0, BS_NULL = 1 };
enum : std::uint32_t { TRANSPARENT = 1 };
enum : std::uint32_t { ALTERNATE = 1, WINDING = 2 };
enum : std::uint32_t { TA_BASELINE = 24 };
enum : std::uint32_t { GM_COMPATIBLE = 1 };
enum : std::uint32_t { DIB_RGB_COLORS = 0, SRCCOPY = 0x00CC0020 };

constexpr int kLogFontSize = 92;      // LOGFONTW
constexpr int kExtLogFontSize = 320;  // EXTLOGFONTW, as the system writes it
constexpr int kFaceNameChars = 32;    // including the closing zero
constexpr int kTextRecordFixed = 76;  // EMR_EXTTEXTOUTW before its string
constexpr int kStretchDibFixed = 80;  // EMR_STRETCHDIBITS before its bitmap header
constexpr int kBitmapInfoHeader = 40;

} // namespace tf::emf
