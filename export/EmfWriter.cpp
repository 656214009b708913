#include "export/EmfWriter.h"

#include "export/EmfFormat.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tf {

using namespace emf;

namespace {

std::uint32_t colorRef(QRgb c)
{
    return std::uint32_t(qRed(c)) | (std::uint32_t(qGreen(c)) << 8) | (std::uint32_t(qBlue(c)) << 16);
}

bool fits16(const QPolygon &points)
{
    return std::all_of(points.begin(), points.end(), [](const QPoint &p) {
        return p.x() >= std::numeric_limits<std::int16_t>::min() && p.x() <= std::numeric_limits<std::int16_t>::max() &&
               p.y() >= std::numeric_limits<std::int16_t>::min() && p.y() <= std::numeric_limits<std::int16_t>::max();
    });
}

// A reference screen that reports no size (some virtual displays) counts as 96 pixels per inch.
QSizeF millimetresPerPixel(const EmfReference &ref)
{
    const double mmPerPixel = 25.4 / 96.0;
    const double x = ref.pixels.width() > 0 && ref.millimetres.width() > 0
                         ? ref.millimetres.width() / ref.pixels.width() : mmPerPixel;
    const double y = ref.pixels.height() > 0 && ref.millimetres.height() > 0
                         ? ref.millimetres.height() / ref.pixels.height() : mmPerPixel;
    return QSizeF(x, y);
}

} // namespace

EmfReference EmfReference::at96Dpi(QSize pixels)
{
    return EmfReference{pixels, QSizeF(pixels.width() * 25.4 / 96.0, pixels.height() * 25.4 / 96.0)};
}

QSize EmfFrameSize(QSize size, const EmfReference &reference)
{
    const QSizeF mm = millimetresPerPixel(reference);
    return QSize(int(std::lround(size.width() * mm.width() * 100.0)),
                 int(std::lround(size.height() * mm.height() * 100.0)));
}

EmfWriter::EmfWriter(QSize size, const EmfReference &reference)
    : m_size(size.expandedTo(QSize(1, 1))), m_pixelScale(millimetresPerPixel(reference) * 100.0)
{
    m_data.reserve(16 * 1024);
    const QSize frame = EmfFrameSize(m_size, reference);
    const bool known = reference.pixels.width() > 0 && reference.pixels.height() > 0 &&
                       reference.millimetres.width() > 0 && reference.millimetres.height() > 0;
    const EmfReference device = known ? reference : EmfReference::at96Dpi();

    begin(EMR_HEADER);
    rect(QRect(QPoint(0, 0), m_size));                 // bounds: the image area in pixels
    i32(0), i32(0), i32(frame.width()), i32(frame.height());
    u32(kSignature);
    u32(kVersion);
    u32(0); // nBytes, set by finish()
    u32(0); // nRecords, set by finish()
    u16(0); // nHandles, set by finish()
    u16(0);
    u32(0), u32(0); // no description
    u32(0);         // no palette
    i32(device.pixels.width()), i32(device.pixels.height());
    i32(int(std::lround(device.millimetres.width()))), i32(int(std::lround(device.millimetres.height())));
    u32(0), u32(0), u32(0); // no pixel format, no OpenGL
    i32(int(std::lround(device.millimetres.width() * 1000))), i32(int(std::lround(device.millimetres.height() * 1000)));
    end();
}

void EmfWriter::begin(std::uint32_t type)
{
    m_recordStart = int(m_data.size());
    u32(type);
    u32(0);
}

void EmfWriter::end()
{
    pad4();
    const std::uint32_t size = qToLittleEndian(std::uint32_t(m_data.size() - m_recordStart));
    std::memcpy(m_data.data() + m_recordStart + 4, &size, 4);
    ++m_records;
}

void EmfWriter::u32(std::uint32_t v)
{
    v = qToLittleEndian(v);
    m_data.append(reinterpret_cast<const char *>(&v), 4);
}

void EmfWriter::u16(std::uint16_t v)
{
    v = qToLittleEndian(v);
    m_data.append(reinterpret_cast<const char *>(&v), 2);
}

void EmfWriter::f32(float v)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void EmfWriter::rect(const QRect &r)
{
    i32(r.left()), i32(r.top()), i32(r.right()), i32(r.bottom());
}

void EmfWriter::pad4()
{
    while (m_data.size() % 4)
        m_data.append('\0');
}

