#include "engine/Build.h"

#include "engine/BinCount.h"
#include "engine/DoublePair.h"
#include "engine/Error.h"
#include "engine/Memory.h"
#include "engine/Messages.h"
#include "engine/Parallel.h"
#include "engine/Scale.h"
#include "engine/TableCache.h"
#include "engine/Summary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tf {

namespace {

const QString kDivideByZero = QStringLiteral("0 による浮動小数点数除算");
const QString kInvalidOperation = QStringLiteral("不正な浮動小数点数演算命令");
const QString kOverflow = QStringLiteral("浮動小数点数オーバーフロー");
const QString kTooManyBins = QStringLiteral("区間の数が上限の100を超えています");
const QString kNegativeWidth = QStringLiteral("区間分割値には正の数を指定してください");
const QString kTooManyColumns = QStringLiteral("列の数が上限の21を超えています");
const QString kTooManySeries = QStringLiteral("1行目のセルの数が上限の1000を超えています");

constexpr int MaxBins = 100; // bins 0..100
// Series beyond the 21 columns never hold data; a first line of many thousands of cells (a stray
// binary file, a wrong delimiter) would only freeze the window making empty series.
constexpr int MaxSeries = 1000;

// Dividing by a zero width: zero by zero is an invalid operation, anything else a division by zero.
[[noreturn]] void throwDivision(double numerator)
{
    throw Error(numerator == 0.0 || std::isnan(numerator) ? kInvalidOperation : kDivideByZero);
}

double checkedFinite(double v)
{
    if (!std::isfinite(v))
        throw Error(kOverflow);
    return v;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Multiplies a column as read by mag, in place, and takes count, mean, largest and smallest value
// in the same pass.
template <bool Store>
ColumnStats scaleColumnAs(Tdd &column, double mag)
{
    const size_t n = column.size();
    if (n == 0) // every column holds the cell of the first data row; kept safe all the same
        return ColumnStats{};
    const double *s = column.data();
    double *t = column.data();
    const Pair m = {mag, mag};
    Pair acc = {0, 0};
    Pair hi = {s[0] * mag, s[0] * mag};
    Pair lo = hi;
    size_t i = 0;
    for (; i + 2 <= n; i += 2) {
        const Pair v = LoadPair(s + i) * m;
        if constexpr (Store)
            std::memcpy(t + i, &v, sizeof v);
        acc += v;
        hi = v > hi ? v : hi;
        lo = v < lo ? v : lo;
    }
    double sum = acc[0] + acc[1];
    double mx = std::max(hi[0], hi[1]), mn = std::min(lo[0], lo[1]);
    for (; i < n; ++i) {
        const double v = s[i] * mag;
        if constexpr (Store)
            t[i] = v;
        sum += v;
        mx = std::max(mx, v);
        mn = std::min(mn, v);
    }
    // A product beyond the largest Double shows up as an infinite end of the column.
    if (!std::isfinite(mx) || !std::isfinite(mn))
        throw Error(kOverflow);
    ColumnStats st;
    st.count = n;
    st.maximum = mx;
    st.minimum = mn;
    st.mean = sum / double(n);
    return st;
}

// Multiplying by 1 leaves every value as it is, so the column is then only read.
ColumnStats scaleColumn(Tdd &column, double mag)
{
    return mag == 1.0 ? scaleColumnAs<false>(column, mag) : scaleColumnAs<true>(column, mag);
}

// work(q) for every column q below columnCount, the columns shared out over the processors when
// they are long enough. work must not throw.
template <typename Work>
void eachColumn(int columnCount, const std::array<Tdd, MaxColumns> &columns, const Work &work)
{
    size_t values = 0;
    for (int q = 0; q < columnCount; ++q)
        values += columns[size_t(q)].size();
    const size_t parts = values < ParallelValues ? 1 : std::min<size_t>(Processors(), size_t(columnCount));
    InParallel(parts, [&](size_t k) {
        for (size_t q = k; q < size_t(columnCount); q += parts)
            work(int(q));
    });
}

// The first cells that were not numbers, as the user reads the table: top to bottom, left to right.
QStringList NonNumberCellLines(const NonNumberCells &cells, const QStringList &titles, const NumberFormat &fmt)
{
    std::vector<const NonNumberCell *> order;
    for (const NonNumberCell &cell : cells.first)
        order.push_back(&cell);
    std::sort(order.begin(), order.end(), [](const NonNumberCell *a, const NonNumberCell *b) {
        return a->row != b->row ? a->row < b->row : a->column < b->column;
    });
    if (order.size() > size_t(NonNumberCells::CellsKept))
        order.resize(size_t(NonNumberCells::CellsKept));
    QStringList lines;
    for (const NonNumberCell *cell : order)
        lines += NonNumberCellLine(cell->row + 1, titles[cell->column], cell->text, cell->value, fmt);
    return lines;
}

} // namespace

TableCacheSlot::TableCacheSlot() : m_cache(std::make_unique<TableCache>()) {}
TableCacheSlot::~TableCacheSlot() = default;
TableCacheSlot::TableCacheSlot(const TableCacheSlot &) : TableCacheSlot() {}
TableCacheSlot &TableCacheSlot::operator=(const TableCacheSlot &)
{
    *m_cache = TableCache();
    return *this;
}
TableCacheSlot::TableCacheSlot(TableCacheSlot &&other) noexcept : m_cache(std::move(other.m_cache))
{
    other.m_cache = std::make_unique<TableCache>();
}
TableCacheSlot &TableCacheSlot::operator=(TableCacheSlot &&other) noexcept
{
    std::swap(m_cache, other.m_cache);
    *other.m_cache = TableCache();
    return *this;
}

TableCache &TableCacheOf(EngineState &state) { return state.tableCache.get(); }

void BuildHistogram(EngineState &st, const BuildControls &c, BuildSink &sink, const NumberFormat &fmt)
{
    // 1. Fewer than two lines (counted with the empty ones): nothing changes.
    if (st.DataList.size() < 2)
        return;

    // 2-4.
    const bool manualRange = c.kukanManualSize;
    st.last.complete = false;
    sink.ClearForBuild(manualRange, c.horizontal);

    // 5. The window keeps the box within 2..100; the clamp only guards the division below.
    st.bunkatu = std::clamp(c.bunkatuSize, 2, MaxBins);

    // 6.
    st.DataList.removeEmptyLines();
    if (st.DataList.isEmpty())
        throw Error(ListIndexMessage(0));
    const char16_t delimiter = ChooseDelimiter(st.DataList.bytesAt(0));

    // 7. One series per cell of the first line. The cells are taken from its bytes no further than the
    // limit, so that one endless line is refused at once, and each only as far as it can be shown.
    const QByteArrayView firstLine = st.DataList.bytesAt(0);
    bool moreCells = false;
    const QStringList firstCells = SplitLineBytes(firstLine, delimiter, MaxSeries, moreCells);
    // Only a file changed by another program while mapped can still show an empty first line here.
    if (firstCells.isEmpty())
        throw Error(ListIndexMessage(0));
    if (moreCells)
        throw Error(kTooManySeries);
    const int seriesCount = int(firstCells.size());
    sink.CreateSeries(seriesCount, c.horizontal);

    // 8-9. Header decision, on the whole first cell. Every number read from here to the last cell can
    // stand in for a later cell that is not a number.
    double lastNumber = 0.0;
    QByteArrayView firstCell;
    bool firstQuoted = false;
    ByteCellCursor(firstLine, delimiter).next(firstCell, firstQuoted);
    const std::optional<double> headValue = ReadCellNumber(firstCell, fmt);
    if (headValue)
        lastNumber = *headValue;
    const bool header = !headValue;
    QStringList titles;
    if (header) {
        titles = firstCells;
    } else {
        titles.reserve(seriesCount);
        for (int i = 0; i < seriesCount; ++i)
            titles.append(QStringLiteral("No%1").arg(i));
    }
    sink.SetSeriesTitles(titles);

    // 10. First data row: sample and column count, then the automatic scale.
    const qsizetype startRow = header ? 1 : 0;
    if (startRow >= st.DataList.size())
        throw Error(ListIndexMessage(1));
    int columnCount = 0;
    double sample = 0.0;
    {
        // Counted no further than one cell past the limit.
        ByteCellCursor cur(st.DataList.bytesAt(startRow), delimiter);
        QByteArrayView raw;
        bool quoted;
        while (columnCount <= MaxColumns && cur.next(raw, quoted)) {
            if (columnCount == 0) {
                if (const auto v = ReadCellNumber(raw, fmt)) {
                    sample = *v;
                    lastNumber = *v;
                }
            }
            ++columnCount;
        }
    }
    // Stopping here, before the scale, keeps mag and tani of the last build that could be shown.
    if (columnCount > MaxColumns)
        throw Error(kTooManyColumns);
    if (!manualRange)
        ComputeScale(st.mag, st.tani, sample);

    // 11. Column values into serdata; the text is read again only when DataList, the reading or the
    // magnification has changed.
    TableCache &cache = st.tableCache.get();
    const bool cacheHit = cache.valid && cache.generation == st.DataList.generation()
        && cache.decimal == fmt.decimal && cache.delimiter == delimiter && cache.startRow == startRow
        && cache.columnCount == columnCount && sameBits(cache.lastNumberBefore, lastNumber)
        && sameBits(cache.mag, st.mag);
    std::vector<ColumnStats> stats;
    if (cacheHit) {
        stats = cache.stats;
    } else {
        // A table too large for the memory left stops here, before serdata changes.
        RequireMemory(ColumnRoomNeeded(st.DataList, startRow, columnCount, st.serdata));
        // Invalid while serdata is being rewritten: an overflow stops the build half way.
        cache.valid = false;
        // Read into the entries this build replaces (their room reused); the others keep their arrays.
        std::array<Tdd, MaxColumns> read;
        for (int q = 0; q < columnCount; ++q)
            read[size_t(q)] = std::move(st.serdata[size_t(q)]);
        ReadColumns(st.DataList, startRow, columnCount, delimiter, fmt.decimal, lastNumber, read,
                    &cache.nonNumbers, [&sink](double fraction) { sink.ReadProgress(fraction); });
        for (int q = 0; q < columnCount; ++q)
            st.serdata[size_t(q)] = std::move(read[size_t(q)]);
        stats.resize(size_t(columnCount));
        // With a magnification of at most 1 no product overflows, so the columns may be scaled side by
        // side; otherwise one at a time, so that the build stops at the first column that overflows
        // and leaves the later ones as they were read.
        const auto scale = [&](int q) { stats[size_t(q)] = scaleColumn(st.serdata[size_t(q)], st.mag); };
        if (std::fabs(st.mag) <= 1.0)
            eachColumn(columnCount, st.serdata, scale);
        else
            for (int q = 0; q < columnCount; ++q)
                scale(q);
        cache.generation = st.DataList.generation();
        cache.decimal = fmt.decimal;
        cache.delimiter = delimiter;
        cache.startRow = startRow;
        cache.columnCount = columnCount;
        cache.lastNumberBefore = lastNumber;
        cache.mag = st.mag;
        cache.stats = stats;
        cache.deviationsKnown = false;
        cache.valid = true;
    }

    // 12. Overall range and widths.
    double maximum = -std::numeric_limits<double>::infinity();
    double minimum = std::numeric_limits<double>::infinity();
    for (const ColumnStats &s : stats) {
        maximum = std::max(maximum, s.maximum);
        minimum = std::min(minimum, s.minimum);
    }
    const double rawWidth = checkedFinite(maximum - minimum) / st.bunkatu;
    double w0 = RoundedWidth(rawWidth, fmt);
    if (st.ManualDivFlag) {
        if (const auto v = ReadNumber(c.kukanValue, fmt))
            w0 = *v;
    }
    if (w0 < 0.0)
        throw Error(kNegativeWidth);

    // Snapping to the grid of w0, at most 100 steps each way.
    if (w0 == 0.0)
        throwDivision(maximum);
    const double quotient = std::floor(maximum / w0);
    if (!(quotient >= double(std::numeric_limits<int>::min()) && quotient <= double(std::numeric_limits<int>::max())))
        throw Error(kTooManyBins);
    double top = int(quotient) * w0;
    for (int steps = 0; top < maximum && steps < 100; ++steps)
        top += w0;
    maximum = top;
    double bottom = maximum;
    for (int steps = 0; bottom > minimum && steps < 100; ++steps)
        bottom -= w0;
    minimum = bottom;

    if (manualRange) {
        const double maxRead = ReadNumber(c.kukanMaxValue, fmt).value_or(0.0);
        const double minRead = ReadNumber(c.kukanMinValue, fmt).value_or(maxRead);
        maximum = checkedFinite(maxRead * st.mag);
        minimum = checkedFinite(minRead * st.mag);
        sink.SetBinAxisMinimum(-1e10);
        sink.SetBinAxisMaximum(maximum);
        sink.SetBinAxisMinimum(minimum);
    }

    double w;
    int bins;
    if (st.MBunkatuFlag) {
        bins = st.bunkatu;
        w = checkedFinite(maximum - minimum) / bins;
    } else {
        w = w0;
        const double derived = std::trunc(checkedFinite(maximum - minimum) / w);
        if (!(derived >= 0.0 && derived <= MaxBins))
            throw Error(kTooManyBins);
        bins = int(derived);
    }
    st.bunkatu = bins;
    sink.SetKukanValueText(FixedText(w, 2, 0, fmt));

    // 13. Count and draw column by column.
    std::vector<double> positions(size_t(bins) + 1);
    for (int j = 0; j <= bins; ++j)
        positions[size_t(j)] = minimum + j * w;
    if (w == 0.0 && columnCount > 0)
        throwDivision(st.serdata[0].front() - minimum);
    // The deviations need the means, so the first build of these columns takes them while counting, one
    // column to a processor; later builds only count, the rows shared out over the processors.
    std::vector<std::vector<int>> counts;
    if (cache.deviationsKnown) {
        std::vector<const Tdd *> columns;
        for (int q = 0; q < columnCount; ++q)
            columns.push_back(&st.serdata[size_t(q)]);
        counts = CountColumnsInBins(columns, minimum, w, bins);
    } else {
        counts.resize(size_t(columnCount));
        std::vector<double> squares(static_cast<size_t>(columnCount));
        eachColumn(columnCount, st.serdata, [&](int q) {
            const Tdd &column = st.serdata[size_t(q)];
            squares[size_t(q)] = CountBinsWithSquares(column.data(), column.size(), minimum, w, bins,
                                                      stats[size_t(q)].mean, counts[size_t(q)]);
        });
        for (int q = 0; q < columnCount; ++q) {
            ColumnStats &s = stats[size_t(q)];
            // The sample deviation; a single value deviates by nothing.
            s.stdDev = s.count > 1 ? std::sqrt(squares[size_t(q)] / double(s.count - 1)) : 0.0;
            cache.stats[size_t(q)].stdDev = s.stdDev;
        }
        cache.deviationsKnown = true;
    }
    for (int q = 0; q < columnCount; ++q) {
        if (q >= seriesCount)
            throw Error(ArgumentOutOfRangeMessage());
        sink.AddSeriesPoints(q, positions, counts[size_t(q)]);
    }

    // 14.
    if (!manualRange)
        sink.SetRangeTexts(FixedText(maximum, 2, 0, fmt), FixedText(minimum, 2, 0, fmt));

    // 15. A series without a column of this build says so instead of showing older numbers.
    for (int i = 0; i < seriesCount; ++i) {
        if (i >= columnCount) {
            sink.AddStatisticsLine(NoDataLine(titles[i]));
            continue;
        }
        const ColumnStats &s = stats[size_t(i)];
        // Values near the largest Double can sum or square beyond it.
        checkedFinite(s.mean);
        checkedFinite(s.stdDev);
        sink.AddStatisticsLine(StatisticsLine(titles[i], s, fmt));
    }

    // 17-18.
    st.ManualDivFlag = false;
    st.MBunkatuFlag = false;
    sink.SetStatusText(StatusText(st.mag, st.tani, fmt));
    st.last.minimum = minimum;
    st.last.width = w;
    st.last.bins = bins;
    st.last.mag = st.mag;
    st.last.stats = std::move(stats);
    st.last.counts = std::move(counts);
    st.last.complete = true;
    if (const qsizetype count = cache.nonNumbers.total())
        sink.SetNonNumberNote(NonNumberNote(count, fmt), NonNumberCellLines(cache.nonNumbers, titles, fmt));
}

} // namespace tf
