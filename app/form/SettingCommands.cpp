// Commands that change how the histogram is built or shown. Five feed the build and rebuild; the axis
// commands and the statistics switch change the chart in place.
#include "app/TForm1.h"

#include <QCheckBox>

#include "app/BinCountBox.h"
#include "app/CheckEdit.h"
#include "engine/NumberText.h"

double TForm1::CheckEditNumber(const tf::CheckEdit *edit) const
{
    const QString text = edit->text();
    const std::optional<double> value = tf::ReadNumber(text, tf::NumberFormat::system());
    // Refused before anything changes: no axis, magnification or flag is touched by a bad text.
    if (!value)
        throw tf::Error(QStringLiteral("「%1」は数値ではありません").arg(text));
    return *value;
}

void TForm1::BunkatuSizeChange()
{
    const int value = BunkatuSize->textValue();
    // Values typed on the way to another one (1 before 10, say) are held back until they are in range.
    if (value < BunkatuSize->minimum() || value > BunkatuSize->maximum())
        return;
    bunkatu = value;
    MBunkatuFlag = true;
    BuildHistogram();
}

void TForm1::KukanValueRightButtonClick()
{
    ManualDivFlag = true;
    BuildHistogram();
}

void TForm1::KukanManualSizeClick()
{
    const bool manual = KukanManualSize->isChecked();
    for (tf::CheckEdit *edit : {KukanMaxValue, KukanMinValue, KukanMagValue, DosuMaxValue, DosuTickValue})
        edit->setEnabled(manual);
    if (!manual)
        BuildHistogram();
}

namespace {
// The axis is switched to a fixed range first, freezing the range last shown, and only then gets the new
// value, which the chart may refuse.
void FixAxisAndSet(tf::TChartAxis &axis, tf::TProp<double> tf::TChartAxis::*property, double value)
{
    axis.Automatic = false;
    axis.*property = value;
}
} // namespace

void TForm1::KukanMaxValueRightButtonClick()
{
    const double v = CheckEditNumber(KukanMaxValue);
    FixAxisAndSet(BinAxis(), &tf::TChartAxis::Maximum, v);
}

void TForm1::KukanMinValueRightButtonClick()
{
    const double v = CheckEditNumber(KukanMinValue);
    FixAxisAndSet(BinAxis(), &tf::TChartAxis::Minimum, v);
}

void TForm1::DosuMaxValueRightButtonClick()
{
    const double v = CheckEditNumber(DosuMaxValue);
    FixAxisAndSet(CountAxis(), &tf::TChartAxis::Maximum, v);
}

void TForm1::DosuTickValueRightButtonClick()
{
    const double v = CheckEditNumber(DosuTickValue);
    FixAxisAndSet(CountAxis(), &tf::TChartAxis::Increment, v);
}

void TForm1::KukanMagValueRightButtonClick()
{
    mag = CheckEditNumber(KukanMagValue);
    BuildHistogram();
}

void TForm1::HorizontalCheckClick()
{
    BuildHistogram();
}

void TForm1::StatisticsCheckClick()
{
    Chart1->chart().SubTitle.Visible = StatisticsCheck->isChecked();
}
