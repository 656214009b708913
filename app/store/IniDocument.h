#pragma once
// An INI file held in memory: ordered sections of ordered entries, parsed from bytes and written back
// to bytes in the encoding it was read in. Knows nothing of the disk; TMemIniFile adds the file.
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tf {

// How the text of an INI file is stored. Legacy is the code page of LegacyCodeset(); Utf8 without
// a mark is a file that was valid UTF-8 without one, kept that way.
enum class TIniEncoding { Legacy, Utf8, Utf8Mark, Utf16LE, Utf16BE };

class TIniDocument {
public:
    explicit TIniDocument(bool caseSensitive = false) : m_caseSensitive(caseSensitive) {}

    // Reads a whole file's bytes: encoding by mark, lines trimmed, comments and lines outside sections
    // skipped, repeated sections merged. Never fails; any bytes give some document.
    static TIniDocument Parse(QByteArrayView bytes, bool caseSensitive = false);
    // The file's bytes: each section, its entries and an empty line, CR LF after every line, in the
    // document's encoding with its mark. Text the legacy code page cannot hold switches the document
    // to UTF-8 with a mark rather than losing characters.
    QByteArray Serialize();

    TIniEncoding Encoding() const { return m_encoding; }
    void SetEncoding(TIniEncoding encoding) { m_encoding = encoding; }

    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool on);

    // The value of a keyed entry, none when the section or key is missing or the line has no "=".
    std::optional<QString> Value(const QString &section, const QString &key) const;
    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Decimal with an optional sign, hexadecimal after "$" or "0x"; anything else gives the default.
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString &section) const;       // the keys, in order
    QStringList ReadSectionValues(const QString &section) const; // every line: key=value or value-less
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);
    void Clear();

    bool Modified() const { return m_modified; }
    void SetModified(bool on) { m_modified = on; }

private:
    struct Entry {
        QString key;   // the key as written; empty for a value-less line
        QString value; // the value, or the whole line for a value-less one
        bool keyed = true;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, int> keys; // prepared key to the index of its last entry
    };

    QString Prepared(const QString &name) const;
    const Section *FindSection(const QString &name) const;
    Section *FindSection(const QString &name);
    Section &AddSection(const QString &name);
    void Reindex(Section &section) const;
    void Reindex();

    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // prepared name to position
    TIniEncoding m_encoding = TIniEncoding::Legacy;
    bool m_caseSensitive = false;
    bool m_modified = false;
};

// The integer rule on a text alone: decimal with optional sign, "$" hexadecimal, or "0x" followed
// by up to eight hexadecimal digits; none when the text does not convert completely.
std::optional<int> IniTextToInt(const QString &text);
// Hexadecimal digits alone, at most 32 bits, taken as a signed 32-bit integer.
std::optional<int> IniHexToInt(QStringView digits);

} // namespace tf
