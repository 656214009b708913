#pragma once
// DataList storage: the loaded text lines kept as ranges of one UTF-16 buffer, so that a paste or
// file of a million lines costs one allocation instead of one string per line.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace tf {

class LineList {
public:
    struct Range {
        qsizetype begin;
        qsizetype end;
    };

    LineList() = default;
    LineList(const QStringList &lines);
    LineList(std::initializer_list<QString> lines) : LineList(QStringList(lines)) {}

    // Adopts a text and the [begin, end) ranges of its lines (as the line-break rule finds them).
    static LineList fromRanges(QString text, std::vector<Range> ranges);

    qsizetype size() const { return qsizetype(m_ranges.size()); }
    qsizetype count() const { return size(); }
    bool isEmpty() const { return m_ranges.empty(); }
    QStringView at(qsizetype i) const
    {
        const Range &r = m_ranges[size_t(i)];
        return QStringView(m_text).mid(r.begin, r.end - r.begin);
    }
    QString line(qsizetype i) const { return at(i).toString(); }
    QStringList toStringList() const;

    void clear();
    void append(QStringView line);
    // Removes the lines with no characters at all, from the last to the first; the other lines keep their order.
    void removeEmptyLines();

    // Changes whenever the lines are replaced, cleared or appended to; removing empty lines keeps it,
    // since the non-empty lines a build reads stay the same.
    std::uint64_t generation() const { return m_generation; }

    bool operator==(const LineList &other) const;

private:
    void touch();

    QString m_text;
    std::vector<Range> m_ranges;
    std::uint64_t m_generation = 0;
    // Set once empty lines are removed and kept until an empty line comes in, so that every
    // rebuild of a large list does not scan it again.
    bool m_noEmptyLines = false;
};

} // namespace tf
