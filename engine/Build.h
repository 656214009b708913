#pragma once
// One histogram build: from the lines of DataList to series, counts, statistics and status text.
// The engine drives the window through BuildSink in the window's own order, so a build that stops
// with an error leaves the window exactly as far as the build got.
#include "engine/LineList.h"
#include "engine/NumberText.h"
#include "engine/Summary.h"
#include "engine/Table.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace tf {

using Tdd = std::vector<double>;

struct TableCache; // engine internals, engine/TableCache.h

// Holds what a build keeps for the next one. A copied state starts without it and reads its text anew.
class TableCacheSlot {
public:
    TableCacheSlot();
    ~TableCacheSlot();
    TableCacheSlot(const TableCacheSlot &);
    TableCacheSlot &operator=(const TableCacheSlot &);
    TableCacheSlot(TableCacheSlot &&) noexcept;
    TableCacheSlot &operator=(TableCacheSlot &&) noexcept;
    TableCache &get() { return *m_cache; }

private:
    std::unique_ptr<TableCache> m_cache;
};

// What the last build that completed leaves for the commands that read its bins and statistics.
struct BuildOutcome {
    bool complete = false; // false from the start of a build until it completes
    double minimum = 0;    // lower edge of bin 0
    double width = 1;
    int bins = 0;          // bins 0..bins
    double mag = 1.0;      // the magnification its columns were scaled by
    std::vector<ColumnStats> stats;        // one per column, in scaled units
    std::vector<std::vector<int>> counts;  // counts[q][j]
};

struct EngineState { // fields of TForm1, held here so the engine is testable without a window
    LineList DataList;
    double mag = 1.0;
    QString tani;
    int bunkatu = 10;
    std::array<Tdd, MaxColumns> serdata;
    bool ManualDivFlag = false;
    bool MBunkatuFlag = false;

    BuildOutcome last;
    TableCacheSlot tableCache;
};

struct BuildControls { // what the build reads from the window's controls
    int bunkatuSize = 10; // value of BunkatuSize (2..100)
    bool kukanManualSize = false;
    bool horizontal = false;
    QString kukanValue, kukanMaxValue, kukanMinValue;
};

class BuildSink { // the window's side of a build, called in this order
public:
    virtual ~BuildSink() = default;
    // Destroy the series, clear SeriesCombo and the subtitle, axes automatic; the bin axis not
    // automatic when manualRange.
    virtual void ClearForBuild(bool manualRange, bool horizontal) = 0;
    virtual void CreateSeries(int count, bool horizontal) = 0;
    // Series titles, SeriesCombo items, item 0 selected.
    virtual void SetSeriesTitles(const QStringList &titles) = 0;
    // Manual range on the bin axis; the chart may refuse with a tf::Error.
    virtual void SetBinAxisMinimum(double v) = 0;
    virtual void SetBinAxisMaximum(double v) = 0;
    virtual void SetKukanValueText(const QString &text) = 0;
    // One call per column, bunkatu + 1 entries; positions[j] = minimum + j * w.
    virtual void AddSeriesPoints(int series, const std::vector<double> &positions, const std::vector<int> &counts) = 0;
    virtual void SetRangeTexts(const QString &maxText, const QString &minText) = 0; // automatic range only
    virtual void AddStatisticsLine(const QString &line) = 0;
    virtual void SetStatusText(const QString &text) = 0;
    // Last, and only when some data cells were not numbers: the note and one line for each of the
    // first ones (at most NonNumberCells::CellsKept, top to bottom).
    // While the columns are read on other threads, called now and then on the calling thread with the
    // share of rows read (0 to 1), so that the window can show it.
    virtual void ReadProgress(double fraction) { (void)fraction; }
    virtual void SetNonNumberNote(const QString &note, const QStringList &cells)
    {
        (void)note;
        (void)cells;
    }
};

// Runs one build. Throws tf::Error at the first failure; state and sink are left exactly as far
// as the build got (the one-shot flags stay set).
void BuildHistogram(EngineState &state, const BuildControls &controls, BuildSink &sink, const NumberFormat &fmt);

} // namespace tf
