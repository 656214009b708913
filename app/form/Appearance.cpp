// The appearance commands: title text, fonts and position, axis titles, outer and inner colours, the
// background picture, shadow and border. Each acts on the chart at once and never rebuilds.
#include "app/TForm1.h"

#include <QCheckBox>
#include <QColorDialog>

#include "app/BusyIndicator.h"
#include "app/CheckEdit.h"
#include "app/PictureDialog.h"
#include "app/RadioGroup.h"
#include "chart/ChartStyle.h"

namespace {

// Into the dialog: colour, face name, size. The style stays as the dialog was last left.
void CopyIntoFontDialog(const tf::TTeeFont &font, tf::FontChoice &dialog)
{
    dialog.Color = font.Color;
    dialog.Name = font.Name;
    dialog.Size = font.Size;
}

// Back from the dialog: face name, size, colour, style (the dialog's style replaces the font's).
void CopyFromFontDialog(const tf::FontChoice &dialog, tf::TTeeFont &font)
{
    font.Name = dialog.Name;
    font.Size = dialog.Size;
    font.Color = dialog.Color;
    font.Style = dialog.Style;
}

} // namespace

bool TForm1::ExecuteFontDialog()
{
    if (FontDialogHook)
        return FontDialogHook(FontDialog1Font);
    return tf::ExecuteFontDialog(this, FontDialog1Font);
}

bool TForm1::ExecuteColorDialog()
{
    if (ColorDialogHook)
        return ColorDialogHook(ColorDialog1Color);
    const QColor chosen = QColorDialog::getColor(tf::ChartColor(ColorDialog1Color), this);
    if (!chosen.isValid())
        return false;
    ColorDialog1Color = tf::RGBColor(chosen.red(), chosen.green(), chosen.blue());
    return true;
}

QString TForm1::ExecuteOpenPictureDialog()
{
    const QString path =
        OpenPictureDialogHook ? OpenPictureDialogHook() : tf::ExecuteOpenPictureDialog(this, OpenPictureDialogFileName);
    if (!path.isEmpty())
        OpenPictureDialogFileName = path;
    return path;
}

void TForm1::TitleEditBtnRightButtonClick()
{
    tf::TChart &chart = Chart1->chart();
    chart.Title.Text.Clear();
    chart.Title.Text.Add(TitleEditBtn->text());
}

void TForm1::TitleFontBtnClick()
{
    tf::TTeeFont &font = Chart1->chart().Title.Font;
    CopyIntoFontDialog(font, FontDialog1Font);
    if (ExecuteFontDialog())
        CopyFromFontDialog(FontDialog1Font, font);
}

void TForm1::SuBTitleFontBtnClick()
{
    tf::TTeeFont &font = Chart1->chart().SubTitle.Font;
    CopyIntoFontDialog(font, FontDialog1Font);
    if (ExecuteFontDialog())
        CopyFromFontDialog(FontDialog1Font, font);
}

void TForm1::ChartTitleAlignmentClick()
{
    static constexpr tf::TAlignment ByItem[] = {tf::taLeftJustify, tf::taCenter, tf::taRightJustify};
    const int item = ChartTitleAlignment->itemIndex();
    if (item >= 0 && item < int(std::size(ByItem)))
        Chart1->chart().Title.Alignment = ByItem[item];
}

void TForm1::XAxisEditRightButtonClick()
{
    Chart1->chart().BottomAxis.Title.Caption = XAxisEdit->text();
}

void TForm1::YAxisEditRightButtonClick()
{
    Chart1->chart().LeftAxis.Title.Caption = YAxisEdit->text();
}

void TForm1::AxisFontClick()
{
    tf::TChart &chart = Chart1->chart();
    FontDialog1Font.Color = chart.LeftAxis.Title.Font.Color;
    if (!ExecuteFontDialog())
        return;
    CopyFromFontDialog(FontDialog1Font, chart.LeftAxis.Title.Font);
    CopyFromFontDialog(FontDialog1Font, chart.BottomAxis.Title.Font);
}

void TForm1::ChartColorClick()
{
    if (ExecuteColorDialog())
        Chart1->chart().Color = ColorDialog1Color;
}

void TForm1::WallColorClick()
{
    if (!ExecuteColorDialog())
        return;
    tf::TChartBackWall &wall = Chart1->chart().BackWall;
    wall.Picture.Clear();
    wall.Color = ColorDialog1Color;
    wall.Transparent = false;
}

void TForm1::WallPictureBtnClick()
{
    const QString path = ExecuteOpenPictureDialog();
    if (path.isEmpty())
        return;
    tf::TChartBackWall &wall = Chart1->chart().BackWall;
    wall.Transparent = true;
    // The picture is decoded in a helper process; the window keeps painting while it waits, as for a file.
    const tf::BusyScope busy(Busy, StatusBar1, Chart1);
    wall.Picture.LoadFromFile(path, [this](double f) { ReportReading(f); });
}

void TForm1::ChartShadowClick()
{
    Chart1->chart().Shadow.Visible = ChartShadow->isChecked();
}

void TForm1::BorderCheckClick()
{
    Chart1->chart().Border.Visible = BorderCheck->isChecked();
}
