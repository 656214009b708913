// Commands whose controls are already in place but whose work belongs to the appearance, series, export,
// style and settings code. Each body here is an empty stand-in until that code takes it over.
#include "app/TForm1.h"

#include <QComboBox>
#include <QSignalBlocker>

void TForm1::TitleEditBtnRightButtonClick() {}
void TForm1::TitleFontBtnClick() {}
void TForm1::SuBTitleFontBtnClick() {}
void TForm1::ChartTitleAlignmentClick() {}
void TForm1::XAxisEditRightButtonClick() {}
void TForm1::YAxisEditRightButtonClick() {}
void TForm1::AxisFontClick() {}
void TForm1::ChartColorClick() {}
void TForm1::WallColorClick() {}
void TForm1::WallPictureBtnClick() {}
void TForm1::ChartShadowClick() {}
void TForm1::BorderCheckClick() {}

void TForm1::SeriesComboChange() {}
void TForm1::SeriesNameRightButtonClick() {}
void TForm1::SeriesColorClick() {}
void TForm1::LineVisibleCheckClick() {}
void TForm1::LegendPosGrpClick() {}

void TForm1::StyleSelecterChange() {}
void TForm1::ScaleComboBoxChange() {}

// First start: the zoom box shows its first step.
void TForm1::LoadSettings()
{
    const QSignalBlocker blocker(ScaleComboBox);
    ScaleComboBox->setCurrentIndex(0);
}

void TForm1::SaveSettings() {}
