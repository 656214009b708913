#include "app/store/IniDocument.h"

#include "intake/TextRules.h"

#include <QLocale>
#include "engine/LineList.h"
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tf {

namespace {

// In LineList's UTF-8 every byte up to 32 is the character of that code, and no other byte is one.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

bool IsAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Text of a file without a mark. Valid UTF-8 that is not plain ASCII is a file saved by a Unicode
// editor: reading it in the legacy code page would garble it, and the next write would keep the garble.
QString DecodeUnmarked(QByteArrayView bytes, TIniEncoding &encoding)
{
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    encoding = TIniEncoding::Legacy;
    if (ascii)
        return QString::fromLatin1(bytes);
    if (std::optional<QString> text = DecodeStrictUtf8(bytes)) {
        encoding = TIniEncoding::Utf8;
        return *text;
    }
    return DecodeLegacy(bytes, LegacyCodeset());
}

QString DecodeIni(QByteArrayView bytes, TIniEncoding &encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = TIniEncoding::Utf8Mark;
        return QString::fromUtf8(bytes.sliced(3));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        encoding = TIniEncoding::Utf16LE;
        return DecodeUtf16(bytes.sliced(2), false);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        encoding = TIniEncoding::Utf16BE;
        return DecodeUtf16(bytes.sliced(2), true);
    }
    return DecodeUnmarked(bytes, encoding);
}

// The text in the legacy code page, or none when a character has no place in it.
std::optional<QByteArray> EncodeLegacy(const QString &text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLatin1();
    const char *from = QSysInfo::ByteOrder == QSysInfo::BigEndian ? "UTF-16BE" : "UTF-16LE";
    iconv_t cd = iconv_open(LegacyCodeset().constData(), from);
    if (cd == iconv_t(-1))
        cd = iconv_open("CP932", from);
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray out(text.size() * 4 + 16, Qt::Uninitialized);
    char *ip = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t il = size_t(text.size()) * 2;
    char *op = out.data();
    size_t ol = size_t(out.size());
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && iconv(cd, nullptr, nullptr, &op, &ol) != size_t(-1);
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.truncate(op - out.data());
    return out;
}

QByteArray EncodeUtf16(const QString &text, bool bigEndian)
{
    QByteArray out(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    out.reserve(2 + text.size() * 2);
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

} // namespace

std::optional<int> IniHexToInt(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint64 v = 0;
    for (QChar c : digits) {
        const int d = c.isDigit() && c.unicode() < 0x80 ? c.unicode() - '0'
                      : (c.unicode() >= 'a' && c.unicode() <= 'f') ? c.unicode() - 'a' + 10
                      : (c.unicode() >= 'A' && c.unicode() <= 'F') ? c.unicode() - 'A' + 10
                                                                   : -1;
        if (d < 0)
            return std::nullopt;
        v = v * 16 + quint64(d);
        if (v > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return int(quint32(v));
}

std::optional<int> IniTextToInt(const QString &text)
{
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        return IniHexToInt(QStringView(text).sliced(2));
    QStringView s(text);
    bool negative = false;
    if (!s.isEmpty() && (s[0] == u'+' || s[0] == u'-')) {
        negative = s[0] == u'-';
        s = s.sliced(1);
    }
    if (!s.isEmpty() && s[0] == u'$') {
        const std::optional<int> hex = IniHexToInt(s.sliced(1));
        if (!hex)
            return std::nullopt;
        return negative ? int(0u - quint32(*hex)) : *hex;
    }
    if (s.isEmpty())
        return std::nullopt;
    qint64 v = 0;
    for (QChar c : s) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return std::nullopt;
        v = v * 10 + (c.unicode() - '0');
        if (v > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(v);
}

namespace {

// The file's text as LineList's UTF-8, and where it begins: the bytes themselves (shared, the mark
// skipped) when they are strict UTF-8 or ASCII already, else their decoded text encoded once.
QByteArray TextOf(const QByteArray &bytes, TIniEncoding &encoding, qsizetype &begin)
{
    begin = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = TIniEncoding::Utf8Mark;
        if (IsStrictUtf8(QByteArrayView(bytes).sliced(3))) {
            begin = 3;
            return bytes;
        }
        return EncodeLineText(QString::fromUtf8(QByteArrayView(bytes).sliced(3)));
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return EncodeLineText(DecodeIni(bytes, encoding));
    if (IsAscii(bytes)) {
        encoding = TIniEncoding::Legacy;
        return bytes;
    }
    if (IsStrictUtf8(bytes)) {
        encoding = TIniEncoding::Utf8;
        return bytes;
    }
    encoding = TIniEncoding::Legacy;
    return EncodeLineText(DecodeLegacy(bytes, LegacyCodeset()));
}

constexpr qint32 Free = -1;
constexpr qint32 Deleted = -2;

// A name as lookups compare it. The user's locale decides the upper case, so letters beyond ASCII match as
// well; ASCII names are upper-cased in place where the locale does it as ASCII does.
QByteArray PreparedName(QByteArrayView name, bool caseSensitive, bool plainUpperCase)
{
    if (caseSensitive)
        return name.toByteArray();
    if (plainUpperCase && IsAscii(name))
        return name.toByteArray().toUpper();
    return EncodeLineText(QLocale::system().toUpper(DecodeLineText(name)));
}

// Whether a stored name is the one a lookup prepared, told byte by byte where that is enough: exactly when
// case counts, by ASCII upper case while the name is ASCII and the locale upper-cases ASCII so. None when
// the locale's rule has to be run on the name.
std::optional<bool> QuickMatch(QByteArrayView stored, QByteArrayView prepared, bool caseSensitive, bool plainUpperCase)
{
    if (caseSensitive)
        return stored == prepared;
    if (!plainUpperCase)
        return std::nullopt;
    const qsizetype n = std::min(stored.size(), prepared.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char c = stored[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            return std::nullopt; // a letter beyond ASCII may upper-case to ASCII
        if ((c >= 'a' && c <= 'z' ? char(c - 32) : c) != prepared[i])
            return false;
    }
    if (stored.size() == prepared.size())
        return true;
    return stored.size() > n && !IsAscii(stored.sliced(n)) ? std::nullopt : std::optional<bool>(false);
}

bool Matches(QByteArrayView stored, const QByteArray &prepared, bool caseSensitive, bool plainUpperCase)
{
    const std::optional<bool> quick = QuickMatch(stored, prepared, caseSensitive, plainUpperCase);
    return quick ? *quick : PreparedName(stored, caseSensitive, plainUpperCase) == prepared;
}

} // namespace

TIniDocument::TIniDocument(bool caseSensitive) : m_caseSensitive(caseSensitive)
{
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    m_plainUpperCase = QLocale::system().toUpper(letters) == letters.toUpper();
}

QByteArrayView TIniDocument::Bytes(qint32 at, qint32 size) const
{
    if (at < m_text.size())
        return QByteArrayView(m_text).sliced(at, size);
    return QByteArrayView(m_added).sliced(at - m_text.size(), size);
}

QString TIniDocument::Text(qint32 at, qint32 size) const
{
    return DecodeLineText(Bytes(at, size));
}

qint32 TIniDocument::Append(QStringView text, qint32 &size)
{
    const QByteArray bytes = EncodeLineText(text);
    const qint64 at = m_text.size() + m_added.size();
    if (at + bytes.size() > std::numeric_limits<qint32>::max())
        throw std::length_error("settings text too long");
    m_added += bytes;
    size = qint32(bytes.size());
    return qint32(at);
}

QByteArray TIniDocument::Prepared(QByteArrayView name) const
{
    return PreparedName(name, m_caseSensitive, m_plainUpperCase);
}

QByteArray TIniDocument::Prepared(const QString &name) const
{
    return Prepared(QByteArrayView(EncodeLineText(name)));
}

quint32 TIniDocument::Hash(QByteArrayView prepared)
{
    quint32 h = 2166136261u; // FNV-1a
    for (char c : prepared) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

qint32 TIniDocument::FindSection(const QByteArray &prepared) const
{
    const std::vector<qint32> &cells = m_sectionTable.cells;
    if (cells.empty())
        return -1;
    const size_t mask = cells.size() - 1;
    for (size_t i = Hash(prepared) & mask;; i = (i + 1) & mask) {
        const qint32 s = cells[i];
        if (s == Free)
            return -1;
        if (s >= 0) {
            const Section &section = m_sections[size_t(s)];
            const QByteArrayView name = Bytes(section.name, section.nameSize);
            if (Matches(name, prepared, m_caseSensitive, m_plainUpperCase))
                return s;
        }
    }
}

qint32 TIniDocument::FindEntry(qint32 section, const QByteArray &prepared) const
{
    const std::vector<qint32> &cells = m_keyTable.cells;
    if (cells.empty() || section < 0)
        return -1;
    const size_t mask = cells.size() - 1;
    for (size_t i = (Hash(prepared) ^ quint32(section) * 2654435761u) & mask;; i = (i + 1) & mask) {
        const qint32 e = cells[i];
        if (e == Free)
            return -1;
        if (e >= 0) {
            const Entry &entry = m_entries[size_t(e)];
            const QByteArrayView key = Bytes(entry.key, entry.keySize);
            if (entry.section == section
                && Matches(key, prepared, m_caseSensitive, m_plainUpperCase))
                return e;
        }
    }
}

void TIniDocument::Grow(Table &table, qsizetype count)
{
    // Half full at most, so that a lookup looks at few cells.
    if (2 * (table.used + count) <= qsizetype(table.cells.size()))
        return;
    size_t size = 16;
    while (size < size_t(2 * (table.used + count)))
        size *= 2;
    table.cells.assign(size, Free);
    table.used = 0;
    if (&table == &m_sectionTable) {
        for (size_t s = 0; s < m_sections.size(); ++s) {
            const Section &section = m_sections[s];
            const QByteArray prepared = Prepared(Bytes(section.name, section.nameSize));
            if (FindSection(prepared) >= 0) // sections one only under another comparison: the first is found
                continue;
            const size_t mask = size - 1;
            size_t i = Hash(prepared) & mask;
            while (table.cells[i] != Free)
                i = (i + 1) & mask;
            table.cells[i] = qint32(s);
            ++table.used;
        }
    } else {
        for (size_t s = 0; s < m_sections.size(); ++s)
            for (qint32 e = m_sections[s].first; e >= 0; e = m_entries[size_t(e)].next)
                if (m_entries[size_t(e)].keySize >= 0)
                    SetKeySlot(e, Prepared(Bytes(m_entries[size_t(e)].key, m_entries[size_t(e)].keySize)));
    }
}

void TIniDocument::SetKeySlot(qint32 entry, const QByteArray &prepared)
{
    // The key's slot names its last entry: an existing slot is taken over.
    std::vector<qint32> &cells = m_keyTable.cells;
    const qint32 section = m_entries[size_t(entry)].section;
    const size_t mask = cells.size() - 1;
    for (size_t i = (Hash(prepared) ^ quint32(section) * 2654435761u) & mask;; i = (i + 1) & mask) {
        const qint32 e = cells[i];
        if (e == Free) {
            cells[i] = entry;
            ++m_keyTable.used;
            return;
        }
        if (e < 0 || m_entries[size_t(e)].section != section)
            continue;
        const QByteArrayView key = Bytes(m_entries[size_t(e)].key, m_entries[size_t(e)].keySize);
        if (Matches(key, prepared, m_caseSensitive, m_plainUpperCase)) {
            cells[i] = entry;
            return;
        }
    }
}

qint32 TIniDocument::AddSection(qint32 name, qint32 size, const QByteArray &prepared)
{
    if (m_sections.size() >= size_t(std::numeric_limits<qint32>::max()))
        throw std::length_error("too many settings sections");
    Grow(m_sectionTable, 1);
    m_sections.push_back(Section{name, size, -1, -1});
    const qint32 s = qint32(m_sections.size() - 1);
    std::vector<qint32> &cells = m_sectionTable.cells;
    const size_t mask = cells.size() - 1;
    size_t i = Hash(prepared) & mask;
    while (cells[i] != Free)
        i = (i + 1) & mask;
    cells[i] = s;
    ++m_sectionTable.used;
    return s;
}

void TIniDocument::AddEntry(qint32 section, const Entry &entry)
{
    if (m_entries.size() >= size_t(std::numeric_limits<qint32>::max()))
        throw std::length_error("too many settings entries");
    if (entry.keySize >= 0)
        Grow(m_keyTable, 1);
    m_entries.push_back(entry);
    const qint32 e = qint32(m_entries.size() - 1);
    m_entries.back().section = section;
    Section &s = m_sections[size_t(section)];
    if (s.last >= 0)
        m_entries[size_t(s.last)].next = e;
    else
        s.first = e;
    s.last = e;
    if (entry.keySize >= 0)
        SetKeySlot(e, Prepared(Bytes(entry.key, entry.keySize)));
}

void TIniDocument::Reindex()
{
    m_sectionTable = Table();
    m_keyTable = Table();
    Grow(m_sectionTable, qsizetype(m_sections.size()));
    Grow(m_keyTable, qsizetype(m_entries.size()));
}

TIniDocument TIniDocument::Parse(const QByteArray &bytes, bool caseSensitive)
{
    TIniDocument doc(caseSensitive);
    qsizetype i = 0;
    doc.m_text = TextOf(bytes, doc.m_encoding, i);
    if (doc.m_text.size() > std::numeric_limits<qint32>::max()) // no name or value could be told by its size
        throw std::length_error("settings file too large");
    const char *text = doc.m_text.constData();
    const qsizetype n = doc.m_text.size();
    // Room in the lookup tables for a section and a key every two lines, taken at once rather than by
    // doubling (each doubling looks every name up again).
    const qsizetype lines = std::count(text + i, text + n, '\n');
    doc.Grow(doc.m_sectionTable, lines / 2);
    doc.Grow(doc.m_keyTable, lines / 2);
    qint32 current = -1;
    while (i < n) {
        qsizetype end = i;
        while (end < n && text[end] != '\r' && text[end] != '\n')
            ++end;
        qsizetype b = i, e = end;
        while (b < e && IsBlank(text[b]))
            ++b;
        while (e > b && IsBlank(text[e - 1]))
            --e;
        i = end;
        if (i < n && text[i] == '\r')
            ++i;
        if (i < n && text[i] == '\n')
            ++i;
        if (b == e || text[b] == ';')
            continue;
        if (text[b] == '[' && text[e - 1] == ']' && e - b >= 2) {
            qsizetype nb = b + 1, ne = e - 1;
            while (nb < ne && IsBlank(text[nb]))
                ++nb;
            while (ne > nb && IsBlank(text[ne - 1]))
                --ne;
            const QByteArray prepared = doc.Prepared(QByteArrayView(text + nb, ne - nb));
            current = doc.FindSection(prepared);
            if (current < 0)
                current = doc.AddSection(qint32(nb), qint32(ne - nb), prepared);
            continue;
        }
        if (current < 0)
            continue;
        Entry entry;
        const char *eq = static_cast<const char *>(std::memchr(text + b, '=', size_t(e - b)));
        if (!eq) {
            entry.value = qint32(b);
            entry.valueSize = qint32(e - b);
        } else {
            qsizetype ke = eq - text;
            while (ke > b && IsBlank(text[ke - 1]))
                --ke;
            qsizetype vb = eq - text + 1;
            while (vb < e && IsBlank(text[vb]))
                ++vb;
            entry.key = qint32(b);
            entry.keySize = qint32(ke - b);
            entry.value = qint32(vb);
            entry.valueSize = qint32(e - vb);
        }
        doc.AddEntry(current, entry);
    }
    doc.m_modified = false;
    return doc;
}

QByteArray TIniDocument::Serialize()
{
    // LineList's UTF-8 of the whole file; written as it is when that is the file's encoding. Its size is
    // counted first, so that it is made at once.
    qsizetype size = 0;
    for (const Section &section : m_sections) {
        size += section.nameSize + 6;
        EachEntry(qint32(&section - m_sections.data()),
                  [&](const Entry &entry) { size += std::max(entry.keySize + 1, 0) + entry.valueSize + 2; });
    }
    QByteArray text;
    text.reserve(size);
    for (const Section &section : m_sections) {
        text += '[';
        text += Bytes(section.name, section.nameSize);
        text += "]\r\n";
        EachEntry(qint32(&section - m_sections.data()), [&](const Entry &entry) {
            if (entry.keySize >= 0) {
                text += Bytes(entry.key, entry.keySize);
                text += '=';
            }
            text += Bytes(entry.value, entry.valueSize);
            text += "\r\n";
        });
        text += "\r\n";
    }
    // Lone surrogates (from a UTF-16 file) have no UTF-8 of their own: only strict UTF-8 is written as it is.
    const bool ascii = IsAscii(text);
    switch (m_encoding) {
    case TIniEncoding::Legacy:
        if (ascii)
            return text;
        // Legacy bytes that would read back as another encoding (valid UTF-8, say) would come back garbled:
        // such a text is written as UTF-8 with a mark instead.
        if (std::optional<QByteArray> bytes = EncodeLegacy(DecodeLineText(text))) {
            TIniEncoding readBack = TIniEncoding::Legacy;
            DecodeIni(*bytes, readBack);
            if (readBack == TIniEncoding::Legacy)
                return *bytes;
        }
        m_encoding = TIniEncoding::Utf8Mark;
        [[fallthrough]];
    case TIniEncoding::Utf8Mark:
        return "\xEF\xBB\xBF" + (ascii || IsStrictUtf8(text) ? text : DecodeLineText(text).toUtf8());
    case TIniEncoding::Utf8:
        return ascii || IsStrictUtf8(text) ? text : DecodeLineText(text).toUtf8();
    case TIniEncoding::Utf16LE:
        return EncodeUtf16(DecodeLineText(text), false);
    case TIniEncoding::Utf16BE:
        return EncodeUtf16(DecodeLineText(text), true);
    }
    return QByteArray();
}

void TIniDocument::SetCaseSensitive(bool on)
{
    if (on == m_caseSensitive)
        return;
    m_caseSensitive = on;
    // Sections that were one under the old comparison stay apart; lookups find the first of them.
    Reindex();
}

std::optional<QString> TIniDocument::Value(const QString &section, const QString &key) const
{
    const qint32 e = FindEntry(FindSection(section), Prepared(key));
    if (e < 0)
        return std::nullopt;
    return Text(m_entries[size_t(e)].value, m_entries[size_t(e)].valueSize);
}

QString TIniDocument::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    return Value(section, key).value_or(defaultValue);
}

int TIniDocument::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    return IniTextToInt(ReadString(section, key, QString())).value_or(defaultValue);
}

void TIniDocument::WriteString(const QString &section, const QString &key, const QString &value)
{
    const QByteArray preparedSection = Prepared(section);
    qint32 s = FindSection(preparedSection);
    if (s < 0) {
        qint32 size = 0;
        const qint32 at = Append(section, size);
        s = AddSection(at, size, preparedSection);
    }
    const qint32 e = FindEntry(s, Prepared(key));
    if (e >= 0) {
        Entry &entry = m_entries[size_t(e)];
        entry.value = Append(value, entry.valueSize);
    } else {
        Entry entry;
        entry.key = Append(key, entry.keySize);
        entry.value = Append(value, entry.valueSize);
        AddEntry(s, entry);
    }
    m_modified = true;
}

void TIniDocument::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

bool TIniDocument::SectionExists(const QString &section) const
{
    return FindSection(section) >= 0;
}

bool TIniDocument::ValueExists(const QString &section, const QString &key) const
{
    return Value(section, key).has_value();
}

QStringList TIniDocument::ReadSections() const
{
    QStringList names;
    for (const Section &s : m_sections)
        names += Text(s.name, s.nameSize);
    return names;
}

QStringList TIniDocument::ReadSection(const QString &section) const
{
    QStringList keys;
    const qint32 s = FindSection(section);
    if (s >= 0) {
        EachEntry(s, [&](const Entry &e) {
            if (e.keySize >= 0)
                keys += Text(e.key, e.keySize);
        });
    }
    return keys;
}

QStringList TIniDocument::ReadSectionValues(const QString &section) const
{
    QStringList lines;
    const qint32 s = FindSection(section);
    if (s >= 0) {
        EachEntry(s, [&](const Entry &e) {
            lines += e.keySize >= 0 ? Text(e.key, e.keySize) + u'=' + Text(e.value, e.valueSize)
                                    : Text(e.value, e.valueSize);
        });
    }
    return lines;
}

void TIniDocument::EraseSection(const QString &section)
{
    const qint32 s = FindSection(section);
    if (s < 0)
        return;
    // Later sections move up one place; their entries are renumbered with them, this one's dropped.
    std::vector<Entry> kept;
    std::vector<Section> sections;
    for (size_t k = 0; k < m_sections.size(); ++k) {
        if (qint32(k) == s)
            continue;
        Section moved{m_sections[k].name, m_sections[k].nameSize, -1, -1};
        const qint32 index = qint32(sections.size());
        EachEntry(qint32(k), [&](const Entry &e) {
            kept.push_back(e);
            kept.back().section = index;
            kept.back().next = -1;
            const qint32 at = qint32(kept.size() - 1);
            if (moved.last >= 0)
                kept[size_t(moved.last)].next = at;
            else
                moved.first = at;
            moved.last = at;
        });
        sections.push_back(moved);
    }
    m_sections = std::move(sections);
    m_entries = std::move(kept);
    Reindex();
    m_modified = true;
}

void TIniDocument::DeleteKey(const QString &section, const QString &key)
{
    const qint32 s = FindSection(section);
    const QByteArray prepared = Prepared(key);
    const qint32 e = FindEntry(s, prepared);
    if (e < 0)
        return;
    // Unlinked from its section; an earlier entry of the same key, if any, is the key's now.
    Section &sec = m_sections[size_t(s)];
    qint32 previous = -1, sameKey = -1;
    for (qint32 k = sec.first; k != e; k = m_entries[size_t(k)].next) {
        const Entry &other = m_entries[size_t(k)];
        if (other.keySize >= 0 && Matches(Bytes(other.key, other.keySize), prepared, m_caseSensitive, m_plainUpperCase))
            sameKey = k;
        previous = k;
    }
    const qint32 next = m_entries[size_t(e)].next;
    if (previous >= 0)
        m_entries[size_t(previous)].next = next;
    else
        sec.first = next;
    if (sec.last == e)
        sec.last = previous;
    std::vector<qint32> &cells = m_keyTable.cells;
    for (qint32 &slot : cells) // the key's one slot
        if (slot == e) {
            slot = sameKey >= 0 ? sameKey : Deleted;
            break;
        }
    m_modified = true;
}

void TIniDocument::Clear()
{
    m_text.clear();
    m_added.clear();
    m_sections.clear();
    m_entries.clear();
    m_sectionTable = Table();
    m_keyTable = Table();
    m_modified = true;
}

qsizetype TIniDocument::HeldBytes() const
{
    return m_text.capacity() + m_added.capacity() + qsizetype(m_sections.capacity() * sizeof(Section))
        + qsizetype(m_entries.capacity() * sizeof(Entry))
        + qsizetype((m_sectionTable.cells.capacity() + m_keyTable.cells.capacity()) * sizeof(qint32));
}

} // namespace tf
