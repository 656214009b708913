#pragma once
// Picture files that are small or plainly shaped but cost their reader far more than their size: many
// compressed text chunks, image data that inflates far beyond its pixels, metafiles with pens wider than
// any picture, or with megabytes of points, shapes and texts. Made here byte by byte, so that tests and the
// benchmark hold none of the large ones as files.
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>

namespace tfshapes {

inline void PutU16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

inline void PutU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

inline void PutBigU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

// Coordinates that repeat from run to run, spread over [0, range).
struct Scatter {
    std::uint32_t state = 2463534242u;
    int operator()(int range)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return int(state % std::uint32_t(range));
    }
};

// ---- PNG ----

inline quint32 Crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char ch : bytes)
        c = table[(c ^ quint8(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

inline QByteArray PngChunk(const char *type, const QByteArray &data)
{
    QByteArray out;
    PutBigU32(out, quint32(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    out += body;
    PutBigU32(out, Crc32(body));
    return out;
}

// A zlib stream of the bytes (qCompress puts the uncompressed length in front of it).
inline QByteArray Zlib(const QByteArray &bytes) { return qCompress(bytes, 9).mid(4); }

// The header and data of a 1 x 1 RGB picture, with `middle` between them.
inline QByteArray OnePixelPng(const QByteArray &middle, const QByteArray &imageData)
{
    QByteArray header;
    PutBigU32(header, 1);
    PutBigU32(header, 1);
    header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, no interlace
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + middle + PngChunk("IDAT", imageData) +
           PngChunk("IEND", QByteArray());
}

inline QByteArray OnePixelRow() { return Zlib(QByteArray("\x00\xC8\x1E\x28", 4)); } // filter 0, one red pixel

// A 1 x 1 picture behind `chunks` zTXt chunks, each inflating to `inflated` bytes.
inline QByteArray PngBehindTextChunks(int chunks, int inflated)
{
    const QByteArray text = PngChunk("zTXt", QByteArray("Comment\0\0", 9) + Zlib(QByteArray(inflated, 'a')));
    QByteArray middle;
    middle.reserve(qsizetype(chunks) * text.size());
    for (int i = 0; i < chunks; ++i)
        middle += text;
    return OnePixelPng(middle, OnePixelRow());
}

// A 1 x 1 picture whose image data goes on for `inflated` bytes of zeros after its one row.
inline QByteArray PngWithEndlessImageData(int inflated)
{
    return OnePixelPng(QByteArray(), Zlib(QByteArray("\x00\xC8\x1E\x28", 4) + QByteArray(inflated, '\0')));
}

// ---- WMF ----

// Records of a Windows metafile, framed by the placeable header (bounds in units of 1/inch inch) and
// the metafile header, ended by the end record.
class Wmf {
public:
    Wmf &Record(quint16 function, std::initializer_list<int> words)
    {
        Count(3 + words.size());
        PutU32(m_records, quint32(3 + words.size()));
        PutU16(m_records, function);
        for (const int w : words)
            PutU16(m_records, quint16(w));
        return *this;
    }
    Wmf &Window(int size) { return Record(0x020B, {0, 0}).Record(0x020C, {size, size}); }
    Wmf &Pen(int width) { return Record(0x02FA, {0, width, 0, 0x40, 0x80}).Record(0x012D, {0}); }
    Wmf &Polyline(int points, int range)
    {
        Scatter scatter;
        Count(4 + 2 * qsizetype(points));
        PutU32(m_records, quint32(4 + 2 * points));
        PutU16(m_records, 0x0325);
        PutU16(m_records, quint16(points));
        for (int i = 0; i < 2 * points; ++i)
            PutU16(m_records, quint16(scatter(range)));
        return *this;
    }
    Wmf &Rectangle(int size) { return Record(0x041B, {size, size, 0, 0}); }
    qsizetype Size() const { return 22 + 18 + m_records.size() + 6; }

    QByteArray Bytes(int bounds, int unitsPerInch) const
    {
        QByteArray records = m_records;
        PutU32(records, 3); // end record
        PutU16(records, 0);
        QByteArray placeable;
        PutU32(placeable, 0x9AC6CDD7);
        for (const int v : {0, 0, 0, bounds, bounds, unitsPerInch})
            PutU16(placeable, quint16(v));
        PutU32(placeable, 0);
        quint16 sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= qFromLittleEndian<quint16>(placeable.constData() + i);
        PutU16(placeable, sum);
        QByteArray header;
        for (const int v : {1, 9, 0x0300})
            PutU16(header, quint16(v));
        PutU32(header, quint32((18 + records.size()) / 2));
        PutU16(header, 1);
        PutU32(header, quint32(m_largest));
        PutU16(header, 0);
        return placeable + header + records;
    }

private:
    void Count(qsizetype words) { m_largest = std::max(m_largest, words); }

    QByteArray m_records;
    qsizetype m_largest = 3;
};

// A pen 32767 units wide along a polyline of `points` points over a picture of 1000 pixels square.
inline QByteArray WmfWidePenPolyline(int points)
{
    return Wmf().Window(1000).Pen(32767).Polyline(points, 1000).Bytes(1000, 96);
}

// Rectangles over the whole picture, as many as fit in `bytes`.
inline QByteArray WmfRectangles(qsizetype bytes)
{
    Wmf wmf;
    wmf.Window(1000);
    while (wmf.Size() + 14 <= bytes)
        wmf.Rectangle(1000);
    return wmf.Bytes(1000, 1440);
}

// ---- EMF ----

// Records of an enhanced metafile of 1000 x 1000 device units (1 pixel each), behind its header and
// before the end-of-file record.
class Emf {
public:
    Emf &Record(quint32 type, const QByteArray &payload)
    {
        PutU32(m_records, type);
        PutU32(m_records, quint32(8 + payload.size()));
        m_records += payload;
        ++m_count;
        return *this;
    }
    // A pen of the given width, selected.
    Emf &Pen(int width)
    {
        QByteArray pen;
        for (const quint32 v : {1u, 0x00010000u, quint32(width), 0u, 0x000000FFu})
            PutU32(pen, v);
        QByteArray select;
        PutU32(select, 1);
        return Record(38, pen).Record(37, select);
    }
    static QByteArray Polyline16(int points, int range)
    {
        Scatter scatter;
        QByteArray payload;
        for (const int v : {0, 0, 999, 999})
            PutU32(payload, quint32(v));
        PutU32(payload, quint32(points));
        for (int i = 0; i < 2 * points; ++i)
            PutU16(payload, quint16(scatter(range)));
        return payload;
    }
    static QByteArray Text(const QString &text)
    {
        QByteArray payload;
        for (const int v : {0, 0, 999, 999, 1, 0, 0}) // bounds, graphics mode, scales
            PutU32(payload, quint32(v));
        const quint32 stringAt = 8 + 28 + 40;
        for (const quint32 v : {10u, 500u, quint32(text.size()), stringAt, 0u, 0u, 0u, 0u, 0u,
                                stringAt + quint32(text.size()) * 2 + (text.size() % 2 ? 2 : 0)})
            PutU32(payload, v);
        for (const QChar c : text)
            PutU16(payload, c.unicode());
        if (text.size() % 2)
            PutU16(payload, 0);
        for (qsizetype i = 0; i < text.size(); ++i)
            PutU32(payload, 10);
        return payload;
    }
    qsizetype Size() const { return 88 + m_records.size() + 20; }

    QByteArray Bytes() const
    {
        QByteArray out;
        PutU32(out, 1);
        PutU32(out, 88);
        for (const int v : {0, 0, 999, 999, 0, 0, 26458, 26458})
            PutU32(out, quint32(v));
        PutU32(out, 0x464D4520);
        PutU32(out, 0x10000);
        PutU32(out, quint32(Size()));
        PutU32(out, quint32(m_count + 2));
        PutU16(out, 2);
        PutU16(out, 0);
        for (const int v : {0, 0, 0, 1000, 1000, 264, 264})
            PutU32(out, quint32(v));
        out += m_records;
        for (const quint32 v : {14u, 20u, 0u, 0u, 20u})
            PutU32(out, v);
        return out;
    }

private:
    QByteArray m_records;
    int m_count = 0;
};

// Polylines of 100 points over the whole picture, as many as fit in `bytes`.
inline QByteArray EmfPolylines(qsizetype bytes)
{
    Emf emf;
    const QByteArray one = Emf::Polyline16(100, 1000);
    while (emf.Size() + 8 + one.size() <= bytes)
        emf.Record(87, one);
    return emf.Bytes();
}

// One polyline of `points` points.
inline QByteArray EmfPoints(int points) { return Emf().Record(87, Emf::Polyline16(points, 1000)).Bytes(); }

// Short texts, as many as fit in `bytes`.
inline QByteArray EmfTexts(qsizetype bytes)
{
    Emf emf;
    const QByteArray one = Emf::Text(QStringLiteral("ABCDEFGH"));
    while (emf.Size() + 8 + one.size() <= bytes)
        emf.Record(84, one);
    return emf.Bytes();
}

// `lines` polylines of 100 points drawn with a pen `width` pixels wide: few records, each painting the
// picture over many times.
inline QByteArray EmfWidePenPolylines(int lines, int width)
{
    Emf emf;
    emf.Pen(width);
    const QByteArray one = Emf::Polyline16(100, 1000);
    for (int i = 0; i < lines; ++i)
        emf.Record(87, one);
    return emf.Bytes();
}

} // namespace tfshapes
