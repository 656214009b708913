// The tolerance commands: limits and target typed in the chart's units and kept as data values, the
// normal curves and the capability lines; and the frequency table for a spreadsheet. None of them
// rebuilds, so bins and counts stay as the last build made them.
#include "app/TForm1.h"

#include <QCheckBox>
#include <QMimeData>

#include <cmath>

#include "app/CheckEdit.h"
#include "app/ExportTargets.h"
#include "engine/FrequencyTable.h"
#include "engine/Summary.h"

double TForm1::ShownMag() const
{
    return State.last.complete ? State.last.mag : mag;
}

void TForm1::SetToleranceValue(const tf::CheckEdit *edit, std::optional<double> tf::ToleranceLimits::*value)
{
    tf::ToleranceLimits next = ToleranceLimits;
    if (edit->text().trimmed().isEmpty()) {
        next.*value = std::nullopt;
    } else {
        const double shown = CheckEditNumber(edit);
        const double data = shown / ShownMag();
        if (!std::isfinite(data))
            throw tf::Error(QStringLiteral("倍率が0のため規格値を設定できません"));
        next.*value = data;
    }
    if (const QString problem = tf::ToleranceLimitsProblem(next); !problem.isEmpty())
        throw tf::Error(problem);
    ToleranceLimits = next;
    ToleranceEditsMag = ShownMag();
    ApplyToleranceLimits();
}

void TForm1::ToleranceLowerValueRightButtonClick()
{
    SetToleranceValue(ToleranceLowerValue, &tf::ToleranceLimits::lower);
}

void TForm1::ToleranceUpperValueRightButtonClick()
{
    SetToleranceValue(ToleranceUpperValue, &tf::ToleranceLimits::upper);
}

void TForm1::ToleranceTargetValueRightButtonClick()
{
    SetToleranceValue(ToleranceTargetValue, &tf::ToleranceLimits::target);
}

void TForm1::NormalCurveCheckClick()
{
    ApplyToleranceLimits();
}

void TForm1::CapabilityCheckClick()
{
    ApplyToleranceLimits();
}

void TForm1::ApplyToleranceLimits()
{
    tf::TChart &chart = Chart1->chart();
    const tf::BuildOutcome &last = State.last;
    const double shownMag = ShownMag();
    // A rebuild with another magnification shows the same data values in the new units.
    if (shownMag != ToleranceEditsMag) {
        const auto rewrite = [shownMag](tf::CheckEdit *edit, const std::optional<double> &v) {
            if (v)
                edit->setText(tf::RoundedValueText(*v * shownMag, tf::NumberFormat::system()));
        };
        rewrite(ToleranceLowerValue, ToleranceLimits.lower);
        rewrite(ToleranceUpperValue, ToleranceLimits.upper);
        rewrite(ToleranceTargetValue, ToleranceLimits.target);
        ToleranceEditsMag = shownMag;
    }
    const tf::ToleranceLimits shown = tf::ScaledLimits(ToleranceLimits, shownMag);
    chart.Capability.LowerLimit = shown.lower;
    chart.Capability.UpperLimit = shown.upper;
    chart.Capability.Target = shown.target;
    const bool curves = NormalCurveCheck->isChecked();
    chart.Capability.NormalCurves = curves;
    Capabilities.clear();
    if (last.complete) {
        for (size_t q = 0; q < last.stats.size() && int(q) < chart.SeriesCount(); ++q) {
            const tf::ColumnStats &s = last.stats[q];
            chart.Series(int(q))->NormalFit =
                curves ? std::optional(tf::TNormalFit{double(s.count), s.mean, s.stdDev, last.width}) : std::nullopt;
        }
        if (CapabilityCheck->isChecked())
            Capabilities = tf::ColumnCapabilities(serdata.data(), last.stats, shown);
    }
    ShowCapabilityLines();
}

void TForm1::ShowCapabilityLines()
{
    tf::TChart &chart = Chart1->chart();
    QStringList lines;
    if (!Capabilities.empty()) {
        for (int i = 0; i < chart.SeriesCount(); ++i) {
            const tf::Capability c = size_t(i) < Capabilities.size() ? Capabilities[size_t(i)] : tf::Capability{};
            lines += tf::CapabilityLine(chart.Series(i)->Title, c, tf::NumberFormat::system());
        }
    }
    chart.Capability.Lines = lines;
}

void TForm1::CopyFrequencyTableMenuClick()
{
    const tf::BuildOutcome &last = State.last;
    if (!last.complete)
        throw tf::Error(QStringLiteral("度数分布表にするヒストグラムがありません"));
    tf::BinnedColumns binned{last.minimum, last.width, last.bins, {}, last.counts};
    for (size_t q = 0; q < last.counts.size(); ++q)
        binned.columns.push_back(&serdata[q]);
    QStringList titles;
    for (int i = 0; i < Chart1->chart().SeriesCount(); ++i)
        titles += Chart1->chart().Series(i)->Title.get();
    auto *data = new QMimeData;
    data->setText(tf::FrequencyTableText(binned, titles, tf::NumberFormat::system()));
    tf::PlaceOnClipboard(data);
}
