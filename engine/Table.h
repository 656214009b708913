#pragma once
// Splitting the loaded lines into cells and reading the numeric columns of the table.
#include "engine/LineList.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <vector>

namespace tf {

inline constexpr int MaxColumns = 21;

// Walks the cells of one line without copying them. A quoted cell is given as the text between
// its quotes, pairs of quotes still doubled (CellText collapses them).
class CellCursor {
public:
    CellCursor(QStringView line, char16_t delimiter) : m_line(line), m_delimiter(delimiter) {}
    bool next(QStringView &raw, bool &quoted)
    {
        if (m_pendingEmpty) {
            m_pendingEmpty = false;
            raw = QStringView();
            quoted = false;
            return true;
        }
        const qsizetype len = m_line.size();
        if (m_pos >= len)
            return false;
        const char16_t *p = m_line.utf16();
        quoted = p[m_pos] == u'"';
        if (quoted) {
            raw = nextQuoted();
        } else {
            qsizetype j = m_pos; // cells are short: a plain loop beats a library search here
            while (j < len && p[j] != m_delimiter)
                ++j;
            raw = QStringView(p + m_pos, j - m_pos);
            m_pos = j;
        }
        if (m_pos < len && p[m_pos] == m_delimiter) {
            ++m_pos;
            if (m_pos == len)
                m_pendingEmpty = true;
        }
        return true;
    }

private:
    QStringView nextQuoted();

    QStringView m_line;
    qsizetype m_pos = 0;
    char16_t m_delimiter;
    bool m_pendingEmpty = false;
};

QString CellText(QStringView raw, bool quoted);
QStringList SplitLine(QStringView line, char16_t delimiter);
// Tab when the line holds one anywhere, otherwise comma.
char16_t ChooseDelimiter(QStringView firstLine);

// The columns of the data rows from startRow on, before magnification. Column q ends at the first
// row without a cell q. A cell that is not a number takes the last number read before it, in
// column order and top to bottom, starting from lastNumberBefore (the readings made earlier in the build).
void ReadColumns(const LineList &lines, qsizetype startRow, int columnCount, char16_t delimiter,
                 char16_t decimal, double lastNumberBefore,
                 std::array<std::vector<double>, MaxColumns> &columns);

} // namespace tf
