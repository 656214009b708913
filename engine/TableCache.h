#pragma once
// Engine internals: what a build keeps for the next one, so that a rebuild after a settings change
// does not read the text again. serdata holds the columns times `mag`; a rebuild with the same data,
// separators, first rows and magnification only counts.
#include "engine/Build.h"

namespace tf {

struct TableCache {
    bool valid = false;
    std::uint64_t generation = 0;
    char16_t decimal = 0;
    char16_t delimiter = 0;
    qsizetype startRow = 0;
    int columnCount = 0;
    double lastNumberBefore = 0.0;
    double mag = 0.0;
    std::vector<ColumnStats> stats; // count, mean and ends of each column of serdata
    bool deviationsKnown = false;   // and the deviations, taken by the first build that counted
    NonNumberCells nonNumbers;      // of the text as read, whatever the magnification
};

TableCache &TableCacheOf(EngineState &state);

} // namespace tf
