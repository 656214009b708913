// The three data sources driven through the real window: the open button with its dialog answered
// by a stub, the paste button with text on the real clipboard, and drops as real drop events.
#include "tests/app/WindowFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>

#include <cerrno>
#include <cstring>

#include "app/BinCountBox.h"
#include "app/CheckEdit.h"
#include "engine/Memory.h"
#include "intake/TextRules.h"

namespace {

using tftest::cannotOpen;
using tftest::fixture;

const QString kDataErrorText = QStringLiteral("エラーが発生しました データを確認してください");

// The spreadsheet fixture's three columns, as a sheet's copied range reads.
const QStringList kSheetTitles = {QStringLiteral("長さ(mm)"), QStringLiteral("重さ 表示値"), QStringLiteral("ソース温度")};

class DataSourcesTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }

    QString WriteFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }

    void Open(const QString &path)
    {
        form->FileOpenDialogHook = [path] { return path; };
        form->OpenBtn->click();
    }

    void Paste(const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        form->PasteBtn->click();
    }

    // Sends a real drag-enter and drop of these files over a widget of the window (the window itself by
    // default), offered as file managers offer them: as file URLs and as plain text. Returns whether the
    // drop was taken; the events queued by the drop have run when it returns.
    bool Drop(const QStringList &paths, QWidget *over = nullptr)
    {
        QMimeData data;
        QList<QUrl> urls;
        QStringList text;
        for (const QString &p : paths) {
            urls << QUrl::fromLocalFile(p);
            text << urls.last().toString();
        }
        data.setUrls(urls);
        data.setText(text.join(u'\n'));
        QWidget *target = over ? over : form.get();
        const QPoint at(5, 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(false);
        QCoreApplication::sendEvent(target, &drop);
        QCoreApplication::processEvents();
        return drop.isAccepted();
    }

    // Everything a build shows, to compare the results of two loads.
    QString Shown()
    {
        return form->Chart1->describe() + u'\n' + ComboItems().join(u'|') + u'\n' + form->StatusText() + u'\n'
            + form->KukanValue->text() + u' ' + form->KukanMaxValue->text() + u' ' + form->KukanMinValue->text();
    }

    QStringList SeriesTitles()
    {
        QStringList titles;
        for (int i = 0; i < chart().SeriesCount(); ++i)
            titles << chart().Series(i)->Title.get();
        return titles;
    }

    // A chart from earlier data, painted, that a failed load must leave in place.
    void LoadEarlierData()
    {
        Paste(QStringLiteral("x\ty\r\n1\t2\r\n3\t4\r\n"));
        ASSERT_TRUE(boxes.empty());
        ASSERT_EQ(SeriesTitles(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
        Paint(); // the axis ranges as the screen shows them
    }

    QTemporaryDir dir;
};

// ---- open ------------------------------------------------------------------------------------

TEST_F(DataSourcesTest, OpenReadsEveryEncodingOfTheSameTableAlike)
{
    Open(fixture("spreadsheet-utf8.csv"));
    ASSERT_TRUE(boxes.empty());
    EXPECT_EQ(SeriesTitles(), kSheetTitles);
    EXPECT_EQ(form->DataList.size(), 4);
    const QString expected = Shown();

    for (const char *name : {"spreadsheet-sjis.csv", "spreadsheet-tab.txt"}) {
        form->DataList.clear();
        Open(fixture(name));
        EXPECT_TRUE(boxes.empty()) << name;
        EXPECT_EQ(Shown(), expected) << name;
    }

    // The encoding fixtures hold another table, the same in all five files.
    Open(fixture("encoding-utf8.csv"));
    const QString table = Shown();
    EXPECT_EQ(SeriesTitles(), (QStringList{QStringLiteral("番号"), QStringLiteral("表示値"), QStringLiteral("ソース"),
                                           QStringLiteral("ﾒﾓ")}));
    for (const char *name : {"encoding-utf8-mark.csv", "encoding-sjis.csv", "encoding-utf16le-mark.csv",
                             "encoding-utf16be-mark.csv"}) {
        Open(fixture(name));
        EXPECT_EQ(Shown(), table) << name;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataSourcesTest, OpenSetsTheBinCountToTenAndEndsLikeAnOpenAtTen)
{
    Open(fixture("spreadsheet-utf8.csv"));
    const QString atTen = Shown();

    form->BunkatuSize->setValue(25);
    ASSERT_NE(Shown(), atTen);
    form->mag = 7.0;
    Open(fixture("spreadsheet-utf8.csv"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->BunkatuSize->text(), QStringLiteral("10"));
    EXPECT_EQ(Shown(), atTen);
    EXPECT_FALSE(form->MBunkatuFlag);
    EXPECT_FALSE(form->ManualDivFlag);
}

// The box holds 10 but shows another text while the user types in it: the open still runs the bin-count
// command, and the box follows its text afterwards.
TEST_F(DataSourcesTest, OpenWhileTheBinCountIsBeingTypedRunsTheCountCommand)
{
    LoadEarlierData();
    ASSERT_EQ(form->BunkatuSize->value(), 10);
    form->BunkatuSize->editor()->selectAll();
    Key(form->BunkatuSize, Qt::Key_Backspace); // an empty text counts as 2
    ASSERT_TRUE(form->BunkatuSize->text().isEmpty());
    ASSERT_EQ(form->bunkatu, 2);

    SignalCount countCommand(form->BunkatuSize, &tf::BinCountBox::shownTextChanged);
    Open(fixture("spreadsheet-utf8.csv"));
    EXPECT_EQ(form->BunkatuSize->text(), QStringLiteral("10"));
    EXPECT_EQ(countCommand.count, 1);

    form->BunkatuSize->editor()->selectAll();
    Key(form->BunkatuSize, Qt::Key_Backspace);
    EXPECT_EQ(countCommand.count, 2);
    EXPECT_EQ(form->bunkatu, 2);
    EXPECT_EQ(chart().Series(0)->Count(), 3);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataSourcesTest, CancelledOpenChangesNothing)
{
    LoadEarlierData();
    form->BunkatuSize->setValue(25);
    form->mag = 7.0;
    const QString before = Shown();
    const QStringList lines = form->DataList.toStringList();

    form->FileOpenDialogHook = [] { return QString(); };
    form->OpenBtn->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->mag, 7.0);
    EXPECT_EQ(form->BunkatuSize->value(), 25);
    EXPECT_EQ(form->DataList.toStringList(), lines);
    EXPECT_EQ(Shown(), before);
}

TEST_F(DataSourcesTest, OpenFailuresAreReportedAndKeepThePreviousData)
{
    struct Case {
        const char *name;
        QString path;
        QString message; // as the general error report shows it
    };
    const QString gone = WriteFile(QStringLiteral("消える.csv"), "1\n2\n");
    const Case cases[] = {
        {"file gone after the dialog", gone, cannotOpen(gone, ENOENT)},
        {"folder", dir.path(), cannotOpen(dir.path(), EISDIR)},
        {"UTF-8 mark before invalid bytes", WriteFile(QStringLiteral("bad.csv"), "\xEF\xBB\xBF" "1\n\xFF\n"),
         QStringLiteral("Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません.")},
    };
    LoadEarlierData();
    form->BunkatuSize->setValue(25);
    const QString before = Shown();
    const QStringList lines = form->DataList.toStringList();
    boxes.clear();

    for (const Case &c : cases) {
        form->mag = 7.0;
        // The file vanishes between the dialog and the read.
        form->FileOpenDialogHook = [&c, &gone] {
            QFile::remove(gone);
            return c.path;
        };
        form->OpenBtn->click();
        EXPECT_EQ(TakeErrorText(), c.message) << c.name;
        EXPECT_EQ(form->DataList.toStringList(), lines) << c.name;
        EXPECT_EQ(form->mag, 1.0) << c.name;
        EXPECT_EQ(form->BunkatuSize->value(), 25) << c.name;
        EXPECT_EQ(Shown(), before) << c.name;
    }
}

// A file whose columns would not fit in the memory left is refused by the open error box with the
// reason, and the previous data stay; a drop reports it the same way.
TEST_F(DataSourcesTest, AFileTooLargeForTheMemoryLeftIsRefusedWithItsReason)
{
    QByteArray bytes = "a,b,c\n";
    for (int i = 0; i < 2000; ++i)
        bytes += QByteArray::number(i) + ",1,2\n";
    const QString path = WriteFile(QStringLiteral("大きい.csv"), bytes);
    LoadEarlierData();
    const QString before = Shown();
    const QStringList lines = form->DataList.toStringList();
    boxes.clear();

    tf::SetAvailableMemoryForTesting(20000);
    Open(path);
    const QString openText = TakeErrorText();
    const QStringList linesAfterOpen = form->DataList.toStringList();
    const QString shownAfterOpen = Shown();
    Drop({path});
    const QString dropText = TakeErrorText();
    tf::SetAvailableMemoryForTesting(-1);

    // Two rows' worth of room is what the columns of the earlier data hold.
    const QString expected = QStringLiteral("ファイル ") + path + QStringLiteral(" は開けません。 ")
        + QStringLiteral("メモリが足りません（必要 約 48 KB、空き 約 20 KB） ");
    EXPECT_EQ(openText, expected);
    EXPECT_EQ(linesAfterOpen, lines);
    EXPECT_EQ(shownAfterOpen, before);
    EXPECT_EQ(dropText, expected);

    Open(path); // with the room there, the same file opens
    EXPECT_EQ(TakeErrorText(), QString());
    EXPECT_EQ(form->DataList.size(), 2001);
}

TEST_F(DataSourcesTest, AFailedBuildInsideOpenIsReportedOnce)
{
    struct Case {
        QByteArray bytes;
        QString message;
        QStringList linesAfter;
        QStringList titlesAfter; // the build stopped after creating these series
    };
    const Case cases[] = {
        // A header row whose only data row is empty: the list index error.
        {"a,b\r\n\r\n", QStringLiteral("リストのインデックスが範囲を超えています (1)"), {QStringLiteral("a,b")},
         {QStringLiteral("a"), QStringLiteral("b")}},
        // A data row wider than the header fails the same way in every build.
        {"a\n1,2\n3,4\n", QStringLiteral("引数が範囲外です."),
         {QStringLiteral("a"), QStringLiteral("1,2"), QStringLiteral("3,4")}, {QStringLiteral("a")}},
    };
    const QString path = dir.filePath(QStringLiteral("bad.csv"));
    for (const Case &c : cases) {
        WriteFile(QStringLiteral("bad.csv"), c.bytes);
        for (const int count : {25, 10}) {
            LoadEarlierData();
            form->BunkatuSize->setValue(count);
            boxes.clear();

            Open(path);
            EXPECT_EQ(TakeErrorText(), c.message) << count;
            EXPECT_EQ(form->BunkatuSize->value(), 10);
            EXPECT_EQ(form->DataList.toStringList(), c.linesAfter) << count;
            EXPECT_EQ(SeriesTitles(), c.titlesAfter) << count;
        }
    }
}

TEST_F(DataSourcesTest, OpeningAnEmptyFileKeepsThePreviousSeries)
{
    LoadEarlierData();
    const QString before = Shown();
    for (const QByteArray &bytes : {QByteArray(), QByteArray("\xEF\xBB\xBF"), QByteArray("1,2\r\n")}) {
        Open(WriteFile(QStringLiteral("few.csv"), bytes));
        EXPECT_TRUE(boxes.empty());
        EXPECT_LE(form->DataList.size(), 1);
        EXPECT_EQ(Shown(), before) << bytes.toHex().toStdString();
    }
}

// ---- paste -----------------------------------------------------------------------------------

TEST_F(DataSourcesTest, PasteOfASpreadsheetRangeBuildsItsColumns)
{
    QFile sheet(fixture("spreadsheet-tab.txt"));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(sheet.readAll());
    form->BunkatuSize->setValue(25);

    Paste(text);
    ASSERT_TRUE(boxes.empty());
    EXPECT_EQ(SeriesTitles(), kSheetTitles);
    EXPECT_EQ(form->DataList.size(), 4);
    EXPECT_EQ(form->BunkatuSize->value(), 25);
    // The count typed above fixed the bins of that first build only; the reference is a rebuild.
    Paste(text);
    const QString withLf = Shown();

    // The same range with CR LF, as spreadsheets on the other platform copy it, and with LF CR,
    // whose empty lines the build drops.
    QString crlf = text;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    Paste(crlf);
    EXPECT_EQ(form->DataList.size(), 4);
    EXPECT_EQ(Shown(), withLf);
    QString lfcr = text;
    lfcr.replace(u'\n', QStringLiteral("\n\r"));
    Paste(lfcr);
    EXPECT_EQ(form->DataList.size(), 4);
    EXPECT_EQ(Shown(), withLf);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataSourcesTest, PastedTextEndsAtItsFirstZeroCharacter)
{
    const QString text = QStringLiteral("3\n7\n12\n25\n31\n") + QChar(u'\0') + QStringLiteral("99\n99\n");
    QGuiApplication::clipboard()->setText(text);
    ASSERT_EQ(QGuiApplication::clipboard()->text(), text);
    form->PasteBtn->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->DataList.toStringList(), SampleColumn());
    EXPECT_EQ(Xs(0), SamplePositions());
    EXPECT_EQ(Ys(0), SampleCounts());
}

TEST_F(DataSourcesTest, PasteOfTooLittleTextFreesTheSeriesAndKeepsTheRest)
{
    for (const QString &text : {QString(), QStringLiteral("1\t2")}) {
        LoadEarlierData();
        const QStringList items = ComboItems();
        const QStringList subtitle = chart().SubTitle.Text.Lines();
        const QString status = form->StatusText();
        form->mag = 7.0;

        Paste(text);
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(chart().SeriesCount(), 0);
        EXPECT_EQ(ComboItems(), items);
        EXPECT_EQ(chart().SubTitle.Text.Lines(), subtitle);
        EXPECT_EQ(form->StatusText(), status);
        EXPECT_EQ(form->mag, 1.0);
    }
}

TEST_F(DataSourcesTest, OneDataLineFollowedByAnEmptyLineIsEnough)
{
    Paste(QStringLiteral("3\t4\r\n\r\n"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(SeriesTitles(), (QStringList{QStringLiteral("No0"), QStringLiteral("No1")}));
}

TEST_F(DataSourcesTest, FailedPasteShowsTheDataErrorBoxAndKeepsWhatTheBuildReached)
{
    LoadEarlierData();
    const QString status = form->StatusText();
    form->MBunkatuFlag = true;

    Paste(QStringLiteral("a\tb\r\n\r\n"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kDataErrorText);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("情報"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[0].owner, form.get());
    EXPECT_EQ(form->DataList.toStringList(), QStringList{QStringLiteral("a\tb")});
    EXPECT_EQ(form->mag, 1.0);
    EXPECT_TRUE(form->MBunkatuFlag);
    EXPECT_EQ(SeriesTitles(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(ComboItems(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(form->StatusText(), status);
}

TEST_F(DataSourcesTest, WithTheManualRangePastedValuesStayUnscaled)
{
    form->KukanManualSize->click();
    Paste(QStringLiteral("0.001\n0.002\n0.004\n"));
    EXPECT_EQ(form->mag, 1.0);
    EXPECT_TRUE(form->StatusText().startsWith(QStringLiteral("倍率 X= 1　")));
}

// ---- drop ------------------------------------------------------------------------------------

TEST_F(DataSourcesTest, DropLoadsOnlyTheFirstFileWithTheShownBinCount)
{
    const QString first = WriteFile(QStringLiteral("first.csv"), "3\n7\n12\n25\n31\n");
    const QString second = WriteFile(QStringLiteral("second.csv"), "a,b\n1,2\n");
    form->BunkatuSize->setValue(25);
    form->mag = 7.0;

    EXPECT_TRUE(Drop({first, second, dir.path()}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->DataList.toStringList(), SampleColumn());
    EXPECT_EQ(SeriesTitles(), QStringList{QStringLiteral("No0")});
    EXPECT_EQ(form->BunkatuSize->value(), 25);
    EXPECT_EQ(form->mag, 1.0);
}

TEST_F(DataSourcesTest, DropTakesPathsOfAnyLength)
{
    QString folder = dir.path();
    // Each name stays within the file system's 255 bytes; the whole path does not.
    for (int i = 0; i < 4; ++i) {
        folder += u'/' + QString(80, QChar(char16_t(u'あ' + i)));
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    const QString path = folder + QStringLiteral("/data.csv");
    ASSERT_GT(path.size(), 300);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("3\n7\n12\n25\n31\n");
    f.close();

    EXPECT_TRUE(Drop({path}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->DataList.toStringList(), SampleColumn());
}

TEST_F(DataSourcesTest, DropThatCannotBeReadIsReportedAndLeavesTheChart)
{
    LoadEarlierData();
    const QString before = Shown();
    boxes.clear();
    const QString badMark = WriteFile(QStringLiteral("bad.csv"), "\xEF\xBB\xBF\xC0\x80");
    const std::pair<QString, QString> cases[] = {
        {dir.path(), cannotOpen(dir.path(), EISDIR)},
        {badMark, QStringLiteral("Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません.")},
    };
    for (const auto &[path, message] : cases) {
        form->mag = 7.0;
        Drop({path});
        EXPECT_EQ(TakeErrorText(), message);
        EXPECT_TRUE(form->DataList.isEmpty());
        EXPECT_EQ(form->mag, 1.0);
        EXPECT_EQ(Shown(), before);
    }
}

TEST_F(DataSourcesTest, DroppedEmptyFileKeepsTheSeries)
{
    LoadEarlierData();
    const QString before = Shown();
    Drop({WriteFile(QStringLiteral("empty.csv"), QByteArray())});
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(form->DataList.isEmpty());
    EXPECT_EQ(Shown(), before);
}

TEST_F(DataSourcesTest, FailedBuildAfterADropShowsTheDataErrorBox)
{
    LoadEarlierData();
    Drop({WriteFile(QStringLiteral("header.csv"), "a,b\n\n")});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kDataErrorText);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("情報"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(form->DataList.toStringList(), QStringList{QStringLiteral("a,b")});
    EXPECT_EQ(SeriesTitles(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

// The drag source waits for the drop event to return; reading the file and any error box come after.
TEST_F(DataSourcesTest, DropIsReleasedBeforeTheFileIsRead)
{
    for (const QString &path : {WriteFile(QStringLiteral("data.csv"), "3\n7\n12\n25\n31\n"), dir.path()}) {
        LoadEarlierData();
        const QStringList lines = form->DataList.toStringList();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(false);
        QCoreApplication::sendEvent(form.get(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(form->DataList.toStringList(), lines);

        QCoreApplication::processEvents();
        EXPECT_NE(form->DataList.toStringList(), lines);
        EXPECT_EQ(boxes.size(), path == dir.path() ? 1u : 0u);
        boxes.clear();
    }
}

// A file dropped over an edit loads like one dropped anywhere else; the edit does not take its path as text.
TEST_F(DataSourcesTest, DropOverAnEditLoadsTheFile)
{
    const QString path = WriteFile(QStringLiteral("data.csv"), "3\n7\n12\n25\n31\n");
    QLineEdit *const edits[] = {form->TitleEditBtn, form->KukanValue, form->SeriesName,
                                form->StyleSelecter->lineEdit(), form->ScaleComboBox->lineEdit(),
                                form->BunkatuSize->editor()};
    for (QLineEdit *edit : edits) {
        SCOPED_TRACE(edit->objectName().toStdString());
        form->DataList.clear();
        const QString text = edit->text();
        EXPECT_TRUE(Drop({path}, edit));
        EXPECT_EQ(form->DataList.toStringList(), SampleColumn());
        if (edit != form->KukanValue) { // the build writes the bin width there
            EXPECT_EQ(edit->text(), text);
        }
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DataSourcesTest, DropsWithoutALocalFileAreRefused)
{
    LoadEarlierData();
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/data.csv"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_EQ(form->DataList.size(), 3);
}

} // namespace
