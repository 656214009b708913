#pragma once
// DataList storage: the loaded text kept once, as UTF-8 bytes in which every line ends with one LF,
// plus the byte position of every 32nd line. A file of short lines then costs about its own size,
// and a line becomes a QString only where it is shown or a title is taken.
//
// The bytes are "generalized" UTF-8: a lone UTF-16 surrogate (which a UTF-16 file or the clipboard
// may hold) is kept as its own three-byte sequence, so every line comes back exactly as it went in.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

namespace tf {

class FileMapping;

// UTF-16 to the bytes LineList holds (lone surrogates kept), and back.
QByteArray EncodeLineText(QStringView text);
QString DecodeLineText(QByteArrayView bytes);

class LineList {
public:
    struct Range { // for fromRanges: [begin, end) of a line in UTF-16 units
        qsizetype begin;
        qsizetype end;
    };

    LineList() = default;
    LineList(const QStringList &lines);
    LineList(std::initializer_list<QString> lines) : LineList(QStringList(lines)) {}

    // Adopts a text and the [begin, end) ranges of its lines.
    static LineList fromRanges(const QString &text, const std::vector<Range> &ranges);
    // Adopts bytes from `begin` on (LineList's UTF-8, already checked or converted) and splits them in
    // place by the line-break rule: CR LF, a lone CR and a lone LF each end one line; a break at the
    // very end adds no empty last line. The bytes are rewritten so that every line ends with one LF;
    // a text without a final break needs one byte of spare capacity to avoid a copy.
    static LineList fromUtf8(QByteArray bytes, qsizetype begin = 0);
    // The same on a file's mapped bytes (checked UTF-8): the lines are split where the file lies, and
    // only the pages rewritten become the process's own.
    static LineList fromMapping(std::shared_ptr<FileMapping> mapping, qsizetype begin = 0);

    qsizetype size() const { return m_count; }
    qsizetype count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    QString at(qsizetype i) const { return DecodeLineText(bytesAt(i)); }
    QString line(qsizetype i) const { return at(i); }
    QStringList toStringList() const;

    // The bytes of line i, without its LF.
    QByteArrayView bytesAt(qsizetype i) const;
    // Where line i begins; the lines follow each other, each ended by an LF.
    const char *lineBegin(qsizetype i) const;
    // The byte after the LF of the last line.
    const char *textEnd() const { return base() + total(); }
    // Bytes held, for the memory accounting of tests.
    qsizetype byteSize() const { return total() - m_begin; }

    void clear();
    void append(QStringView line);
    // Removes the lines with no characters at all; the other lines keep their order.
    void removeEmptyLines();

    // Changes whenever the lines are replaced, cleared or appended to; removing empty lines keeps it,
    // since the non-empty lines a build reads stay the same.
    std::uint64_t generation() const { return m_generation; }

    bool operator==(const LineList &other) const;

private:
    static constexpr qsizetype MarkStride = 32;
    void touch();
    void index(); // counts the lines and empty lines and sets the marks
    const char *base() const { return m_mapped ? m_mapped : m_bytes.constData(); }
    qsizetype total() const { return m_mapped ? m_mappedSize : m_bytes.size(); }
    // The bytes to rewrite in place: a mapping shared with a copy of this list is copied first.
    char *writable();
    // The end of the line that begins at p (its LF), or the last byte when the text lacks one.
    const char *lineEnd(const char *p) const;

    QByteArray m_bytes;
    std::shared_ptr<FileMapping> m_mapping; // the text when set, in place of m_bytes
    char *m_mapped = nullptr;
    qsizetype m_mappedSize = 0;
    qsizetype m_begin = 0;
    qsizetype m_count = 0;
    qsizetype m_emptyCount = 0;
    std::vector<qsizetype> m_marks; // byte position of line k * MarkStride
    std::uint64_t m_generation = 0;
};

} // namespace tf
