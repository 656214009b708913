#include "engine/Table.h"

#include "engine/LargeArray.h"
#include "engine/Parallel.h"

#include <algorithm>
#include <cmath>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

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

bool ByteCellCursor::next(QByteArrayView &raw, bool &quoted)
{
    if (m_pendingEmpty) {
        m_pendingEmpty = false;
        raw = QByteArrayView();
        quoted = false;
        return true;
    }
    const qsizetype len = m_line.size();
    if (m_pos >= len)
        return false;
    const char *p = m_line.data();
    quoted = p[m_pos] == '"';
    if (quoted) {
        const qsizetype start = m_pos + 1;
        qsizetype j = start;
        for (;;) {
            const qsizetype q = m_line.indexOf('"', j);
            if (q < 0) { // no closing quote: the cell runs to the end of the line
                m_pos = len;
                raw = m_line.sliced(start);
                break;
            }
            if (q + 1 < len && p[q + 1] == '"') {
                j = q + 2;
                continue;
            }
            m_pos = q + 1;
            raw = m_line.sliced(start, q - start);
            break;
        }
    } else {
        const qsizetype d = m_line.indexOf(m_delimiter, m_pos);
        const qsizetype end = d < 0 ? len : d;
        raw = m_line.sliced(m_pos, end - m_pos);
        m_pos = end;
    }
    if (m_pos < len && p[m_pos] == m_delimiter) {
        ++m_pos;
        m_pendingEmpty = m_pos == len; // a delimiter at the end leaves one more, empty cell
    }
    return true;
}

QString CellText(QByteArrayView raw, bool quoted, qsizetype longest)
{
    // A code unit takes at least one byte, and a pair of quotes two bytes for one unit: three bytes a
    // unit always give `longest` units. The cut goes back to the start of a character.
    qsizetype n = raw.size();
    if (n > 3 * longest) {
        n = 3 * longest;
        while (n > 0 && (static_cast<unsigned char>(raw[n]) & 0xC0) == 0x80)
            --n;
    }
    QString s = DecodeLineText(raw.first(n));
    if (quoted)
        s.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    if (s.size() > longest)
        s.truncate(s[longest - 1].isHighSurrogate() ? longest - 1 : longest);
    return s;
}

std::optional<double> ReadCellNumber(QByteArrayView raw, const NumberFormat &fmt)
{
    double v;
    // Every character of a number but a separator beyond ASCII is one byte; a quote never belongs to
    // one, so the pairs of a quoted cell need no collapsing.
    if (fmt.decimal < 0x80)
        return ReadNumberBytes(raw.data(), raw.size(), fmt.decimal, v) ? std::optional<double>(v) : std::nullopt;
    return ReadNumber(DecodeLineText(raw), fmt);
}