std::uint32_t EmfWriter::allocateHandle()
{
    for (int i = 0; i < m_handles.size(); ++i) {
        if (!m_handles[i]) {
            m_handles[i] = true;
            return std::uint32_t(i + 1);
        }
    }
    m_handles.push_back(true);
    return std::uint32_t(m_handles.size());
}

std::uint32_t EmfWriter::createPen(std::uint32_t style, int width, QRgb color)
{
    const std::uint32_t h = allocateHandle();
    begin(EMR_CREATEPEN);
    u32(h);
    u32(style);
    i32(width), i32(0);
    u32(colorRef(color));
    end();
    return h;
}

std::uint32_t EmfWriter::createBrush(std::uint32_t style, QRgb color)
{
    const std::uint32_t h = allocateHandle();
    begin(EMR_CREATEBRUSHINDIRECT);
    u32(h);
    u32(style);
    u32(colorRef(color));
    u32(0);
    end();
    return h;
}

std::uint32_t EmfWriter::createFont(const EmfFont &font)
{
    const std::uint32_t h = allocateHandle();
    begin(EMR_EXTCREATEFONTINDIRECTW);
    u32(h);
    const int fontStart = int(m_data.size());
    i32(font.height);
    i32(0); // width: the font's own
    i32(font.escapement);
    i32(font.escapement); // orientation follows the baseline
    i32(font.weight);
    m_data.append(char(font.italic));
    m_data.append(char(font.underline));
    m_data.append(char(font.strikeOut));
    m_data.append(char(1)); // DEFAULT_CHARSET: the face decides
    m_data.append(char(0)); // OUT_DEFAULT_PRECIS
    m_data.append(char(0)); // CLIP_DEFAULT_PRECIS
    m_data.append(char(0)); // DEFAULT_QUALITY
    m_data.append(char(font.fixedPitch ? 0x31 : 0x00)); // FIXED_PITCH | FF_MODERN, or default
    auto wide = [this](const QString &s, int units) {
        const QString cut = s.left(units - 1);
        for (QChar c : cut)
            u16(c.unicode());
        for (int i = int(cut.size()); i < units; ++i)
            u16(0);
    };
    wide(font.face, kFaceNameChars);
    wide(font.face, 64); // full name
    wide(QString(), 32); // style
    m_data.append(QByteArray(kExtLogFontSize - (int(m_data.size()) - fontStart), '\0'));
    end();
    return h;
}

void EmfWriter::single(std::uint32_t type, std::uint32_t value)
{
    begin(type);
    u32(value);
    end();
}

void EmfWriter::selectObject(std::uint32_t handle)
{
    single(EMR_SELECTOBJECT, handle);
}

void EmfWriter::deleteObject(std::uint32_t handle)
{
    single(EMR_DELETEOBJECT, handle);
    if (handle >= 1 && handle <= std::uint32_t(m_handles.size()))
        m_handles[int(handle) - 1] = false;
}

void EmfWriter::setBkMode(std::uint32_t mode)
{
    single(EMR_SETBKMODE, mode);
}

void EmfWriter::setTextAlign(std::uint32_t align)
{
    single(EMR_SETTEXTALIGN, align);
}

void EmfWriter::setTextColor(QRgb color)
{
    single(EMR_SETTEXTCOLOR, colorRef(color));
}

void EmfWriter::setPolyFillMode(std::uint32_t mode)
{
    single(EMR_SETPOLYFILLMODE, mode);
}

void EmfWriter::saveDC()
{
    begin(EMR_SAVEDC);
    end();
}

void EmfWriter::restoreDC()
{
    single(EMR_RESTOREDC, std::uint32_t(-1));
}

void EmfWriter::intersectClipRect(const QRect &r)
{
    begin(EMR_INTERSECTCLIPRECT);
    i32(r.left()), i32(r.top()), i32(r.left() + r.width()), i32(r.top() + r.height());
    end();
}

void EmfWriter::polyRecord(std::uint32_t type16, std::uint32_t type32, const QPolygon &points)
{
    const bool small = fits16(points);
    begin(small ? type16 : type32);
    rect(points.boundingRect());
    u32(std::uint32_t(points.size()));
    for (const QPoint &p : points) {
        if (small)
            u16(std::uint16_t(p.x())), u16(std::uint16_t(p.y()));
        else
            i32(p.x()), i32(p.y());
    }
    end();
}

void EmfWriter::polygon(const QPolygon &points)
{
    if (points.size() >= 2)
        polyRecord(EMR_POLYGON16, EMR_POLYGON, points);
}

