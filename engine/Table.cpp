#include "engine/Table.h"

#include "engine/LargeArray.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tf {

QStringView CellCursor::nextQuoted()
{
    const qsizetype len = m_line.size();
    const qsizetype start = m_pos + 1;
    qsizetype j = start;
    for (;;) {
        const qsizetype q = m_line.indexOf(u'"', j);
        if (q < 0) { // no closing quote: the cell runs to the end of the line
            m_pos = len;
            return m_line.mid(start);
        }
        if (q + 1 < len && m_line[q + 1] == u'"') {
            j = q + 2;
            continue;
        }
        m_pos = q + 1;
        return m_line.mid(start, q - start);
    }
}

QString CellText(QStringView raw, bool quoted)
{
    QString s = raw.toString();
    if (quoted)
        s.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return s;
}

QStringList SplitLine(QStringView line, char16_t delimiter)
{
    QStringList cells;
    CellCursor cur(line, delimiter);
    QStringView raw;
    bool quoted;
    while (cur.next(raw, quoted))
        cells.append(CellText(raw, quoted));
    return cells;
}

char16_t ChooseDelimiter(QStringView firstLine)
{
    return firstLine.contains(u'\t') ? u'\t' : u',';
}

void ReadColumns(const LineList &lines, qsizetype startRow, int columnCount, char16_t delimiter,
                 char16_t decimal, double lastNumberBefore,
                 std::array<std::vector<double>, MaxColumns> &columns, NonNumberCells *nonNumbers)
{
    // NaN marks a cell that is not a number (number reading never yields NaN); the
    // substitute depends on column order, so it is filled in after the single pass over the rows.
    constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
    const int count = std::min(columnCount, MaxColumns);
    const size_t rows = size_t(std::max<qsizetype>(0, lines.size() - startRow));
    for (int q = 0; q < MaxColumns; ++q) {
        columns[size_t(q)].clear();
        if (q < count)
            ReserveLarge(columns[size_t(q)], rows);
    }
    std::array<qsizetype, MaxColumns> missing{};
    std::vector<NonNumberCell> first;
    int active = count;
    for (qsizetype r = startRow; r < lines.size() && active > 0; ++r) {
        CellCursor cur(lines.at(r), delimiter);
        for (int q = 0; q < active; ++q) {
            double v;
            bool isNumber;
            if (!cur.nextNumber(decimal, v, isNumber)) {
                active = q; // this row ends column q and every column after it
                break;
            }
            if (!isNumber) [[unlikely]] {
                v = notANumber;
                if (missing[size_t(q)]++ < NonNumberCells::CellsKept)
                    first.push_back({r - startRow, q, QString(), 0.0});
            }
            columns[size_t(q)].push_back(v);
        }
    }
    double last = lastNumberBefore;
    for (int q = 0; q < count; ++q) {
        std::vector<double> &col = columns[size_t(q)];
        if (col.size() < col.capacity() / 2)
            col.shrink_to_fit();
        if (missing[size_t(q)] == 0) {
            if (!col.empty())
                last = col.back();
            continue;
        }
        for (double &v : col) {
            if (std::isnan(v))
                v = last;
            else
                last = v;
        }
    }
    if (!nonNumbers)
        return;
    nonNumbers->counts = missing;
    // Rows were read top to bottom with the columns side by side; the report goes column by column.
    std::stable_sort(first.begin(), first.end(),
                     [](const NonNumberCell &a, const NonNumberCell &b) { return a.column < b.column; });
    for (NonNumberCell &cell : first) {
        const QStringList cells = SplitLine(lines.at(startRow + cell.row), delimiter);
        cell.text = cells[cell.column];
        cell.value = columns[size_t(cell.column)][size_t(cell.row)];
    }
    nonNumbers->first = std::move(first);
}

qsizetype NonNumberCells::total() const
{
    qsizetype sum = 0;
    for (qsizetype c : counts)
        sum += c;
    return sum;
}

} // namespace tf
