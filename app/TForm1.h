#pragma once
// The main window: tool bar, chart, splitter, four tab pages of commands and a status line. It owns
// every control, the chart and the engine state, and every command is one of its handlers.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/ChartView.h"
#include "app/SavePictureDialog.h"
#include "app/ErrorReport.h"
#include "app/FontDialog.h"
#include "app/FixedListComboBox.h"
#include "app/PageControl.h"
#include "engine/Build.h"
#include "engine/Capability.h"
#include "intake/Workbook.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QWidget;

namespace tf {
class BinCountBox;
class BusyIndicator;
class TExIniFile;
class TWindowScaler;
class CheckEdit;
class RadioGroup;
} // namespace tf

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Engine state. The names are references into State so the handlers read like the rest of the program.
    tf::EngineState State;
    tf::LineList &DataList = State.DataList;
    double &mag = State.mag;
    QString &tani = State.tani;
    int &bunkatu = State.bunkatu;
    std::array<tf::Tdd, tf::MaxColumns> &serdata = State.serdata;
    bool &ManualDivFlag = State.ManualDivFlag;
    bool &MBunkatuFlag = State.MBunkatuFlag;

    // Controls, by their design names.
    QToolBar *ToolBar1;
    QToolButton *OpenBtn, *PasteBtn, *CopyEMFBtn, *SaveEMFBtn, *CopyBmpBtn, *SaveBmpBtn;
    QStatusBar *StatusBar1;
    QLabel *StatusBar1Text; // the status bar's one simple text
    // At the status bar's right end: how many data cells of the last build were not numbers, the
    // first of them in its tooltip. Hidden after a build without such cells or one that stopped.
    QLabel *NonNumberNote;
    QSplitter *Splitter1;
    tf::ChartView *Chart1;
    tf::PageControl *PageControl1;

    QWidget *TabSheet1;
    tf::CheckEdit *TitleEditBtn;
    QPushButton *TitleFontBtn, *SuBTitleFontBtn;
    tf::RadioGroup *ChartTitleAlignment;
    tf::CheckEdit *XAxisEdit, *YAxisEdit;
    QPushButton *AxisFont, *ChartColor, *WallColor, *WallPictureBtn;
    QCheckBox *ChartShadow, *BorderCheck, *HorizontalCheck, *StatisticsCheck;

    QWidget *TabSheet2;
    QComboBox *SeriesCombo;
    tf::CheckEdit *SeriesName;
    QPushButton *SeriesColor;
    QCheckBox *LineVisibleCheck;
    tf::RadioGroup *LegendPosGrp;

    QWidget *TabSheet3;
    QLabel *Label2;
    tf::BinCountBox *BunkatuSize;
    tf::CheckEdit *KukanValue;
    QCheckBox *KukanManualSize;
    tf::CheckEdit *KukanMaxValue, *KukanMinValue, *DosuMaxValue, *DosuTickValue, *KukanMagValue;
    // The tolerance limits on the same page: limits and target in the chart's units, the curves and the
    // capability lines.
    QLabel *ToleranceLabel;
    tf::CheckEdit *ToleranceLowerValue, *ToleranceUpperValue, *ToleranceTargetValue;
    QCheckBox *NormalCurveCheck, *CapabilityCheck;

    QWidget *TabSheet4;
    QFrame *Panel1;
    tf::FixedListComboBox *StyleSelecter;
    QLabel *Label3;
    tf::FixedListComboBox *ScaleComboBox;
    QLabel *Label1;
    QPlainTextEdit *Memo2;

    // The settings store: placement, zoom step and style, read at creation and written at close.
    tf::TExIniFile *IniFile;

    // Rescales the window, its controls, fonts and chart to a pixels-per-inch value (absolute steps).
    void ScaleForPPI(int NewPPI);
    int PixelsPerInch() const;

    // The file-open dialog; returns the confirmed path, or an empty text when cancelled. Tests replace
    // FileOpenDialogHook to answer without a dialog.
    std::function<QString()> FileOpenDialogHook;
    QString ExecuteFileOpenDialog();
    QString FileOpenDialogFileName; // last confirmed name, offered again next time
    // The sheet chooser of a workbook with several sheets: the index taken, or -1 when cancelled.
    // Tests replace SheetChooserHook, which sees the sheet names.
    std::function<int(const QStringList &)> SheetChooserHook;
    int ExecuteSheetChooser(const QString &path, const QStringList &sheets);

    // FontDialog1, shared by the three font commands: its font as last confirmed or pre-filled. Tests
    // replace FontDialogHook, which sees the pre-filled font, may change it, and answers confirmed or not.
    tf::FontChoice FontDialog1Font;
    std::function<bool(tf::FontChoice &)> FontDialogHook;
    bool ExecuteFontDialog();
    // ColorDialog1, shared by the three colour commands: it opens with the colour it last returned.
    tf::TColor ColorDialog1Color = tf::clBlack;
    std::function<bool(tf::TColor &)> ColorDialogHook;
    bool ExecuteColorDialog();
    // OpenPictureDialog1: the confirmed path, or an empty text when cancelled.
    std::function<QString()> OpenPictureDialogHook;
    QString ExecuteOpenPictureDialog();
    QString OpenPictureDialogFileName; // last confirmed name, offered again next time
    // Length of each statistics line's name field as the build or the last rename wrote it.
    std::vector<int> StatisticsNameFields;

    // The tolerance limits and target in data values (a typed number divided by the magnification then shown), kept
    // across builds until the user clears it; not part of the settings.
    tf::ToleranceLimits ToleranceLimits;
    // The capability of each column of the last completed build; empty without a limit.
    std::vector<tf::Capability> Capabilities;

    QString StatusText() const;
    void SetStatusText(const QString &text);
    void SetNonNumberNote(const QString &note, const QStringList &cells);

    // Runs a handler as a command: an error it raises goes to the general error report, and the chart's
    // accessible description is brought up to date afterwards.
    template <typename F>
    void Command(F &&handler);

    // Data sources.
    void OpenBtnClick();
    void PasteBtnClick();
    void WMDropFiles(const QString &path);

    // Histogram setting commands.
    void BunkatuSizeChange();
    void KukanValueRightButtonClick();
    void KukanManualSizeClick();
    void KukanMaxValueRightButtonClick();
    void KukanMinValueRightButtonClick();
    void DosuMaxValueRightButtonClick();
    void DosuTickValueRightButtonClick();
    void KukanMagValueRightButtonClick();
    void HorizontalCheckClick();
    void StatisticsCheckClick();

    // Tolerance-limit commands: they change the lines, curves and capability lines, never the bins.
    void ToleranceLowerValueRightButtonClick();
    void ToleranceUpperValueRightButtonClick();
    void ToleranceTargetValueRightButtonClick();
    void NormalCurveCheckClick();
    void CapabilityCheckClick();
    // The histogram as tab-separated text on the clipboard (the chart's right-click menu).
    void CopyFrequencyTableMenuClick();

    // Appearance commands.
    void TitleEditBtnRightButtonClick();
    void TitleFontBtnClick();
    void SuBTitleFontBtnClick();
    void ChartTitleAlignmentClick();
    void XAxisEditRightButtonClick();
    void YAxisEditRightButtonClick();
    void AxisFontClick();
    void ChartColorClick();
    void WallColorClick();
    void WallPictureBtnClick();
    void ChartShadowClick();
    void BorderCheckClick();

    // Series and legend commands.
    void SeriesComboChange();
    void SeriesNameRightButtonClick();
    void SeriesColorClick();
    void LineVisibleCheckClick();
    void LegendPosGrpClick();

    // Image export, and the chart's right-click menu of further formats.
    void CopyEMFBtnClick();
    void SaveEMFBtnClick();
    void CopyBmpBtnClick();
    void SaveBmpBtnClick();
    void SaveSvgMenuClick();
    void SavePdfMenuClick();
    void SavePngMenuClick();
    tf::SavePictureDialog SavePictureDialog1;
    QMenu *ChartMenu = nullptr;

    // Style and zoom.
    void StyleSelecterChange();
    void ScaleComboBoxChange();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    friend struct TForm1Probe; // lets tests run a build directly
    class WindowSink;

    // The progress bar of a long read or build, while one runs (see BusyIndicator).
    tf::BusyIndicator *Busy = nullptr;
    void ReportReading(double fraction);
    void ReportBuilding(double fraction);
    void LoadDroppedFile(const QString &path);
    // The lines of a workbook's sheet (chosen by the user when there are several), or none when the
    // choice was cancelled. Throws the open error when the file is no readable workbook.
    std::optional<tf::LineList> ReadWorkbookLines(const QString &path, tf::WorkbookFormat format);

    void FormCreate();
    void FormClose();
    void LoadSettings();
    void SaveSettings();
    void BuildHistogram();
    tf::BuildControls ReadBuildControls() const;
    // After a completed build or a tolerance-limit command: the capability figures, curves, lines and
    // texts of the chart, from the last build and ToleranceLimits.
    void ApplyToleranceLimits();
    // The capability lines from the figures and the series' current titles.
    void ShowCapabilityLines();
    // Sets one tolerance limit or the target from its edit (empty: none), refusing a text that is not a
    // number and limits and a target that do not hold together.
    void SetToleranceValue(const tf::CheckEdit *edit, std::optional<double> tf::ToleranceLimits::*value);
    // The magnification of the values the chart shows.
    double ShownMag() const;
    double ToleranceEditsMag = 1.0; // the magnification the edits' texts were written for
    // The axis that carries the bin positions, or the counts, for the current orientation.
    tf::TChartAxis &BinAxis();
    tf::TChartAxis &CountAxis();
    // Reads a check edit's text as a number; a text that is not one is reported and refused.
    double CheckEditNumber(const tf::CheckEdit *edit) const;

    std::unique_ptr<tf::TWindowScaler> Scaler;
    bool SettingsUnreadable = false; // the file could not be read at start: it is left as it is

    void CreateToolBar();
    void CreatePages();
    void WireCommands();
    void CreateChartMenu();
    // Sets the save dialog's filter and default extension, then shows it; true when a name was confirmed.
    bool ExecuteSavePictureDialog(const QString &filter, const QString &defaultExt);
    template <typename Sender, typename Signal>
    void Wire(Sender *sender, Signal signal, void (TForm1::*handler)());
};

template <typename F>
void TForm1::Command(F &&handler)
{
    tf::RunCommand(this, std::forward<F>(handler));
    Chart1->refreshDescription();
}
