// The series and legend commands: they act on the series selected in SeriesCombo (none while the list
// is empty) and on the legend, and never rebuild.
#include "app/TForm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

#include "app/CheckEdit.h"
#include "app/RadioGroup.h"
#include "app/TitleComboBox.h"
#include "engine/Summary.h"

void TForm1::SeriesComboChange()
{
    const int i = SeriesCombo->currentIndex();
    if (i >= 0)
        SeriesName->setText(tf::ShownTitle(Chart1->chart().Series(i)->Title, SeriesName));
}

void TForm1::SeriesNameRightButtonClick()
{
    const int i = SeriesCombo->currentIndex();
    if (i < 0)
        return;
    const QString name = SeriesName->text();
    tf::TChart &chart = Chart1->chart();
    chart.Series(i)->Title = name;
    {
        const QSignalBlocker blocker(SeriesCombo);
        SeriesCombo->setItemText(i, tf::ShownTitle(name, SeriesCombo));
        SeriesCombo->setCurrentIndex(i);
    }
    ShowCapabilityLines();
    // A build that stopped early may have left a series without its statistics line.
    if (i >= chart.SubTitle.Text.Count() || i >= int(StatisticsNameFields.size()))
        return;
    chart.SubTitle.Text.Set(i, tf::RenamedStatisticsLine(chart.SubTitle.Text[i], StatisticsNameFields[size_t(i)], name));
    StatisticsNameFields[size_t(i)] = tf::NameFieldMinimum;
}

void TForm1::SeriesColorClick()
{
    if (!ExecuteColorDialog())
        return;
    const int i = SeriesCombo->currentIndex();
    if (i >= 0)
        Chart1->chart().Series(i)->SeriesColor = ColorDialog1Color;
}

void TForm1::LineVisibleCheckClick()
{
    const int i = SeriesCombo->currentIndex();
    if (i >= 0)
        Chart1->chart().Series(i)->Active = LineVisibleCheck->isChecked();
}

void TForm1::LegendPosGrpClick()
{
    static constexpr tf::TLegendAlignment ByItem[] = {tf::laRight, tf::laLeft, tf::laTop, tf::laBottom};
    const int item = LegendPosGrp->itemIndex();
    if (item >= 0 && item < int(std::size(ByItem)))
        Chart1->chart().Legend.Alignment = ByItem[item];
}
