#include "export/EmfReader.h"

#include "export/EmfFormat.h"
#include "engine/Error.h"

#include <QtEndian>

#include <cstdlib>
#include <cstring>

namespace tf {

using namespace emf;

namespace {

[[noreturn]] void fail(const QString &why)
{
    throw Error(QStringLiteral("EMF: ") + why);
}

std::uint32_t readU32(const QByteArray &b, qsizetype at)
{
    std::uint32_t v;
    std::memcpy(&v, b.constData() + at, 4);
    return qFromLittleEndian(v);
}

// UTF-16 units stored at a byte offset, up to the first zero or `units`.
QString wideString(const EmfRecord &r, int at, int units, bool stopAtZero)
{
    QString s;
    for (int i = 0; i < units; ++i) {
        const char16_t c = r.u16(at + 2 * i);
        if (stopAtZero && c == 0)
            break;
        s += QChar(c);
    }
    return s;
}

bool isPoly(std::uint32_t type)
{
    switch (type) {
    case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYPOLYGON:
    case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYPOLYGON16:
        return true;
    default:
        return false;
    }
}

} // namespace

std::uint32_t EmfRecord::u32(int at) const
{
    if (at < 0 || qsizetype(at) + 4 > bytes.size())
        fail(QStringLiteral("field at %1 lies outside record type %2 of %3 bytes").arg(at).arg(type).arg(bytes.size()));
    return readU32(bytes, at);
}

std::uint16_t EmfRecord::u16(int at) const
{
    if (at < 0 || qsizetype(at) + 2 > bytes.size())
        fail(QStringLiteral("field at %1 lies outside record type %2 of %3 bytes").arg(at).arg(type).arg(bytes.size()));
    std::uint16_t v;
    std::memcpy(&v, bytes.constData() + at, 2);
    return qFromLittleEndian(v);
}

QRect EmfRecord::rectl(int at) const
{
    return QRect(QPoint(i32(at), i32(at + 4)), QPoint(i32(at + 8), i32(at + 12)));
}

EmfDocument ParseEmf(const QByteArray &bytes)
{
    EmfDocument doc;
    qsizetype at = 0;
    bool ended = false;
    while (at < bytes.size()) {
        if (ended)
            fail(QStringLiteral("bytes after the EOF record at %1").arg(at));
        if (bytes.size() - at < 8)
            fail(QStringLiteral("a record at %1 is cut off").arg(at));
        const std::uint32_t type = readU32(bytes, at);
        const std::uint32_t size = readU32(bytes, at + 4);
        if (size < 8 || size % 4 != 0)
            fail(QStringLiteral("record %1 (type %2) has size %3, not a multiple of 4 of at least 8")
                     .arg(doc.records.size()).arg(type).arg(size));
        if (size > std::uint64_t(bytes.size() - at))
            fail(QStringLiteral("record %1 (type %2) runs past the end of the file").arg(doc.records.size()).arg(type));
        if (doc.records.empty() && type != EMR_HEADER)
            fail(QStringLiteral("the first record is type %1, not the header").arg(type));
        if (!doc.records.empty() && type == EMR_HEADER)
            fail(QStringLiteral("a second header record at %1").arg(at));
        EmfRecord r;
        r.type = type;
        r.offset = std::uint32_t(at);
        r.bytes = bytes.mid(at, size);
        doc.records.push_back(std::move(r));
        ended = type == EMR_EOF;
        at += size;
    }
    if (doc.records.empty())
        fail(QStringLiteral("no records"));
    if (!ended)
        fail(QStringLiteral("no EOF record at the end"));

    const EmfRecord &h = doc.records.front();
    if (h.size() < 88)
        fail(QStringLiteral("the header record has only %1 bytes").arg(h.size()));
    EmfHeader &hd = doc.header;
    hd.bounds = h.rectl(8);
    hd.frame = h.rectl(24);
    hd.signature = h.u32(40);
    hd.version = h.u32(44);
    hd.bytes = h.u32(48);
    hd.records = h.u32(52);
    hd.handles = h.u16(56);
    hd.descriptionLength = h.u32(60);
    hd.devicePixels = QSize(h.i32(72), h.i32(76));
    hd.deviceMillimetres = QSize(h.i32(80), h.i32(84));
    if (hd.signature != kSignature)
        fail(QStringLiteral("signature %1 is not \" EMF\"").arg(hd.signature, 8, 16, QLatin1Char('0')));
    if (hd.bytes != std::uint32_t(bytes.size()))
        fail(QStringLiteral("the header counts %1 bytes, the file has %2").arg(hd.bytes).arg(bytes.size()));
    if (hd.records != doc.records.size())
        fail(QStringLiteral("the header counts %1 records, the file has %2").arg(hd.records).arg(doc.records.size()));
    return doc;
}

EmfText ReadTextRecord(const EmfRecord &r)
{
    if (r.type != EMR_EXTTEXTOUTW)
        fail(QStringLiteral("record type %1 is not a text record").arg(r.type));
    EmfText t;
    t.bounds = r.rectl(8);
    t.reference = QPoint(r.i32(36), r.i32(40));
    const std::uint32_t n = r.u32(44);
    const std::uint32_t offString = r.u32(48);
    t.options = r.u32(52);
    const std::uint32_t offDx = r.u32(72);
    if (n > r.size() / 2 || offString > r.size() || std::uint64_t(offString) + 2ull * n > r.size())
        fail(QStringLiteral("the text of a text record lies outside it"));
    t.text = wideString(r, int(offString), int(n), false);
    if (offDx != 0) {
        if (offDx > r.size() || std::uint64_t(offDx) + 4ull * n > r.size())
            fail(QStringLiteral("the spacing of a text record lies outside it"));
        for (std::uint32_t i = 0; i < n; ++i)
            t.dx.push_back(r.i32(int(offDx + 4 * i)));
    }
    return t;
}

EmfFont ReadFontRecord(const EmfRecord &r, std::uint32_t *handle)
{
    if (r.type != EMR_EXTCREATEFONTINDIRECTW)
        fail(QStringLiteral("record type %1 is not a font record").arg(r.type));
    if (r.size() < 12 + kLogFontSize)
        fail(QStringLiteral("the font record has only %1 bytes").arg(r.size()));
    if (handle)
        *handle = r.u32(8);
    const int lf = 12;
    EmfFont f;
    f.height = r.i32(lf);
    f.escapement = r.i32(lf + 8);
    f.weight = r.i32(lf + 16);
    f.italic = r.bytes[lf + 20] != 0;
    f.underline = r.bytes[lf + 21] != 0;
    f.strikeOut = r.bytes[lf + 22] != 0;
    f.fixedPitch = (r.bytes[lf + 27] & 3) == 1;
    f.face = wideString(r, lf + 28, kFaceNameChars, true);
    return f;
}

QVector<QPolygon> ReadPolyRecord(const EmfRecord &r)
{
    if (!isPoly(r.type))
        fail(QStringLiteral("record type %1 is not a polygon or polyline").arg(r.type));
    const bool small = r.type == EMR_POLYGON16 || r.type == EMR_POLYLINE16 || r.type == EMR_POLYPOLYGON16;
    const bool multi = r.type == EMR_POLYPOLYGON || r.type == EMR_POLYPOLYGON16;
    const int pointBytes = small ? 4 : 8;
    QVector<std::uint32_t> counts;
    int at = 24;
    std::uint64_t total = 0;
    if (multi) {
        const std::uint32_t polys = r.u32(24);
        total = r.u32(28);
        if (polys > r.size() / 4)
            fail(QStringLiteral("a poly-polygon counts more polygons than it can hold"));
        at = 32;
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < polys; ++i) {
            counts << r.u32(at);
            sum += counts.back();
            at += 4;
        }
        if (sum != total)
            fail(QStringLiteral("a poly-polygon's counts do not add up"));
    } else {
        total = r.u32(24);
        counts << std::uint32_t(total);
        at = 28;
    }
    if (total > r.size() || at + total * pointBytes > r.size())
        fail(QStringLiteral("the points of record type %1 lie outside it").arg(r.type));
    QVector<QPolygon> out;
    for (std::uint32_t c : counts) {
        QPolygon p;
        for (std::uint32_t i = 0; i < c; ++i) {
            if (small)
                p << QPoint(std::int16_t(r.u16(at)), std::int16_t(r.u16(at + 2)));
            else
                p << QPoint(r.i32(at), r.i32(at + 4));
            at += pointBytes;
        }
        out << p;
    }
    return out;
}