QStringList SplitLineBytes(QByteArrayView line, char16_t delimiter, qsizetype limit, bool &more)
{
    QStringList cells;
    ByteCellCursor cur(line, delimiter);
    QByteArrayView raw;
    bool quoted;
    more = false;
    while (cur.next(raw, quoted)) {
        if (cells.size() == limit) {
            more = true;
            break;
        }
        cells.append(CellText(raw, quoted));
    }
    return cells;
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

char16_t ChooseDelimiter(QByteArrayView firstLine)
{
    return firstLine.contains('\t') ? u'\t' : u',';
}

namespace {

// NaN marks a cell that is not a number (number reading never yields NaN); the substitute depends
// on column order across all rows, so it is filled in once the rows are read.
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// What one block of rows found; the blocks are joined in row order afterwards.
struct Block {
    qsizetype rowBegin = 0; // data rows, counted from startRow
    qsizetype rowEnd = 0;
    const char *text = nullptr; // where row rowBegin begins
    const char *textEnd = nullptr;
    std::array<qsizetype, MaxColumns> end{};     // the first row of the block without cell q, else rowEnd
    std::array<qsizetype, MaxColumns> missing{}; // cells that were no number, before end
    std::array<double, MaxColumns> lastNumber{};
    std::array<bool, MaxColumns> anyNumber{};
    std::vector<std::pair<qsizetype, int>> firstMissing; // (row, column), at most CellsKept per column

    void found(int q, qsizetype row, double v, bool isNumber, double *const *cols)
    {
        const size_t c = size_t(q);
        if (isNumber) [[likely]] {
            lastNumber[c] = v;
            anyNumber[c] = true;
        } else {
            v = notANumber;
            if (missing[c]++ < NonNumberCells::CellsKept)
                firstMissing.emplace_back(row, q);
        }
        cols[c][row] = v;
    }
};

// Reads one block's rows on the UTF-8 bytes of DataList, the columns side by side, writing each cell's
// number (NaN for a cell that is none) at its row. `done` counts the rows read, for the progress shown.
void readBlock(Block &b, int count, char delimiter, char16_t decimal, double *const *cols,
               std::atomic<qsizetype> *done)
{
    const char *p = b.text;
    int active = count;
    b.end.fill(b.rowEnd);
    constexpr qsizetype ReportEvery = 1 << 16;
    qsizetype unreported = 0;
    // The text ends with a line break; rows are not read past it even when the lines counted are more
    // than it holds (a mapped file changed by another program meanwhile).
    for (qsizetype r = b.rowBegin; r < b.rowEnd && active > 0 && p < b.textEnd; ++r) {
        int q = 0;
        bool pendingEmpty = false;
        for (; q < active; ++q) {
            double v = 0.0;
            bool isNumber;
            if (pendingEmpty) {
                pendingEmpty = false;
                isNumber = false;
            } else if (*p == '\n') {
                break; // this row ends column q and every column after it
            } else if (*p == '"') {
                const char *content = ++p;
                for (;;) { // to the closing quote, pairs of quotes inside; without one, to the line's end
                    while (*p != '"' && *p != '\n')
                        ++p;
                    if (*p == '"' && p[1] == '"') {
                        p += 2;
                        continue;
                    }
                    break;
                }
                isNumber = ReadNumberBytes(content, p - content, decimal, v);
                if (*p == '"')
                    ++p; // characters up to the next delimiter make a cell of their own
            } else if (const char *e = ReadNumberInLine(p, decimal, char16_t(delimiter), v)) {
                p = e;
                isNumber = true;
            } else {
                while (*p != delimiter && *p != '\n')
                    ++p;
                isNumber = false;
            }
            if (*p == delimiter) {
                ++p;
                pendingEmpty = *p == '\n'; // a delimiter at the end leaves one more, empty cell
            }
            b.found(q, r, v, isNumber, cols);
        }
        for (int k = q; k < active; ++k)
            b.end[size_t(k)] = r;
        active = std::min(active, q);
        while (*p != '\n') // cells past the column count are not read
            ++p;
        ++p;
        if (done && ++unreported == ReportEvery) {
            done->fetch_add(unreported, std::memory_order_relaxed);
            unreported = 0;
        }
    }
    if (done)
        done->fetch_add(unreported, std::memory_order_relaxed);
}

// The same on the lines as text: only for a decimal separator that is no single byte.
void readBlockAsText(Block &b, const LineList &lines, qsizetype startRow, int count, char16_t delimiter,
                     char16_t decimal, double *const *cols)
{
    int active = count;
    b.end.fill(b.rowEnd);
    for (qsizetype r = b.rowBegin; r < b.rowEnd && active > 0; ++r) {
        const QString line = lines.at(startRow + r);
        CellCursor cur(line, delimiter);
        int q = 0;
        for (; q < active; ++q) {
            double v = 0.0;
            bool isNumber;
            if (!cur.nextNumber(decimal, v, isNumber))
                break;
            b.found(q, r, v, isNumber, cols);
        }
        for (int k = q; k < active; ++k)
            b.end[size_t(k)] = r;
        active = std::min(active, q);
    }
}

// Rows below this are read on the calling thread alone: threads would cost more than they save.
constexpr qsizetype ParallelRows = qsizetype(1) << 15;

unsigned threadsFor(qsizetype rows)
{
    if (rows < ParallelRows)
        return 1;
    return Processors();
}

} // namespace

qint64 ColumnRoomNeeded(const LineList &lines, qsizetype startRow, int columnCount,
                        const std::array<std::vector<double>, MaxColumns> &columns)
{
    const qint64 rows = std::max<qsizetype>(0, lines.size() - startRow);
    qint64 needed = 0;
    for (int q = 0; q < std::min(columnCount, MaxColumns); ++q) {
        const qint64 kept = qint64(columns[size_t(q)].capacity());
        if (kept < rows) // the old values go before the new room is taken
            needed += (rows - kept) * qint64(sizeof(double));
    }
    return needed;
}

qint64 ColumnRoomEstimate(const LineList &lines, const std::array<std::vector<double>, MaxColumns> &columns)
{
    int cells = 0;
    int seen = 0;
    char delimiter = 0;
    for (qsizetype i = 0; i < lines.size() && seen < 2; ++i) {
        const QByteArrayView line = lines.bytesAt(i);
        if (line.isEmpty())
            continue;
        if (seen++ == 0)
            delimiter = char(ChooseDelimiter(line));
        int count = 1;
        for (qsizetype k = 0; k < line.size() && count < MaxColumns; ++k)
            count += line[k] == delimiter;
        cells = std::max(cells, count);
    }
    return ColumnRoomNeeded(lines, 0, cells, columns);
}

void ReadColumns(const LineList &lines, qsizetype startRow, int columnCount, char16_t delimiter,
                 char16_t decimal, double lastNumberBefore,
                 std::array<std::vector<double>, MaxColumns> &columns, NonNumberCells *nonNumbers,
                 const std::function<void(double)> &progress)
{
    const int count = std::min(columnCount, MaxColumns);
    const qsizetype rows = std::max<qsizetype>(0, lines.size() - startRow);
    for (int q = count; q < MaxColumns; ++q)
        columns[size_t(q)].clear();
    const bool asBytes = decimal < 0x80;
    const unsigned threads = asBytes ? threadsFor(rows) : 1u;

    // Each column once at the size of every row; a column that ends early is only cut.
    for (int q = 0; q < count; ++q) {
        std::vector<double> &col = columns[size_t(q)];
        if (col.capacity() < size_t(rows))
            std::vector<double>().swap(col); // the old values go before the new room is taken
        else
            col.clear();
        ReserveLarge(col, size_t(rows));
    }
    // New room is taken from the system on every processor at once, each a share of every column;
    // the window is kept painted in between.
    if (threads > 1)
        InParallel(threads, [&](std::size_t k) {
            constexpr qsizetype Slice = qsizetype(1) << 20; // values
            const qsizetype from = rows * qsizetype(k) / qsizetype(threads);
            const qsizetype to = rows * qsizetype(k + 1) / qsizetype(threads);
            for (int q = 0; q < count; ++q) {
                double *data = columns[size_t(q)].data();
                for (qsizetype r = from; r < to; r += Slice) {
                    PopulateLarge(data + r, size_t(std::min(Slice, to - r)) * sizeof(double));
                    if (k == 0 && progress)
                        progress(0.0);
                }
            }
        });
    // The columns are sized (and so zeroed) side by side too: many columns of a few megabytes are
    // written far slower than a few long ones.
    const size_t sizing = threads > 1 ? std::min<size_t>(threads, size_t(count)) : 1;
    InParallel(sizing, [&](std::size_t k) {
        for (size_t q = k; q < size_t(count); q += sizing)
            columns[q].resize(size_t(rows));
    });
    std::array<double *, MaxColumns> cols{};
    for (int q = 0; q < count; ++q)
        cols[size_t(q)] = columns[size_t(q)].data();

    // Row blocks, one per processor, each beginning where a line begins.
    std::vector<Block> blocks(threads);
    for (unsigned k = 0; k < threads; ++k) {
        Block &b = blocks[k];
        b.rowBegin = rows * qsizetype(k) / qsizetype(threads);
        b.rowEnd = rows * qsizetype(k + 1) / qsizetype(threads);
        b.text = b.rowBegin < b.rowEnd ? lines.lineBegin(startRow + b.rowBegin) : nullptr;
        b.textEnd = lines.textEnd();
        b.firstMissing.reserve(size_t(count) * NonNumberCells::CellsKept);
    }
    const char delim = char(delimiter);
    if (!asBytes) {
        readBlockAsText(blocks[0], lines, startRow, count, delimiter, decimal, cols.data());
    } else if (threads == 1) {
        readBlock(blocks[0], count, delim, decimal, cols.data(), nullptr);
    } else {
        std::atomic<qsizetype> done{0};
        std::atomic<unsigned> finished{0};
        std::vector<std::thread> workers;
        workers.reserve(threads);
        for (unsigned k = 0; k < threads; ++k)
            workers.emplace_back([&, k] {
                readBlock(blocks[k], count, delim, decimal, cols.data(), &done);
                finished.fetch_add(1, std::memory_order_release);
            });
        while (progress && finished.load(std::memory_order_acquire) < threads) {
            progress(double(done.load(std::memory_order_relaxed)) / double(rows));
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        for (std::thread &t : workers)
            t.join();
    }

    // The blocks joined in row order: where each column ends, and what its cells that are no
    // number take (the last number before them, the columns read one after the other).
    std::array<qsizetype, MaxColumns> missing{};
    std::vector<NonNumberCell> first;
    double last = lastNumberBefore;
    std::vector<double> carryIn(blocks.size());
    for (int q = 0; q < count; ++q) {
        const size_t c = size_t(q);
        qsizetype length = rows;
        size_t used = blocks.size();
        for (size_t k = 0; k < blocks.size(); ++k) {
            const Block &b = blocks[k];
            carryIn[k] = last;
            missing[c] += b.missing[c];
            if (b.anyNumber[c])
                last = b.lastNumber[c];
            if (b.end[c] < b.rowEnd) {
                length = b.end[c];
                used = k + 1;
                break;
            }
        }
        double *col = cols[c];
        qsizetype kept = 0;
        for (size_t k = 0; k < used && missing[c] > 0; ++k) {
            const Block &b = blocks[k];
            if (b.missing[c] == 0)
                continue;
            double v = carryIn[k];
            for (qsizetype r = b.rowBegin; r < b.end[c]; ++r) {
                if (std::isnan(col[r]))
                    col[r] = v;
                else
                    v = col[r];
            }
            for (const auto &[row, column] : b.firstMissing)
                if (column == q && kept < NonNumberCells::CellsKept) {
                    first.push_back({row, q, QString(), col[row]});
                    ++kept;
                }
        }
        columns[c].resize(size_t(length));
    }
    if (!nonNumbers)
        return;
    nonNumbers->counts = missing;
    for (NonNumberCell &cell : first) {
        ByteCellCursor cur(lines.bytesAt(startRow + cell.row), delimiter);
        QByteArrayView raw;
        bool quoted = false;
        for (int q = 0; q <= cell.column && cur.next(raw, quoted); ++q) {
        }
        cell.text = CellText(raw, quoted);
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
