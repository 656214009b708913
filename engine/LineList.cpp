#include "engine/LineList.h"

#include <algorithm>
#include <atomic>

namespace tf {

namespace {
std::uint64_t nextGeneration()
{
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}
} // namespace

void LineList::touch() { m_generation = nextGeneration(); }

LineList::LineList(const QStringList &lines)
{
    qsizetype total = 0;
    for (const QString &l : lines)
        total += l.size();
    m_text.reserve(total);
    m_ranges.reserve(size_t(lines.size()));
    for (const QString &l : lines) {
        const qsizetype b = m_text.size();
        m_text.append(l);
        m_ranges.push_back({b, m_text.size()});
    }
    touch();
}

LineList LineList::fromRanges(QString text, std::vector<Range> ranges)
{
    LineList l;
    l.m_text = std::move(text);
    l.m_ranges = std::move(ranges);
    l.touch();
    return l;
}

QStringList LineList::toStringList() const
{
    QStringList out;
    out.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        out.append(line(i));
    return out;
}

void LineList::clear()
{
    m_text.clear();
    m_ranges.clear();
    touch();
}

void LineList::append(QStringView line)
{
    if (line.isEmpty())
        m_noEmptyLines = false;
    const qsizetype b = m_text.size();
    m_text.append(line);
    m_ranges.push_back({b, m_text.size()});
    touch();
}

void LineList::removeEmptyLines()
{
    if (m_noEmptyLines)
        return;
    m_ranges.erase(std::remove_if(m_ranges.begin(), m_ranges.end(),
                                  [](const Range &r) { return r.begin == r.end; }),
                   m_ranges.end());
    m_noEmptyLines = true;
}

bool LineList::operator==(const LineList &other) const
{
    if (size() != other.size())
        return false;
    for (qsizetype i = 0; i < size(); ++i)
        if (at(i) != other.at(i))
            return false;
    return true;
}

} // namespace tf
