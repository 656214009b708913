#pragma once
// Shared by the metafile targets: the checks on a document the project's own record parser accepts, and
// every record it holds decoded with the record decoders. Malformed records raise tf::Error.
#include "FuzzSupport.h"

#include "export/EmfFormat.h"
#include "export/EmfReader.h"
#include "engine/Error.h"

namespace fuzz {

// Decodes one record with its decoder (if it has one) and checks what any accepted record gives.
inline void DecodeRecord(const tf::EmfRecord &r)
{
    using namespace tf::emf;
    switch (r.type) {
    case EMR_EXTTEXTOUTW: {
        const tf::EmfText t = tf::ReadTextRecord(r);
        FUZZ_CHECK(t.dx.isEmpty() || t.dx.size() == t.text.size(),
                   QStringLiteral("%1 advances for %2 units").arg(t.dx.size()).arg(t.text.size()));
        FUZZ_CHECK(qsizetype(t.text.size()) * 2 <= qsizetype(r.size()),
                   QStringLiteral("%1 units from %2 bytes").arg(t.text.size()).arg(r.size()));
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
        FUZZ_CHECK(tf::ReadFontRecord(r).face.size() <= kFaceNameChars, QStringLiteral("face name longer than its field"));
        break;
    case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYPOLYGON:
    case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYPOLYGON16: {
        qsizetype points = 0;
        for (const QPolygon &p : tf::ReadPolyRecord(r))
            points += p.size();
        FUZZ_CHECK(points * 4 <= qsizetype(r.size()), QStringLiteral("%1 points from %2 bytes").arg(points).arg(r.size()));
        break;
    }
    case EMR_CREATEPEN: case EMR_CREATEBRUSHINDIRECT: case EMR_SETTEXTCOLOR:
        tf::ReadColorRef(r);
        break;
    case EMR_STRETCHDIBITS:
        tf::ReadStretchDibRecord(r);
        break;
    default:
        break;
    }
}

// What holds for any bytes ParseEmf accepts: header first, EOF last, the header's counts right, and the
// records tiling the file, each a multiple of 4 bytes long.
inline void CheckDocument(const tf::EmfDocument &doc, std::size_t size)
{
    FUZZ_CHECK(!doc.records.empty() && doc.records.front().type == tf::emf::EMR_HEADER
                   && doc.records.back().type == tf::emf::EMR_EOF,
               QStringLiteral("a document without header or EOF"));
    FUZZ_CHECK(doc.header.signature == tf::emf::kSignature, QStringLiteral("signature %1").arg(doc.header.signature, 0, 16));
    FUZZ_CHECK(doc.header.bytes == size && doc.header.records == doc.records.size(), QStringLiteral("header counts differ"));
    std::uint64_t at = 0;
    for (const tf::EmfRecord &r : doc.records) {
        FUZZ_CHECK(r.offset == at && r.size() >= 8 && r.size() % 4 == 0,
                   QStringLiteral("record at %1 of %2 bytes, expected at %3").arg(r.offset).arg(r.size()).arg(at));
        at += r.size();
    }
    FUZZ_CHECK(at == size, QStringLiteral("records cover %1 of %2 bytes").arg(at).arg(size));
}

} // namespace fuzz