std::uint32_t ReadColorRef(const EmfRecord &r)
{
    switch (r.type) {
    case EMR_CREATEPEN: return r.u32(24);
    case EMR_CREATEBRUSHINDIRECT: return r.u32(16);
    case EMR_SETTEXTCOLOR: return r.u32(8);
    default: fail(QStringLiteral("record type %1 carries no colour").arg(r.type));
    }
}

EmfBitmap ReadStretchDibRecord(const EmfRecord &r)
{
    if (r.type != EMR_STRETCHDIBITS)
        fail(QStringLiteral("record type %1 is not a bitmap record").arg(r.type));
    EmfBitmap b;
    // The far corner is computed wide: a destination whose far edge lies beyond the coordinate range is refused.
    const std::int64_t x = r.i32(24), y = r.i32(28), right = x + r.i32(72) - 1, bottom = y + r.i32(76) - 1;
    if (right < INT32_MIN || right > INT32_MAX || bottom < INT32_MIN || bottom > INT32_MAX)
        fail(QStringLiteral("the bitmap's destination lies outside the coordinate range"));
    b.dest = QRect(QPoint(int(x), int(y)), QPoint(int(right), int(bottom)));
    const std::uint32_t offBmi = r.u32(48);
    const std::uint32_t cbBmi = r.u32(52);
    if (cbBmi < std::uint32_t(kBitmapInfoHeader) || offBmi > r.size() || std::uint64_t(offBmi) + cbBmi > r.size())
        fail(QStringLiteral("the bitmap header lies outside its record"));
    const std::int32_t height = r.i32(int(offBmi) + 8); // negative: top row first
    b.source = QSize(r.i32(int(offBmi) + 4), height == INT32_MIN ? INT32_MAX : std::abs(height));
    b.bitsPerPixel = r.u16(int(offBmi) + 14);
    const std::uint32_t offBits = r.u32(56);
    const std::uint32_t cbBits = r.u32(60);
    if (offBits > r.size() || std::uint64_t(offBits) + cbBits > r.size())
        fail(QStringLiteral("the bitmap's pixels lie outside their record"));
    return b;
}

} // namespace tf
