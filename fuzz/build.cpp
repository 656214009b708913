// Text and the build controls, both from the input bytes, through a whole BuildHistogram. Every build
// either completes with consistent bins or stops with a tf::Error; a second build on the same state, with
// its caches warm, must record exactly what the same build records on a copy whose caches are cold.
#include "FuzzSupport.h"

#include "engine/Build.h"
#include "engine/Error.h"
#include "intake/TextRules.h"

#include <cmath>
#include <iterator>

namespace {

// Writes down every call with exact values; its bin axis refuses a minimum above its maximum and
// the reverse, as the chart's axis does.
class RecordingSink : public tf::BuildSink {
public:
    QStringList calls;
    double axisMin = 0, axisMax = 0;
    std::vector<std::pair<int, std::vector<int>>> points; // series and counts of each AddSeriesPoints

    void ClearForBuild(bool manualRange, bool horizontal) override
    {
        calls << QStringLiteral("Clear %1 %2").arg(manualRange).arg(horizontal);
    }
    void CreateSeries(int count, bool horizontal) override
    {
        calls << QStringLiteral("Create %1 %2").arg(count).arg(horizontal);
        seriesCount = count;
    }
    void SetSeriesTitles(const QStringList &titles) override { calls << "Titles " + titles.join(u'\x1f'); }
    void SetBinAxisMinimum(double v) override
    {
        calls << "AxisMin " + fuzz::Exact(v);
        if (v > axisMax)
            throw tf::Error(QStringLiteral("Axis Minimum Value must be <= Maximum"));
        axisMin = v;
    }
    void SetBinAxisMaximum(double v) override
    {
        calls << "AxisMax " + fuzz::Exact(v);
        if (v < axisMin)
            throw tf::Error(QStringLiteral("Axis Maximum Value must be >= Minimum"));
        axisMax = v;
    }
    void SetKukanValueText(const QString &text) override { calls << "KukanValue " + text; }
    void AddSeriesPoints(int series, const std::vector<double> &positions, const std::vector<int> &counts) override
    {
        FUZZ_CHECK(series >= 0 && series < seriesCount, QStringLiteral("points for series %1 of %2").arg(series).arg(seriesCount));
        FUZZ_CHECK(positions.size() == counts.size() && !counts.empty() && counts.size() <= 101,
                   QStringLiteral("%1 positions, %2 counts").arg(positions.size()).arg(counts.size()));
        QString line = QStringLiteral("Points %1").arg(series);
        for (size_t j = 0; j < counts.size(); ++j) {
            FUZZ_CHECK(std::isfinite(positions[j]) && counts[j] >= 0,
                       QStringLiteral("bin %1 at %2 counts %3").arg(j).arg(positions[j]).arg(counts[j]));
            line += QStringLiteral(" %1:%2").arg(fuzz::Exact(positions[j])).arg(counts[j]);
        }
        calls << line;
        points.emplace_back(series, counts);
    }
    void SetRangeTexts(const QString &maxText, const QString &minText) override
    {
        calls << "Range " + maxText + " " + minText;
    }
    void AddStatisticsLine(const QString &line) override { calls << "Stat " + line; }
    void SetStatusText(const QString &text) override { calls << "Status " + text; }
    void SetNonNumberNote(const QString &note, const QStringList &cells) override
    {
        calls << "Note " + note + u'\x1f' + cells.join(u'\x1f');
    }

private:
    int seriesCount = 0;
};

struct Outcome {
    QStringList calls;
    QString error;
};

// Titles, statistics lines and the note hold a cell's text once at most, cut to what can be shown, and
// a fixed text per series: their length follows the input's, whatever its shape.
void CheckTextsPerInputByte(const QStringList &calls, qsizetype inputBytes)
{
    qsizetype texts = 0;
    for (const QString &call : calls) {
        if (call.startsWith(QLatin1String("Titles ")) || call.startsWith(QLatin1String("Stat "))
            || call.startsWith(QLatin1String("Note "))) {
            texts += call.size();
            FUZZ_CHECK(call.size() <= tf::LongestShownCell * (tf::NonNumberCells::CellsKept + 1) + 4096,
                       QStringLiteral("a call of %1 units").arg(call.size()));
        }
    }
    FUZZ_CHECK(texts <= 100 * inputBytes + 4096,
               QStringLiteral("%1 units of titles, lines and notes from %2 bytes").arg(texts).arg(inputBytes));
}

Outcome Run(tf::EngineState &st, const tf::BuildControls &c, RecordingSink &sink, const tf::NumberFormat &fmt,
            qsizetype inputBytes)
{
    const qsizetype before = sink.calls.size();
    Outcome out;
    try {
        tf::BuildHistogram(st, c, sink, fmt);
    } catch (const tf::Error &e) {
        out.error = e.message();
    }
    out.calls = sink.calls.mid(before);
    CheckTextsPerInputByte(out.calls, inputBytes);
    if (out.error.isEmpty() && !out.calls.isEmpty()) {
        FUZZ_CHECK(!st.ManualDivFlag && !st.MBunkatuFlag, QStringLiteral("a completed build left a one-shot flag set"));
        FUZZ_CHECK(st.bunkatu >= 0 && st.bunkatu <= 100, QStringLiteral("bunkatu %1").arg(st.bunkatu));
        for (const auto &[series, counts] : sink.points) {
            long long total = 0;
            for (int n : counts)
                total += n;
            FUZZ_CHECK(series >= tf::MaxColumns || total <= qsizetype(st.serdata[size_t(series)].size()),
                       QStringLiteral("series %1 counts %2 values of %3").arg(series).arg(total).arg(st.serdata[size_t(series)].size()));
        }
    }
    sink.points.clear();
    return out;
}

QString StateText(const tf::EngineState &st)
{
    QString s = QStringLiteral("mag %1 tani %2 bunkatu %3 flags %4%5 lines %6\n")
                    .arg(fuzz::Exact(st.mag), st.tani)
                    .arg(st.bunkatu)
                    .arg(st.ManualDivFlag)
                    .arg(st.MBunkatuFlag)
                    .arg(st.DataList.size());
    for (size_t q = 0; q < st.serdata.size(); ++q) {
        s += QStringLiteral("serdata %1:").arg(q);
        for (double v : st.serdata[q])
            s += u' ' + fuzz::Exact(v);
        s += u'\n';
    }
    return s;
}

// Magnifications the user can type: ordinary prefixes, zero, negatives and the ends of the Double range.
constexpr double kMags[] = {1.0, 1e3, 1e-3, 1e-12, 0.0, -1.0, -1e6, 1e300, 1e-300, 1.7976931348623157e308, 4.9e-324, 3.0};
// Bin-axis ranges left by an earlier drawing.
constexpr double kAxisMax[] = {0.0, 1.0, 100.0, -5.0, 1e308};

tf::BuildControls Controls(fuzz::Input &in, bool withTexts, const tf::BuildControls &earlier)
{
    tf::BuildControls c = earlier;
    const std::uint8_t flags = in.byte();
    c.kukanManualSize = flags & 1;
    c.horizontal = flags & 2;
    c.bunkatuSize = in.inRange(2, 100);
    if (withTexts) {
        c.kukanValue = in.field();
        c.kukanMaxValue = in.field();
        c.kukanMinValue = in.field();
    }
    return c;
}

// What the setting commands leave for the next build: the one-shot flags and a magnification.
void SetOneShots(std::uint8_t flags, tf::EngineState &st)
{
    st.ManualDivFlag = flags & 1;
    st.MBunkatuFlag = flags & 2;
    if (flags & 4)
        st.mag = kMags[(flags >> 3) % std::size(kMags)];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    const std::uint8_t head = in.byte();
    const tf::NumberFormat fmt{(head & 1) ? u',' : u'.', (head & 1) ? u'.' : u','};
    RecordingSink sink;
    sink.axisMax = in.pick(kAxisMax);

    const tf::BuildControls first = Controls(in, true, {});
    const tf::BuildControls second = Controls(in, (head & 2) != 0, first);
    const std::uint8_t firstFlags = in.byte();
    const std::uint8_t secondFlags = in.byte();
    tf::EngineState st;
    try {
        st.DataList = tf::SplitLines(tf::DecodeFileText(in.rest(), QByteArrayLiteral("CP932")));
    } catch (const tf::Error &) {
        return 0; // bytes behind a UTF-8 mark that are not UTF-8: no lines to build from
    }
    SetOneShots(firstFlags & 3, st); // a data source sets mag to 1.0 before its build
    Run(st, first, sink, fmt, qsizetype(size));

    // The second build as a setting command starts it.
    SetOneShots(secondFlags, st);
    tf::EngineState cold = st;
    cold.tableCache = tf::TableCacheSlot{};
    RecordingSink coldSink;
    coldSink.axisMin = sink.axisMin;
    coldSink.axisMax = sink.axisMax;

    const Outcome warm = Run(st, second, sink, fmt, qsizetype(size));
    const Outcome fresh = Run(cold, second, coldSink, fmt, qsizetype(size));
    FUZZ_CHECK(warm.error == fresh.error, QStringLiteral("warm: \"%1\"\ncold: \"%2\"").arg(warm.error, fresh.error));
    FUZZ_CHECK(warm.calls == fresh.calls,
               QStringLiteral("warm:\n%1\ncold:\n%2").arg(warm.calls.join(u'\n'), fresh.calls.join(u'\n')));
    const QString warmState = StateText(st), coldState = StateText(cold);
    FUZZ_CHECK(warmState == coldState, QStringLiteral("warm:\n%1\ncold:\n%2").arg(warmState, coldState));
    return 0;
}
