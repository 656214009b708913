// Large tables are read in row blocks on several threads; what they give must be exactly what one
// plain pass over the rows gives: the values, where each column ends, the stand-ins for cells that are
// no number (across block boundaries), and the list of those cells.
#include "engine/Table.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>

using namespace tf;

namespace {

using Columns = std::array<std::vector<double>, MaxColumns>;

// The reading rule the plain way: split each row, read each cell, columns one after the other.
Columns referenceColumns(const QStringList &rows, int count, char16_t delimiter, const NumberFormat &fmt,
                         double last, std::vector<std::pair<qsizetype, int>> &nonNumbers)
{
    Columns cols;
    std::vector<QStringList> cells;
    for (const QString &row : rows)
        cells.push_back(SplitLine(row, delimiter));
    for (int q = 0; q < count; ++q) {
        for (size_t r = 0; r < cells.size(); ++r) {
            if (cells[r].size() <= q)
                break;
            if (const std::optional<double> v = ReadNumber(cells[r][q], fmt)) {
                last = *v;
            } else {
                nonNumbers.emplace_back(qsizetype(r), q);
            }
            cols[size_t(q)].push_back(last);
        }
    }
    return cols;
}

bool sameBits(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

struct Table {
    const char *name;
    int rows;
    int columns;
    // What goes in cell (r, q); rows may be cut short by returning fewer cells.
    QString (*row)(int r, int columns);
};
TF_PRINT_CASE_AS_NAME(Table)

QString numbers(int r, int columns)
{
    QStringList cells;
    for (int q = 0; q < columns; ++q)
        cells += QString::number(r * 0.25 + q * 1000 - 7, 'f', 2);
    return cells.join(u',');
}

// Non-numbers scattered everywhere, and thick at the middle (where two blocks meet).
QString mixed(int r, int columns)
{
    QStringList cells;
    for (int q = 0; q < columns; ++q) {
        const bool word = (r * 7 + q * 3) % 101 == 0 || (r > 39990 && r < 40010);
        cells += word ? (q % 2 ? QStringLiteral("1,234.5") : QString()) : QString::number(r % 977 + q);
    }
    if (r % 5 == 0)
        cells[0] = u'"' + cells[0] + u'"';
    return cells.join(u',');
}

// Every cell of the second column stops being a number after the first rows: the stand-in comes from
// the first column's last number, far away in another block.
QString wordsAfterTheStart(int r, int columns)
{
    QStringList cells;
    for (int q = 0; q < columns; ++q)
        cells += (q == 1 && r > 3) ? QStringLiteral("n/a") : QString::number(r + q);
    return cells.join(u',');
}

// A short row late in the table ends the last columns there; later, longer rows add nothing to them.
QString shortRowInTheLastBlock(int r, int columns)
{
    QStringList cells;
    const int n = r == 70001 ? 1 : (r == 50000 ? 2 : columns);
    for (int q = 0; q < n; ++q)
        cells += QString::number((r * 13 + q) % 1000);
    return cells.join(u',');
}

class ParallelRead : public ::testing::TestWithParam<Table> {};

TEST_P(ParallelRead, GivesWhatOnePlainPassGives)
{
    const Table &t = GetParam();
    QStringList rows;
    for (int r = 0; r < t.rows; ++r)
        rows += t.row(r, t.columns);
    const NumberFormat fmt{u'.', u','};
    std::vector<std::pair<qsizetype, int>> expectedNonNumbers;
    const Columns expected = referenceColumns(rows, t.columns, u',', fmt, 3.5, expectedNonNumbers);

    Columns cols;
    NonNumberCells nonNumbers;
    int progressCalls = 0;
    ReadColumns(LineList(rows), 0, t.columns, u',', u'.', 3.5, cols, &nonNumbers,
                [&progressCalls](double f) {
                    EXPECT_GE(f, 0.0);
                    EXPECT_LE(f, 1.0);
                    ++progressCalls;
                });
    for (int q = 0; q < t.columns; ++q)
        EXPECT_TRUE(sameBits(cols[size_t(q)], expected[size_t(q)])) << "column " << q;

    std::array<qsizetype, MaxColumns> counts{};
    std::vector<std::pair<qsizetype, int>> listed;
    for (const auto &[r, q] : expectedNonNumbers)
        if (counts[size_t(q)]++ < NonNumberCells::CellsKept)
            listed.emplace_back(r, q);
    EXPECT_EQ(nonNumbers.counts, counts);
    ASSERT_EQ(nonNumbers.first.size(), listed.size());
    for (size_t k = 0; k < listed.size(); ++k) {
        const NonNumberCell &cell = nonNumbers.first[k];
        EXPECT_EQ(cell.row, listed[k].first);
        EXPECT_EQ(cell.column, listed[k].second);
        EXPECT_EQ(cell.text, SplitLine(rows[cell.row], u',')[cell.column]);
        EXPECT_EQ(cell.value, expected[size_t(cell.column)][size_t(cell.row)]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ParallelRead,
    ::testing::Values(Table{"AllNumbers", 80000, 4, numbers}, Table{"NonNumbersAcrossBlocks", 80000, 5, mixed},
                      Table{"StandInFromAnotherColumn", 80000, 3, wordsAfterTheStart},
                      Table{"ShortRowEndsColumnsInALaterBlock", 90000, 4, shortRowInTheLastBlock},
                      Table{"SmallTableOnOneThread", 100, 3, mixed}),
    tftest::CaseName());

} // namespace
