// The three ways data arrive: a file chosen in the open dialog, the clipboard's text and a file
// dropped on the window. Each loads DataList, sets mag to 1.0 and rebuilds. A workbook file becomes
// the lines of one of its sheets; one that cannot be read leaves everything as it was.
#include "app/TForm1.h"

#include <QClipboard>
#include <QGuiApplication>

#include <cerrno>
#include <new>

#include "app/BinCountBox.h"
#include "app/BusyIndicator.h"
#include "app/WorkbookOpen.h"
#include "engine/NumberText.h"
#include "intake/TextRules.h"

namespace {

// Paste and drop tell the user only that the data did not make a histogram; the build's own
// message is not shown.
void ReportDataError(QWidget *owner)
{
    tf::ShowMessageBox(owner, QStringLiteral("エラーが発生しました データを確認してください"), QStringLiteral("情報"),
                       QMessageBox::Critical);
}

} // namespace

void TForm1::OpenBtnClick()
{
    const QString path = ExecuteFileOpenDialog();
    if (path.isEmpty())
        return;
    const tf::WorkbookFormat format = tf::WorkbookFormatOf(path);
    std::optional<tf::LineList> sheet;
    if (format != tf::WorkbookFormat::None && !(sheet = ReadWorkbookLines(path, format)))
        return;
    const tf::BusyScope busy(Busy, StatusBar1, Chart1);
    mag = 1.0;
    // Read fully before assigning: a file that cannot be read, or whose table would not fit in the
    // memory left, leaves the previous data in place.
    tf::LineList lines = sheet ? std::move(*sheet) : tf::ReadDataFile(path, [this](double f) { ReportReading(f); });
    tf::RequireRoomToBuild(path, lines, serdata);
    DataList = std::move(lines);

    // A changed text runs the bin-count command at once: a build with the count fixed at 10.
    bool countCommandRan = false;
    const QMetaObject::Connection watch = connect(BunkatuSize, &tf::BinCountBox::shownTextChanged, this,
                                                  [&countCommandRan] { countCommandRan = true; });
    BunkatuSize->setValue(10);
    disconnect(watch);
    // That build clears the one-shot flag it set when it completes. Still set means it stopped
    // with an error that has been reported already; the build below would stop the same way and
    // report it a second time. (With fewer than two lines neither build changes anything.)
    if (countCommandRan && MBunkatuFlag)
        return;
    try {
        BuildHistogram();
    } catch (const std::bad_alloc &) {
        throw tf::CannotOpenError(path, ENOMEM); // a file too large for the memory left
    }
}

void TForm1::PasteBtnClick()
{
    const tf::BusyScope busy(Busy, StatusBar1, Chart1);
    DataList.clear();
    mag = 1.0;
    QString text = QGuiApplication::clipboard()->text();
    // Clipboard text ends at its first zero character, as the platform's text format does.
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0)
        text.truncate(zero);
    DataList = tf::SplitLines(std::move(text));
    tf::TChart &chart = Chart1->chart();
    for (int i = chart.SeriesCount() - 1; i >= 0; --i)
        chart.DestroySeries(i);
    try {
        BuildHistogram();
    } catch (const std::exception &) {
        ReportDataError(this);
    }
}

void TForm1::WMDropFiles(const QString &path)
{
    const tf::WorkbookFormat format = tf::WorkbookFormatOf(path);
    std::optional<tf::LineList> sheet;
    if (format != tf::WorkbookFormat::None && !(sheet = ReadWorkbookLines(path, format)))
        return;
    const tf::BusyScope busy(Busy, StatusBar1, Chart1);
    DataList.clear();
    mag = 1.0;
    // A file that cannot be read, or too large for the memory left, goes to the general error report;
    // DataList stays empty.
    tf::LineList lines = sheet ? std::move(*sheet) : tf::ReadDataFile(path, [this](double f) { ReportReading(f); });
    tf::RequireRoomToBuild(path, lines, serdata);
    DataList = std::move(lines);
    try {
        BuildHistogram();
    } catch (const std::exception &) {
        ReportDataError(this);
    }
}

std::optional<tf::LineList> TForm1::ReadWorkbookLines(const QString &path, tf::WorkbookFormat format)
{
    const auto waiting = [this] { ReportReading(-1); }; // how far liborcus is, nobody can tell
    std::optional<tf::Workbook> book;
    {
        const tf::BusyScope busy(Busy, StatusBar1, Chart1);
        book = tf::RunAside([&] { return tf::ReadWorkbookFile(path, format); }, waiting);
    }
    int sheet = 0;
    if (book->sheets.size() > 1 && (sheet = ExecuteSheetChooser(path, book->sheetNames())) < 0)
        return std::nullopt;
    const tf::BusyScope busy(Busy, StatusBar1, Chart1);
    const char16_t decimal = tf::NumberFormat::system().decimal;
    return tf::RunAside([&] { return tf::WorkbookSheetLines(path, *book, sheet, decimal); }, waiting);
}
