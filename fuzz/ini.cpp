// Settings-file bytes through the INI reader. Any bytes give a document; writing it and reading the result
// again gives the same sections, lines and encoding, and writing that gives the same bytes. Every value read
// as an integer follows the integer rule on its text, and the document holds a few bytes per input byte.
#include "FuzzSupport.h"

#include "app/store/IniDocument.h"

#include <algorithm>

namespace {

QString Contents(const tf::TIniDocument &doc)
{
    QString s;
    for (const QString &section : doc.ReadSections())
        s += u'[' + section + QStringLiteral("]\n") + doc.ReadSectionValues(section).join(u'\n') + u'\n';
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    tf::TIniDocument doc = tf::TIniDocument::Parse(bytes.toByteArray());
    // Names and values are places in the file's text: a line of two bytes costs one entry and a share of
    // the lookup tables, never a table of its own.
    FUZZ_CHECK(doc.HeldBytes() <= 32 * bytes.size() + 4096,
               QStringLiteral("%1 bytes held for a file of %2").arg(doc.HeldBytes()).arg(bytes.size()));
    for (const QString &section : doc.ReadSections()) {
        FUZZ_CHECK(doc.SectionExists(section), QStringLiteral("listed section [%1] does not exist").arg(section));
        for (const QString &key : doc.ReadSection(section)) {
            const std::optional<QString> value = doc.Value(section, key);
            FUZZ_CHECK(value.has_value() && doc.ValueExists(section, key), QStringLiteral("listed key %1 has no value").arg(key));
            FUZZ_CHECK(doc.ReadInteger(section, key, -7) == tf::IniTextToInt(*value).value_or(-7),
                       QStringLiteral("ReadInteger of \"%1\"").arg(*value));
        }
    }
    const QString contents = Contents(doc);
    const QByteArray written = doc.Serialize();
    tf::TIniDocument again = tf::TIniDocument::Parse(written);
    // Plain ASCII without a mark is the same file in UTF-8 and in the legacy code page and reads as the
    // latter: a UTF-8 document whose non-ASCII text was all in skipped lines writes such a file.
    const bool ascii = std::all_of(written.begin(), written.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const tf::TIniEncoding expected = ascii && doc.Encoding() == tf::TIniEncoding::Utf8 ? tf::TIniEncoding::Legacy : doc.Encoding();
    FUZZ_CHECK(again.Encoding() == expected, QStringLiteral("the written file reads in encoding %1 instead of %2")
                                                 .arg(int(again.Encoding())).arg(int(expected)));
    FUZZ_CHECK(Contents(again) == contents, QStringLiteral("read:\n%1\nafter writing and reading:\n%2").arg(contents, Contents(again)));
    FUZZ_CHECK(again.Serialize() == written, QStringLiteral("writing the read-back document gives other bytes"));
    return 0;
}
