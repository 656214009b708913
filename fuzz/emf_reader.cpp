// Metafile bytes through the project's own record parser and its record decoders. Any bytes either
// parse into a document whose records tile the file, header first and EOF last, as the header counts
// them, or raise tf::Error; every decoder either reads its record or raises tf::Error.
#include "FuzzEmf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    tf::EmfDocument doc;
    try {
        doc = tf::ParseEmf(bytes);
    } catch (const tf::Error &) {
        return 0;
    }
    fuzz::CheckDocument(doc, size);
    for (const tf::EmfRecord &r : doc.records) {
        try {
            fuzz::DecodeRecord(r);
        } catch (const tf::Error &) {
        }
    }
    return 0;
}
