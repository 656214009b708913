#pragma once
// Splitting the loaded lines into cells and reading the numeric columns of the table.
#include "engine/LineList.h"
#include "engine/NumberText.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <functional>
#include <optional>
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
        if (m_pos >= m_line.size())
            return false;
        const char16_t *p = m_line.utf16();
        quoted = p[m_pos] == u'"';
        if (quoted) {
            raw = nextQuoted();
        } else {
            const qsizetype b = m_pos;
            skipToDelimiter();
            raw = QStringView(p + b, m_pos - b);
        }
        passDelimiter();
        return true;
    }

    // The next cell read as a number in the same pass that finds its end (the table's hot loop).
    // isNumber is false for a cell that is not a number. Returns false when the line has no more cells.
    bool nextNumber(char16_t decimal, double &value, bool &isNumber)
    {
        if (m_pendingEmpty) {
            m_pendingEmpty = false;
            isNumber = false;
            return true;
        }
        const qsizetype len = m_line.size();
        if (m_pos >= len)
            return false;
        const char16_t *p = m_line.utf16();
        if (p[m_pos] == u'"') {
            const QStringView raw = nextQuoted();
            isNumber = ReadNumberUnits(raw.utf16(), raw.size(), decimal, value);
        } else {
            const qsizetype used = ReadNumberUntil(p + m_pos, len - m_pos, decimal, m_delimiter, value);
            isNumber = used >= 0;
            if (isNumber)
                m_pos += used;
            else
                skipToDelimiter();
        }
        passDelimiter();
        return true;
    }

private:
    QStringView nextQuoted();
    void skipToDelimiter()
    {
        const char16_t *p = m_line.utf16();
        const qsizetype len = m_line.size();
        while (m_pos < len && p[m_pos] != m_delimiter) // cells are short: a plain loop is quickest
            ++m_pos;
    }
    void passDelimiter()
    {
        if (m_pos < m_line.size() && m_line.utf16()[m_pos] == m_delimiter) {
            ++m_pos;
            if (m_pos == m_line.size())
                m_pendingEmpty = true; // a delimiter at the end leaves one more, empty cell
        }
    }

    QStringView m_line;
    qsizetype m_pos = 0;
    char16_t m_delimiter;
    bool m_pendingEmpty = false;
};

// The same walk on a line's UTF-8 bytes, where every delimiter and quote is one byte: the cells a
// build needs are found without decoding, or even reaching, the rest of the line.
class ByteCellCursor {
public:
    ByteCellCursor(QByteArrayView line, char16_t delimiter) : m_line(line), m_delimiter(char(delimiter)) {}
    bool next(QByteArrayView &raw, bool &quoted);

private:
    QByteArrayView m_line;
    qsizetype m_pos = 0;
    char m_delimiter;
    bool m_pendingEmpty = false;
};

// The most of a cell's text that is kept to be shown (a series title, a cell in the note on cells that
// were no number). A window, and so the chart and every picture of it, is at most 65,535 pixels wide
// (the window system's 16-bit sizes), and no text shows more than two code units a pixel.
inline constexpr qsizetype LongestShownCell = 2 * 65535 + 16;

QString CellText(QStringView raw, bool quoted);
// A cell's text from its bytes, pairs of quotes collapsed, cut to at most `longest` code units (a
// surrogate pair is never split); only the bytes the kept text needs are decoded.
QString CellText(QByteArrayView raw, bool quoted, qsizetype longest = LongestShownCell);
// The cell read as a number (number reading), however long it is, without a copy of its text.
std::optional<double> ReadCellNumber(QByteArrayView raw, const NumberFormat &fmt);
// The first `limit` cells of a line at most, each cut as above; `more` tells whether the line holds
// further cells. The cells beyond are never split.
QStringList SplitLineBytes(QByteArrayView line, char16_t delimiter, qsizetype limit, bool &more);
QStringList SplitLine(QStringView line, char16_t delimiter);
// Tab when the line holds one anywhere, otherwise comma.
char16_t ChooseDelimiter(QStringView firstLine);
char16_t ChooseDelimiter(QByteArrayView firstLine);

// A data cell that was not a number: its data row (0 for the first), column, text and the value it took.
struct NonNumberCell {
    qsizetype row = 0;
    int column = 0;
    QString text;
    double value = 0.0;
};

// The data cells of one reading that were not numbers: how many per column, and the first ones of
// each column (at most CellsKept, top to bottom, columns in order).
struct NonNumberCells {
    static constexpr int CellsKept = 10;
    std::array<qsizetype, MaxColumns> counts{};
    std::vector<NonNumberCell> first;

    qsizetype total() const;
};

// New memory a reading of columnCount columns from startRow on takes, beyond the room of `columns`
// that it reuses or lets go first. Bytes.
qint64 ColumnRoomNeeded(const LineList &lines, qsizetype startRow, int columnCount,
                        const std::array<std::vector<double>, MaxColumns> &columns);
// The same before a build has read the first rows: at most as many columns as the first two
// non-empty lines have cells, from the first line on.
qint64 ColumnRoomEstimate(const LineList &lines, const std::array<std::vector<double>, MaxColumns> &columns);

// The columns of the data rows from startRow on, before magnification (the other entries are emptied;
// the room of every entry is reused when it is large enough). Column q ends at the first row without a cell q. A cell that is
// not a number takes the last number read before it, in column order and top to bottom, starting from
// lastNumberBefore (the readings made earlier in the build); those cells are counted in nonNumbers when
// it is given. Large tables are read in row blocks on every processor, with the same result; meanwhile
// progress is called on this thread with the share of rows read.
void ReadColumns(const LineList &lines, qsizetype startRow, int columnCount, char16_t delimiter,
                 char16_t decimal, double lastNumberBefore,
                 std::array<std::vector<double>, MaxColumns> &columns, NonNumberCells *nonNumbers = nullptr,
                 const std::function<void(double)> &progress = {});

} // namespace tf
