// The three ways data arrive: the open dialog, the clipboard and a dropped file.
#include "app/TForm1.h"

#include <QClipboard>
#include <QGuiApplication>

#include "app/BinCountBox.h"
#include "intake/TextRules.h"

namespace {
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
    mag = 1.0;
    DataList = tf::ReadDataFile(path);
    BunkatuSize->setValue(10);
    BuildHistogram();
}

void TForm1::PasteBtnClick()
{
    DataList.clear();
    mag = 1.0;
    QString text = QGuiApplication::clipboard()->text();
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0)
        text.truncate(zero);
    DataList = tf::SplitLines(std::move(text));
    for (int i = Chart1->SeriesCount() - 1; i >= 0; --i)
        Chart1->DestroySeries(i);
    try {
        BuildHistogram();
    } catch (const std::exception &) {
        ReportDataError(this);
    }
}

void TForm1::WMDropFiles(const QString &path)
{
    DataList.clear();
    mag = 1.0;
    DataList = tf::ReadDataFile(path);
    try {
        BuildHistogram();
    } catch (const std::exception &) {
        ReportDataError(this);
    }
}