void EmfWriter::polyline(const QPolygon &points)
{
    if (points.size() >= 2)
        polyRecord(EMR_POLYLINE16, EMR_POLYLINE, points);
}

void EmfWriter::polyPolygon(const QVector<QPolygon> &polygons)
{
    QVector<QPolygon> used;
    QPolygon all;
    for (const QPolygon &p : polygons) {
        if (p.size() >= 2) {
            used.push_back(p);
            all += p;
        }
    }
    if (used.isEmpty())
        return;
    if (used.size() == 1) {
        polygon(used.front());
        return;
    }
    const bool small = fits16(all);
    begin(small ? EMR_POLYPOLYGON16 : EMR_POLYPOLYGON);
    rect(all.boundingRect());
    u32(std::uint32_t(used.size()));
    u32(std::uint32_t(all.size()));
    for (const QPolygon &p : used)
        u32(std::uint32_t(p.size()));
    for (const QPoint &p : all) {
        if (small)
            u16(std::uint16_t(p.x())), u16(std::uint16_t(p.y()));
        else
            i32(p.x()), i32(p.y());
    }
    end();
}

void EmfWriter::textOut(QPoint reference, const QString &text, const QVector<int> &dx, const QRect &bounds)
{
    if (text.isEmpty())
        return;
    const int n = int(text.size());
    const int stringBytes = (2 * n + 3) / 4 * 4;
    begin(EMR_EXTTEXTOUTW);
    rect(bounds);
    u32(GM_COMPATIBLE);
    f32(float(m_pixelScale.width()));
    f32(float(m_pixelScale.height()));
    i32(reference.x()), i32(reference.y());
    u32(std::uint32_t(n));
    u32(kTextRecordFixed);
    u32(0); // no options: drawn transparently, unclipped
    rect(bounds);
    u32(std::uint32_t(kTextRecordFixed + stringBytes));
    for (QChar c : text)
        u16(c.unicode());
    pad4();
    for (int i = 0; i < n; ++i)
        i32(i < dx.size() ? dx[i] : 0);
    end();
}

void EmfWriter::stretchDIBits(const QRect &dest, const QImage &image)
{
    if (dest.isEmpty() || image.isNull())
        return;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width(), h = rgb.height();
    const int rowBytes = (w * 3 + 3) / 4 * 4;
    const std::uint32_t bitsSize = std::uint32_t(rowBytes) * std::uint32_t(h);
    begin(EMR_STRETCHDIBITS);
    rect(dest);
    i32(dest.left()), i32(dest.top());
    i32(0), i32(0), i32(w), i32(h);
    u32(kStretchDibFixed);
    u32(kBitmapInfoHeader);
    u32(kStretchDibFixed + kBitmapInfoHeader);
    u32(bitsSize);
    u32(DIB_RGB_COLORS);
    u32(SRCCOPY);
    i32(dest.width()), i32(dest.height());
    // BITMAPINFOHEADER: bottom-up rows, 24 bits, uncompressed.
    u32(kBitmapInfoHeader);
    i32(w), i32(h);
    u16(1), u16(24);
    u32(0);
    u32(bitsSize);
    i32(3780), i32(3780); // 96 pixels per inch
    u32(0), u32(0);
    const int start = int(m_data.size());
    m_data.resize(start + qsizetype(bitsSize));
    char *out = m_data.data() + start;
    for (int y = 0; y < h; ++y) {
        const uchar *src = rgb.constScanLine(h - 1 - y);
        char *row = out + qsizetype(y) * rowBytes;
        for (int x = 0; x < w; ++x) {
            row[3 * x] = char(src[3 * x + 2]);
            row[3 * x + 1] = char(src[3 * x + 1]);
            row[3 * x + 2] = char(src[3 * x]);
        }
        std::memset(row + 3 * w, 0, size_t(rowBytes - 3 * w));
    }
    end();
}

QByteArray EmfWriter::finish()
{
    begin(EMR_EOF);
    u32(0);  // no palette entries
    u32(16); // where they would start
    u32(20); // this record's size, repeated at its end
    end();
    auto patch = [this](int offset, std::uint32_t v) {
        v = qToLittleEndian(v);
        std::memcpy(m_data.data() + offset, &v, 4);
    };
    patch(48, std::uint32_t(m_data.size()));
    patch(52, std::uint32_t(m_records));
    const std::uint16_t handles = qToLittleEndian(std::uint16_t(m_handles.size() + 1));
    std::memcpy(m_data.data() + 56, &handles, 2);
    return std::move(m_data);
}

} // namespace tf
