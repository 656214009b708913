#pragma once
// An INI file held in memory: ordered sections of ordered entries, parsed from bytes and written back
// to bytes in the encoding it was read in. Knows nothing of the disk; TMemIniFile adds the file.
#include <QByteArray>
#include <QByteArrayView>
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
    explicit TIniDocument(bool caseSensitive = false);

    // Reads a whole file's bytes: encoding by mark, lines trimmed, comments and lines outside sections
    // skipped, repeated sections merged. Never fails; any bytes give some document. A file in UTF-8 (or
    // plain ASCII) is kept as it is, shared with `bytes`; names and values are places in it, so a file
    // of a million sections costs a few times its size, not a few hundred.
    static TIniDocument Parse(const QByteArray &bytes, bool caseSensitive = false);
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

    // The bytes the document holds (its text, its lists and lookup tables), for the checks of its cost.
    qsizetype HeldBytes() const;

private:
    // Names and values are places in the text: the file's bytes (in LineList's UTF-8, which keeps every
    // UTF-16 unit), then the texts written since, held apart so that the file's bytes stay shared.
    // The text is at most 2 GB (a larger file is refused before it is read), so places fit 32 bits.
    struct Section {
        qint32 name = 0;
        qint32 nameSize = 0;
        qint32 first = -1; // entries in order, linked by Entry::next
        qint32 last = -1;
    };
    struct Entry {
        qint32 key = 0;   // for a value-less line, unused
        qint32 value = 0; // the value, or the whole line for a value-less one
        qint32 keySize = -1; // -1 for a value-less line
        qint32 valueSize = 0;
        qint32 next = -1;
        qint32 section = 0;
    };
    // Open addressing over indices (into m_sections or m_entries): -1 free, -2 left by a deleted key.
    struct Table {
        std::vector<qint32> cells;
        qsizetype used = 0; // filled and deleted cells
    };

    QByteArrayView Bytes(qint32 at, qint32 size) const;
    QString Text(qint32 at, qint32 size) const;
    qint32 Append(QStringView text, qint32 &size);
    QByteArray Prepared(QByteArrayView name) const; // as lookups compare it
    QByteArray Prepared(const QString &name) const;
    static quint32 Hash(QByteArrayView prepared);
    qint32 FindSection(const QByteArray &prepared) const;
    qint32 FindEntry(qint32 section, const QByteArray &prepared) const;
    qint32 FindSection(const QString &name) const { return FindSection(Prepared(name)); }
    qint32 AddSection(qint32 name, qint32 size, const QByteArray &prepared);
    void AddEntry(qint32 section, const Entry &entry);
    void SetKeySlot(qint32 entry, const QByteArray &prepared);
    void Grow(Table &table, qsizetype count);
    void Reindex();
    template <typename F>
    void EachEntry(qint32 section, F &&f) const
    {
        for (qint32 e = m_sections[size_t(section)].first; e >= 0; e = m_entries[size_t(e)].next)
            f(m_entries[size_t(e)]);
    }

    QByteArray m_text;  // the file's bytes; names and values below m_text.size() are in it
    QByteArray m_added; // texts written since
    std::vector<Section> m_sections;
    std::vector<Entry> m_entries; // entries of every section; deleted ones stay unlinked
    Table m_sectionTable;
    Table m_keyTable;
    TIniEncoding m_encoding = TIniEncoding::Legacy;
    bool m_caseSensitive = false;
    bool m_plainUpperCase = true; // the locale upper-cases ASCII letters as ASCII does
    bool m_modified = false;
};

// The integer rule on a text alone: decimal with optional sign, "$" hexadecimal, or "0x" followed
// by up to eight hexadecimal digits; none when the text does not convert completely.
std::optional<int> IniTextToInt(const QString &text);
// Hexadecimal digits alone, at most 32 bits, taken as a signed 32-bit integer.
std::optional<int> IniHexToInt(QStringView digits);

} // namespace tf
