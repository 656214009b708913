// Image export: the chart as shown, to the clipboard or to a file, as a metafile or a bitmap; and, from
// the chart's right-click menu, as SVG, PDF or PNG. The rendering is the chart library's; these handlers
// take the size the chart has on screen now, name the file and hand the bytes over.
#include "app/ExportTargets.h"
#include "app/TForm1.h"

#include "export/Export.h"

#include <QMenu>
#include <QMimeData>
#include <QScreen>

namespace {

// The image area: the chart's client rectangle at this moment.
QSize ImageArea(const tf::ChartView *chart)
{
    return chart->size().expandedTo(QSize(1, 1));
}

// The metafile is recorded for the screen the chart is on.
tf::EmfReference ScreenOf(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    if (!screen)
        return tf::EmfReference::at96Dpi();
    return tf::EmfReference{screen->size(), screen->physicalSize()};
}

} // namespace

void TForm1::CopyEMFBtnClick()
{
    const QSize size = ImageArea(Chart1);
    const QByteArray emf = tf::ExportEmf(Chart1->chart(), size, ScreenOf(Chart1));
    auto *data = new QMimeData;
    // First the flavour LibreOffice reads metafiles from; it reads none under the image/ names.
    data->setData(QStringLiteral("application/x-openoffice-emf;windows_formatname=\"Image EMF\""), emf);
    data->setData(QStringLiteral("image/emf"), emf);
    data->setData(QStringLiteral("image/x-emf"), emf);
    // Programs here that read no metafile (Inkscape) take the same chart as SVG. No PNG: Writer prefers
    // any PNG offered to a metafile and would paste a bitmap; the bitmap copy offers one.
    data->setData(QStringLiteral("image/svg+xml"), tf::ExportSvg(Chart1->chart(), size));
    tf::PlaceOnClipboard(data);
}

void TForm1::CopyBmpBtnClick()
{
    auto *data = new QMimeData;
    data->setImageData(tf::ExportImage(Chart1->chart(), ImageArea(Chart1)));
    tf::PlaceOnClipboard(data);
}

bool TForm1::ExecuteSavePictureDialog(const QString &filter, const QString &defaultExt)
{
    SavePictureDialog1.Filter = filter;
    SavePictureDialog1.DefaultExt = defaultExt;
    SavePictureDialog1.FilterIndex = 1;
    return SavePictureDialog1.Execute(this);
}

void TForm1::SaveEMFBtnClick()
{
    if (!ExecuteSavePictureDialog(QStringLiteral("EMF(*.emf)"), QStringLiteral("EMF")))
        return;
    const QByteArray emf = tf::ExportEmf(Chart1->chart(), ImageArea(Chart1), ScreenOf(Chart1));
    tf::WriteExportFile(SavePictureDialog1.FileName, emf);
}

void TForm1::SaveBmpBtnClick()
{
    if (!ExecuteSavePictureDialog(QStringLiteral("BMP(*.bmp)"), QStringLiteral("BMP")))
        return;
    const QByteArray bmp = tf::ExportBmp(Chart1->chart(), ImageArea(Chart1));
    tf::WriteExportFile(SavePictureDialog1.FileName, bmp);
}

void TForm1::SaveSvgMenuClick()
{
    if (!ExecuteSavePictureDialog(QStringLiteral("SVG(*.svg)"), QStringLiteral("svg")))
        return;
    tf::WriteExportFile(SavePictureDialog1.FileName, tf::ExportSvg(Chart1->chart(), ImageArea(Chart1)));
}

void TForm1::SavePdfMenuClick()
{
    if (!ExecuteSavePictureDialog(QStringLiteral("PDF(*.pdf)"), QStringLiteral("pdf")))
        return;
    tf::WriteExportFile(SavePictureDialog1.FileName, tf::ExportPdf(Chart1->chart(), ImageArea(Chart1)));
}

void TForm1::SavePngMenuClick()
{
    if (!ExecuteSavePictureDialog(QStringLiteral("PNG 画面の大きさ(*.png);;PNG 2倍の大きさ(*.png)"), QStringLiteral("png")))
        return;
    const int scale = SavePictureDialog1.FilterIndex == 2 ? 2 : 1;
    tf::WriteExportFile(SavePictureDialog1.FileName, tf::ExportPng(Chart1->chart(), ImageArea(Chart1), scale));
}

void TForm1::CreateChartMenu()
{
    ChartMenu = new QMenu(Chart1);
    ChartMenu->setObjectName(QStringLiteral("ChartMenu"));
    auto add = [this](const QString &text, void (TForm1::*handler)()) {
        QAction *action = ChartMenu->addAction(text);
        connect(action, &QAction::triggered, this, [this, handler] { Command([this, handler] { (this->*handler)(); }); });
    };
    add(QStringLiteral("SVGで保存…"), &TForm1::SaveSvgMenuClick);
    add(QStringLiteral("PDFで保存…"), &TForm1::SavePdfMenuClick);
    add(QStringLiteral("PNGで保存…"), &TForm1::SavePngMenuClick);
    ChartMenu->addSeparator();
    add(QStringLiteral("度数分布表をコピー"), &TForm1::CopyFrequencyTableMenuClick);
    Chart1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Chart1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { ChartMenu->popup(Chart1->mapToGlobal(pos)); });
}
