// The build in the window: the engine runs the steps and this sink applies each one to the chart and
// the controls at once, so a build that stops leaves exactly what its finished steps did.
#include "app/TForm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <algorithm>

#include "app/BinCountBox.h"
#include "app/BusyIndicator.h"
#include "app/CheckEdit.h"
#include "app/TitleComboBox.h"
#include "chart/Histogram.h"
#include "engine/Summary.h"

class TForm1::WindowSink final : public tf::BuildSink {
public:
    explicit WindowSink(TForm1 &form) : f(form) {}

    void ClearForBuild(bool manualRange, bool horizontal) override
    {
        tf::TChart &chart = f.Chart1->chart();
        for (int i = chart.SeriesCount() - 1; i >= 0; --i)
            chart.DestroySeries(i);
        chart.RemoveAllSeries();
        {
            // Emptying the list is no choice of the user's: the series command must not run.
            const QSignalBlocker blocker(f.SeriesCombo);
            f.SeriesCombo->clear();
        }
        chart.SubTitle.Text.Clear();
        chart.Capability.Lines.Clear();
        f.Capabilities.clear();
        f.StatisticsNameFields.clear();
        chart.LeftAxis.Automatic = true;
        chart.BottomAxis.Automatic = true;
        if (manualRange)
            tf::BinAxis(chart, horizontal).Automatic = false;
        m_horizontal = horizontal;
        f.SetNonNumberNote(QString(), QStringList());
    }

    void CreateSeries(int count, bool horizontal) override
    {
        for (int i = 0; i < count; ++i)
            tf::AddHistogramSeries(f.Chart1->chart(), horizontal);
    }

    void SetSeriesTitles(const QStringList &titles) override
    {
        const QSignalBlocker blocker(f.SeriesCombo);
        for (int i = 0; i < titles.size(); ++i) {
            f.Chart1->chart().Series(i)->Title = titles[i];
            f.StatisticsNameFields.push_back(tf::NameFieldWidth(titles[i]));
            f.SeriesCombo->addItem(tf::ShownTitle(titles[i], f.SeriesCombo));
        }
        if (f.SeriesCombo->count() > 0)
            f.SeriesCombo->setCurrentIndex(0);
    }

    void SetBinAxisMinimum(double v) override { tf::BinAxis(f.Chart1->chart(), m_horizontal).Minimum = v; }
    void SetBinAxisMaximum(double v) override { tf::BinAxis(f.Chart1->chart(), m_horizontal).Maximum = v; }
    void SetKukanValueText(const QString &text) override { f.KukanValue->setText(text); }

    void AddSeriesPoints(int series, const std::vector<double> &positions, const std::vector<int> &counts) override
    {
        tf::TChartSeries &s = *f.Chart1->chart().Series(series);
        for (size_t j = 0; j < positions.size(); ++j)
            tf::AddBin(s, positions[j], counts[j]);
    }

    void SetRangeTexts(const QString &maxText, const QString &minText) override
    {
        f.KukanMaxValue->setText(maxText);
        f.KukanMinValue->setText(minText);
    }

    void AddStatisticsLine(const QString &line) override { f.Chart1->chart().SubTitle.Text.Add(line); }
    void SetStatusText(const QString &text) override { f.SetStatusText(text); }
    void SetNonNumberNote(const QString &note, const QStringList &cells) override { f.SetNonNumberNote(note, cells); }
    void ReadProgress(double fraction) override { f.ReportBuilding(fraction); }

private:
    TForm1 &f;
    bool m_horizontal = false;
};

tf::BuildControls TForm1::ReadBuildControls() const
{
    tf::BuildControls c;
    // While the user types, the box may show a value outside its limits; the build never sees one.
    c.bunkatuSize = std::clamp(BunkatuSize->textValue(), BunkatuSize->minimum(), BunkatuSize->maximum());
    c.kukanManualSize = KukanManualSize->isChecked();
    c.horizontal = HorizontalCheck->isChecked();
    c.kukanValue = KukanValue->text();
    c.kukanMaxValue = KukanMaxValue->text();
    c.kukanMinValue = KukanMinValue->text();
    return c;
}

void TForm1::BuildHistogram()
{
    const tf::BusyScope busy(Busy, StatusBar1, Chart1);
    WindowSink sink(*this);
    tf::BuildHistogram(State, ReadBuildControls(), sink, tf::NumberFormat::system());
    ApplyToleranceLimits();
}
