#include "app/store/IniDocument.h"

#include "intake/TextRules.h"

#include <QLocale>
#include <QSysInfo>

#include <cerrno>
#include <iconv.h>
#include <limits>

namespace tf {

namespace {

bool IsBlank(QChar c)
{
    return c.unicode() <= 32;
}

QStringView TrimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

QStringView TrimTrailing(QStringView s)
{
    qsizetype e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return s.first(e);
}

QStringView TrimLeading(QStringView s)
{
    qsizetype b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return s.sliced(b);
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

TIniDocument TIniDocument::Parse(QByteArrayView bytes, bool caseSensitive)
{
    TIniDocument doc(caseSensitive);
    const QString text = DecodeIni(bytes, doc.m_encoding);
    Section *current = nullptr;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        qsizetype end = i;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = TrimBlanks(QStringView(text).sliced(i, end - i));
        i = end;
        if (i < n && text[i] == u'\r')
            ++i;
        if (i < n && text[i] == u'\n')
            ++i;
        if (line.isEmpty() || line[0] == u';')
            continue;
        if (line[0] == u'[' && line.back() == u']' && line.size() >= 2) {
            const QString name = TrimBlanks(line.sliced(1, line.size() - 2)).toString();
            current = doc.FindSection(name);
            if (!current)
                current = &doc.AddSection(name);
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        Entry entry;
        if (eq < 0) {
            entry.keyed = false;
            entry.value = line.toString();
        } else {
            entry.key = TrimTrailing(line.first(eq)).toString();
            entry.value = TrimLeading(line.sliced(eq + 1)).toString();
        }
        current->entries.push_back(std::move(entry));
        if (current->entries.back().keyed)
            current->keys.insert(doc.Prepared(current->entries.back().key), int(current->entries.size() - 1));
    }
    doc.m_modified = false;
    return doc;
}

QByteArray TIniDocument::Serialize()
{
    QString text;
    for (const Section &section : m_sections) {
        text += u'[' + section.name + QStringLiteral("]\r\n");
        for (const Entry &entry : section.entries) {
            if (entry.keyed)
                text += entry.key + u'=' + entry.value;
            else
                text += entry.value;
            text += QStringLiteral("\r\n");
        }
        text += QStringLiteral("\r\n");
    }
    switch (m_encoding) {
    case TIniEncoding::Legacy:
        // Legacy bytes that would read back as another encoding (valid UTF-8, say) would come back garbled:
        // such a text is written as UTF-8 with a mark instead.
        if (std::optional<QByteArray> bytes = EncodeLegacy(text)) {
            TIniEncoding readBack = TIniEncoding::Legacy;
            DecodeIni(*bytes, readBack);
            if (readBack == TIniEncoding::Legacy)
                return *bytes;
        }
        m_encoding = TIniEncoding::Utf8Mark;
        [[fallthrough]];
    case TIniEncoding::Utf8Mark:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case TIniEncoding::Utf8:
        return text.toUtf8();
    case TIniEncoding::Utf16LE:
        return EncodeUtf16(text, false);
    case TIniEncoding::Utf16BE:
        return EncodeUtf16(text, true);
    }
    return QByteArray();
}

void TIniDocument::SetCaseSensitive(bool on)
{
    if (on == m_caseSensitive)
        return;
    m_caseSensitive = on;
    Reindex();
}

QString TIniDocument::Prepared(const QString &name) const
{
    // The user's locale decides the upper case, so letters beyond ASCII match as well.
    return m_caseSensitive ? name : QLocale::system().toUpper(name);
}

const TIniDocument::Section *TIniDocument::FindSection(const QString &name) const
{
    const auto it = m_sectionIndex.constFind(Prepared(name));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[size_t(*it)];
}

TIniDocument::Section *TIniDocument::FindSection(const QString &name)
{
    return const_cast<Section *>(std::as_const(*this).FindSection(name));
}

TIniDocument::Section &TIniDocument::AddSection(const QString &name)
{
    m_sections.push_back(Section{name, {}, {}});
    m_sectionIndex.insert(Prepared(name), int(m_sections.size() - 1));
    return m_sections.back();
}

void TIniDocument::Reindex(Section &section) const
{
    section.keys.clear();
    for (size_t i = 0; i < section.entries.size(); ++i) {
        if (section.entries[i].keyed)
            section.keys.insert(Prepared(section.entries[i].key), int(i));
    }
}

void TIniDocument::Reindex()
{
    // Sections that were one under the old comparison stay apart; lookups find the first of them.
    m_sectionIndex.clear();
    for (size_t i = m_sections.size(); i-- > 0;) {
        m_sectionIndex.insert(Prepared(m_sections[i].name), int(i));
        Reindex(m_sections[i]);
    }
}

std::optional<QString> TIniDocument::Value(const QString &section, const QString &key) const
{
    const Section *s = FindSection(section);
    if (!s)
        return std::nullopt;
    const auto it = s->keys.constFind(Prepared(key));
    if (it == s->keys.constEnd())
        return std::nullopt;
    return s->entries[size_t(*it)].value;
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
    Section *s = FindSection(section);
    if (!s)
        s = &AddSection(section);
    const auto it = s->keys.constFind(Prepared(key));
    if (it != s->keys.constEnd()) {
        s->entries[size_t(*it)].value = value;
    } else {
        s->entries.push_back(Entry{key, value, true});
        s->keys.insert(Prepared(key), int(s->entries.size() - 1));
    }
    m_modified = true;
}

void TIniDocument::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

bool TIniDocument::SectionExists(const QString &section) const
{
    return FindSection(section) != nullptr;
}

bool TIniDocument::ValueExists(const QString &section, const QString &key) const
{
    return Value(section, key).has_value();
}

QStringList TIniDocument::ReadSections() const
{
    QStringList names;
    for (const Section &s : m_sections)
        names += s.name;
    return names;
}

QStringList TIniDocument::ReadSection(const QString &section) const
{
    QStringList keys;
    if (const Section *s = FindSection(section)) {
        for (const Entry &e : s->entries) {
            if (e.keyed)
                keys += e.key;
        }
    }
    return keys;
}

QStringList TIniDocument::ReadSectionValues(const QString &section) const
{
    QStringList lines;
    if (const Section *s = FindSection(section)) {
        for (const Entry &e : s->entries)
            lines += e.keyed ? e.key + u'=' + e.value : e.value;
    }
    return lines;
}

void TIniDocument::EraseSection(const QString &section)
{
    const Section *s = FindSection(section);
    if (!s)
        return;
    m_sections.erase(m_sections.begin() + (s - m_sections.data()));
    Reindex();
    m_modified = true;
}

void TIniDocument::DeleteKey(const QString &section, const QString &key)
{
    Section *s = FindSection(section);
    if (!s)
        return;
    const auto it = s->keys.constFind(Prepared(key));
    if (it == s->keys.constEnd())
        return;
    s->entries.erase(s->entries.begin() + *it);
    Reindex(*s);
    m_modified = true;
}

void TIniDocument::Clear()
{
    m_sections.clear();
    m_sectionIndex.clear();
    m_modified = true;
}

} // namespace tf
