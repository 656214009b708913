#pragma once
// Metafiles that crash the metafile players in the process that plays them, built byte by byte: an EMF of 536
// bytes whose text is drawn by glyph index (libemf2svg looks the glyphs up through fontconfig and then calls
// FcFini, which aborts a process whose fonts already hold fontconfig's caches, as the window's do), and a WMF
// of 138 bytes whose font has a height of -32768 (libwmf's text drawing writes outside its picture).
#include <QByteArray>
#include <QtEndian>

#include <cstring>

namespace tftest {

class LittleEndianBytes {
public:
    LittleEndianBytes &u16(quint32 v)
    {
        char b[2];
        qToLittleEndian(quint16(v), b);
        m_bytes.append(b, 2);
        return *this;
    }
    LittleEndianBytes &u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_bytes.append(b, 4);
        return *this;
    }
    LittleEndianBytes &f32(float v)
    {
        quint32 bits;
        std::memcpy(&bits, &v, 4);
        return u32(bits);
    }
    LittleEndianBytes &bytes(const QByteArray &b)
    {
        m_bytes.append(b);
        return *this;
    }
    qsizetype size() const { return m_bytes.size(); }
    QByteArray &data() { return m_bytes; }

private:
    QByteArray m_bytes;
};

// An EMF with one EXTTEXTOUTW record whose options hold ETO_GLYPH_INDEX (0x10): its 36 characters are glyph
// indices, as many Windows programs write text.
inline QByteArray GlyphIndexTextEmf()
{
    const QString text = QStringLiteral("Glyph indices 0123456789 abcdefghijk");
    LittleEndianBytes font; // EXTCREATEFONTINDIRECTW, a LOGFONTW of 92 bytes
    font.u32(82).u32(12 + 92).u32(1);
    font.u32(quint32(-16)).u32(0).u32(0).u32(0).u32(400).u32(0).u32(0);
    QByteArray face(64, '\0');
    const QString arial = QStringLiteral("Arial");
    std::memcpy(face.data(), arial.utf16(), arial.size() * 2);
    font.bytes(face);
    LittleEndianBytes select; // SELECTOBJECT
    select.u32(37).u32(12).u32(1);
    LittleEndianBytes out; // EXTTEXTOUTW
    const quint32 offString = 76;
    const quint32 stringBytes = quint32((text.size() * 2 + 3) / 4 * 4);
    const quint32 offDx = offString + stringBytes;
    const quint32 size = offDx + quint32(text.size()) * 4;
    out.u32(84).u32(size).u32(0).u32(0).u32(200).u32(40); // type, size, bounds
    out.u32(1).f32(1.0f).f32(1.0f);                       // graphics mode, scales
    out.u32(10).u32(20).u32(quint32(text.size())).u32(offString).u32(0x10); // reference, count, offset, ETO_GLYPH_INDEX
    out.u32(0).u32(0).u32(200).u32(40).u32(offDx);                           // rectangle, offDx
    QByteArray chars(int(stringBytes), '\0');
    std::memcpy(chars.data(), text.utf16(), text.size() * 2);
    out.bytes(chars);
    for (qsizetype i = 0; i < text.size(); ++i)
        out.u32(8);
    LittleEndianBytes eof;
    eof.u32(14).u32(20).u32(0).u32(16).u32(20);

    const quint32 total = quint32(108 + font.size() + select.size() + out.size() + eof.size());
    LittleEndianBytes emf; // header of 108 bytes
    emf.u32(1).u32(108).u32(0).u32(0).u32(200).u32(40).u32(0).u32(0).u32(5292).u32(1058);
    emf.u32(0x464D4520).u32(0x10000).u32(total).u32(5).u16(2).u16(0).u32(0).u32(0).u32(0);
    emf.u32(1920).u32(1080).u32(508).u32(286).u32(0).u32(0).u32(0).u32(508000).u32(286000);
    emf.bytes(font.data()).bytes(select.data()).bytes(out.data()).bytes(eof.data());
    return emf.data();
}

// A placeable WMF of 1000 x 1000 pixels (1000 units at 96 to the inch): CREATEFONTINDIRECT with height
// -32768, width -1 and escapement 16383 (its face name in 28 bytes), SELECTOBJECT, and a TEXTOUT of twenty
// characters.
inline QByteArray HugeFontWmf()
{
    LittleEndianBytes records;
    QByteArray face("Arial");
    face.resize(28, '\0');
    records.u32(3 + 9 + 14).u16(0x02FB);                                   // CREATEFONTINDIRECT
    records.u16(0x8000).u16(0xFFFF).u16(16383).u16(0).u16(400).u16(0).u16(0).u16(0).u16(0);
    records.bytes(face);
    records.u32(4).u16(0x012D).u16(0);                                      // SELECTOBJECT
    const QByteArray text("twenty characters!!!");
    records.u32(3 + 1 + 10 + 2).u16(0x0521).u16(quint32(text.size())).bytes(text).u16(10).u16(10); // TEXTOUT
    records.u32(3).u16(0);                                                  // EOF

    LittleEndianBytes wmf;
    wmf.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(1000).u16(1000).u16(96).u32(0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= qFromLittleEndian<quint16>(wmf.data().constData() + 2 * i);
    wmf.u16(sum);
    const quint32 words = quint32(18 + records.size()) / 2;
    wmf.u16(1).u16(9).u16(0x0300).u32(words).u16(1).u32(3 + 9 + 14).u16(0);
    wmf.bytes(records.data());
    return wmf.data();
}

} // namespace tftest
