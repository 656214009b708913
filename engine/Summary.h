#pragma once
// The statistics line of a series and the status bar text.
#include "engine/NumberText.h"

#include <QString>
#include <cstddef>

namespace tf {

struct ColumnStats {
    std::size_t count = 0;
    double mean = 0.0;
    double stdDev = 0.0; // sample deviation (N - 1); 0 for a single value
    double maximum = 0.0;
    double minimum = 0.0;
};

// Title right-aligned in ten characters (never cut), then mean, deviation, largest and smallest value.
QString StatisticsLine(const QString &title, const ColumnStats &stats, const NumberFormat &fmt);
// Length of the name field a statistics line starts with: ten characters, or the whole title when longer.
constexpr int NameFieldMinimum = 10;
int NameFieldWidth(const QString &title);
// The line with its name field of oldFieldWidth characters replaced by the new name, left-aligned in
// exactly ten characters (cut after the tenth); the rest of the line stays.
QString RenamedStatisticsLine(const QString &line, int oldFieldWidth, const QString &name);
// For a series that has no column of its own in the current data.
QString NoDataLine(const QString &title);
QString StatusText(double mag, const QString &tani, const NumberFormat &fmt);

// The status bar's note on data cells that were not numbers: "数値でないセル 3 個（直前の数値で代用）".
QString NonNumberNote(qsizetype count, const NumberFormat &fmt);
// One such cell for the note's list: "5行目 測定値A: 「1,234.5」 → 7", the row counted among the data rows.
QString NonNumberCellLine(qsizetype dataRow, const QString &title, const QString &text, double value,
                          const NumberFormat &fmt);
// The shortest fixed text that reads back as v (up to 15 decimals), else the scientific text.
QString ValueText(double v, const NumberFormat &fmt);
// The same after rounding to twelve significant digits, so that a value carried through a magnification and
// back shows no float noise (8.000000000000002 shows as 8).
QString RoundedValueText(double v, const NumberFormat &fmt);

} // namespace tf
