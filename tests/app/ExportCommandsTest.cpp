#include "WindowFixture.h"

#include "app/ExportTargets.h"
#include "chart/ChartRenderer.h"
#include "export/EmfReader.h"
#include "tests/support/FullDisk.h"

#include <QAction>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

class ExportTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        form->SavePictureDialog1.Hook = [this](tf::SavePictureDialog &d) {
            seen.push_back({d.Filter, d.DefaultExt, d.FileName});
            d.FilterIndex = filterIndex;
            return answer;
        };
        Load(SampleColumn());
        Build();
    }

    QByteArray Read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QSize ChartSize() const { return form->Chart1->size(); }
    QSize EmfSize(const QByteArray &emf) { return tf::ParseEmf(emf).header.bounds.size(); }

    struct Seen {
        QString filter, defaultExt, fileName;
    };
    QTemporaryDir dir;
    QString answer;
    int filterIndex = 1;
    std::vector<Seen> seen;
};

TEST_F(ExportTest, SaveEmfWritesTheMetafileAtTheChartsSizeAddingTheExtension)
{
    answer = dir.filePath(QStringLiteral("chart"));
    form->SaveEMFBtn->click();
    EXPECT_EQ(TakeErrorText(), QString());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].filter, QStringLiteral("EMF(*.emf)"));
    EXPECT_EQ(seen[0].defaultExt, QStringLiteral("EMF"));
    const QByteArray emf = Read(dir.filePath(QStringLiteral("chart.EMF")));
    ASSERT_FALSE(emf.isEmpty());
    EXPECT_EQ(EmfSize(emf), ChartSize());
}

TEST_F(ExportTest, TheBmpDialogStartsWithTheNameTheEmfSaveConfirmed)
{
    answer = dir.filePath(QStringLiteral("chart"));
    form->SaveEMFBtn->click();
    answer = dir.filePath(QStringLiteral("picture"));
    form->SaveBmpBtn->click();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].filter, QStringLiteral("BMP(*.bmp)"));
    EXPECT_EQ(seen[1].defaultExt, QStringLiteral("BMP"));
    EXPECT_EQ(seen[1].fileName, dir.filePath(QStringLiteral("chart.EMF")));
    const QImage bmp = QImage::fromData(Read(dir.filePath(QStringLiteral("picture.BMP"))), "BMP");
    EXPECT_EQ(bmp.size(), ChartSize());
}

TEST_F(ExportTest, TheContentFollowsTheCommandNotTheName)
{
    answer = dir.filePath(QStringLiteral("really.png"));
    form->SaveEMFBtn->click();
    const QByteArray bytes = Read(answer);
    EXPECT_NO_THROW(tf::ParseEmf(bytes));
    form->SaveBmpBtn->click();
    EXPECT_TRUE(Read(answer).startsWith("BM"));
}

TEST_F(ExportTest, AWiderWindowGivesAWiderExportAndAnExistingFileIsReplaced)
{
    answer = dir.filePath(QStringLiteral("a.bmp"));
    form->SaveBmpBtn->click();
    const QSize before = QImage::fromData(Read(answer), "BMP").size();
    form->resize(form->width() + 120, form->height() + 40);
    QCoreApplication::processEvents();
    form->SaveBmpBtn->click();
    const QSize after = QImage::fromData(Read(answer), "BMP").size();
    EXPECT_EQ(after, ChartSize());
    EXPECT_GT(after.width(), before.width());
    EXPECT_EQ(TakeErrorText(), QString());
}

TEST_F(ExportTest, CancellingWritesNothingAndSaysNothing)
{
    answer.clear();
    form->SaveEMFBtn->click();
    form->SaveBmpBtn->click();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(TakeErrorText(), QString());
}

struct UnwritableCase {
    const char *name;
    const char *file; // below the temporary folder
    int err;
};
TF_PRINT_CASE_AS_NAME(UnwritableCase)

class ExportRefused : public ExportTest, public testing::WithParamInterface<UnwritableCase> {};

TEST_P(ExportRefused, ReportsTheFullPathAndTheReasonAndLeavesTheDiskAsItWas)
{
    const UnwritableCase uc = GetParam();
    QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
    const QString locked = dir.filePath(QStringLiteral("locked.emf"));
    QFile lockedFile(locked);
    ASSERT_TRUE(lockedFile.open(QIODevice::WriteOnly));
    lockedFile.write("old");
    lockedFile.close();
    lockedFile.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    answer = dir.filePath(QString::fromLatin1(uc.file));
    for (QToolButton *button : {form->SaveEMFBtn, form->SaveBmpBtn}) {
        button->click();
        const QString expected = QStringLiteral("ファイル \"%1\" を作成できません。%2")
                                     .arg(answer, tf::SystemReason(uc.err));
        EXPECT_EQ(TakeErrorText(), tf::ErrorReportText(expected));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_TRUE(Read(locked) == "old") << "the read-only file was changed";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportRefused,
    testing::Values(UnwritableCase{"MissingFolder", "missing/chart.emf", ENOENT},
                    UnwritableCase{"FolderIsAFile", "file/chart.emf", ENOTDIR},
                    UnwritableCase{"ReadOnlyExistingFile", "locked.emf", EACCES}),
    tftest::CaseName());

TEST_F(ExportTest, CopyEmfReplacesTheClipboardWithTheMetafileFirstThenSvg)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    form->CopyEMFBtn->click();
    EXPECT_EQ(TakeErrorText(), QString());
    const QMimeData *m = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(m);
    // LibreOffice pastes a vector picture only from its own metafile flavour, and only while no PNG is
    // offered beside it.
    const QString office = QStringLiteral("application/x-openoffice-emf;windows_formatname=\"Image EMF\"");
    EXPECT_EQ(m->formats(), (QStringList{office, QStringLiteral("image/emf"), QStringLiteral("image/x-emf"),
                                         QStringLiteral("image/svg+xml")}));
    EXPECT_FALSE(m->hasText()) << "the text copied before is gone";
    EXPECT_EQ(EmfSize(m->data(QStringLiteral("image/emf"))), ChartSize());
    EXPECT_EQ(m->data(QStringLiteral("image/x-emf")), m->data(QStringLiteral("image/emf")));
    EXPECT_EQ(m->data(office), m->data(QStringLiteral("image/emf")));
    QSvgRenderer svg(m->data(QStringLiteral("image/svg+xml")));
    EXPECT_TRUE(svg.isValid());
    EXPECT_EQ(svg.defaultSize(), ChartSize());
}

// The copied chart's formats, each telling the log which one a pasting program asks for.
class RecordingMimeData : public QMimeData {
public:
    explicit RecordingMimeData(const QMimeData &copied, const QStringList &only)
    {
        for (const QString &format : only.isEmpty() ? copied.formats() : only)
            setData(format, copied.data(format));
    }

protected:
    QVariant retrieveData(const QString &format, QMetaType type) const override
    {
        std::fprintf(stderr, "paste took: %s\n", qPrintable(format));
        std::fflush(stderr);
        return QMimeData::retrieveData(format, type);
    }
};

// For tools/check-paste.sh, under a display server: copies the chart as the EMF button does and stays
// the clipboard's owner, logging every format a program takes, until the file TF_HOLD_COPIED_CHART names
// (written once the chart is on the clipboard) is removed.
TEST_F(ExportTest, HoldsTheCopiedChartForAPasteCheck)
{
    const QString flag = qEnvironmentVariable("TF_HOLD_COPIED_CHART");
    if (flag.isEmpty())
        GTEST_SKIP() << "set TF_HOLD_COPIED_CHART to a file name to hold a copied chart";
    tf::RegisterChartFontSubstitutions();
    form->CopyEMFBtn->click();
    ASSERT_EQ(TakeErrorText(), QString());
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied);
    const QStringList only = qEnvironmentVariable("TF_PASTE_FORMATS").split(u'|', Qt::SkipEmptyParts);
    QGuiApplication::clipboard()->setMimeData(new RecordingMimeData(*copied, only));
    {
        QFile ready(flag);
        ASSERT_TRUE(ready.open(QIODevice::WriteOnly));
    }
    QDeadlineTimer deadline(std::chrono::minutes(10));
    while (QFile::exists(flag) && !deadline.hasExpired())
        QTest::qWait(100);
    EXPECT_FALSE(QFile::exists(flag)) << "the paste check did not end";
}

TEST_F(ExportTest, CopyBmpPutsTheChartImageOnTheClipboard)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    form->CopyBmpBtn->click();
    const QMimeData *m = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->hasImage());
    EXPECT_FALSE(m->hasText());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), ChartSize());
}

TEST_F(ExportTest, AClipboardThatRefusesKeepsItsContentsAndIsReported)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    const tf::ClipboardHook previous = tf::SetClipboardHook([](QMimeData *) { return QStringLiteral("(使用中)"); });
    form->CopyEMFBtn->click();
    EXPECT_EQ(TakeErrorText(), tf::ErrorReportText(QStringLiteral("クリップボード (使用中) を開けません")));
    form->CopyBmpBtn->click();
    EXPECT_EQ(TakeErrorText(), tf::ErrorReportText(QStringLiteral("クリップボード (使用中) を開けません")));
    tf::SetClipboardHook(previous);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

QAction *MenuAction(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

TEST_F(ExportTest, TheChartsRightClickMenuSavesSvgPdfAndPng)
{
    emit form->Chart1->customContextMenuRequested(QPoint(10, 10));
    QCoreApplication::processEvents();
    ASSERT_TRUE(form->ChartMenu);
    EXPECT_TRUE(form->ChartMenu->isVisible());
    QStringList texts;
    for (QAction *a : form->ChartMenu->actions())
        texts << a->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("SVGで保存…"), QStringLiteral("PDFで保存…"), QStringLiteral("PNGで保存…"),
                                  QString(), QStringLiteral("度数分布表をコピー")}));
    form->ChartMenu->hide();

    answer = dir.filePath(QStringLiteral("c"));
    MenuAction(form->ChartMenu, QStringLiteral("SVGで保存…"))->trigger();
    EXPECT_TRUE(Read(dir.filePath(QStringLiteral("c.svg"))).contains("<svg"));
    MenuAction(form->ChartMenu, QStringLiteral("PDFで保存…"))->trigger();
    EXPECT_TRUE(Read(dir.filePath(QStringLiteral("c.pdf"))).startsWith("%PDF-"));
    MenuAction(form->ChartMenu, QStringLiteral("PNGで保存…"))->trigger();
    EXPECT_EQ(QImage::fromData(Read(dir.filePath(QStringLiteral("c.png"))), "PNG").size(), ChartSize());
    filterIndex = 2;
    MenuAction(form->ChartMenu, QStringLiteral("PNGで保存…"))->trigger();
    EXPECT_EQ(QImage::fromData(Read(dir.filePath(QStringLiteral("c.png"))), "PNG").size(), ChartSize() * 2);
    EXPECT_EQ(TakeErrorText(), QString());
}

class ExportOnAFullDisk : public ExportTest, public testing::WithParamInterface<tftest::FullDiskCase> {};

// Each save command, over an existing file on a disk with no room left: the file error box, and the old
// file byte for byte, with nothing left beside it.
TEST_P(ExportOnAFullDisk, EverySaveIsRefusedAndTheOldFileStaysByteForByte)
{
    const QString folder = dir.filePath(QStringLiteral("disk"));
    tftest::FullDisk disk(GetParam().kind, folder);
    if (!disk.Usable())
        GTEST_SKIP() << disk.WhyNot();
    const std::pair<const char *, std::function<void()>> saves[] = {
        {"chart.emf", [this] { form->SaveEMFBtn->click(); }},
        {"chart.bmp", [this] { form->SaveBmpBtn->click(); }},
        {"chart.svg", [this] { MenuAction(form->ChartMenu, QStringLiteral("SVGで保存…"))->trigger(); }},
        {"chart.pdf", [this] { MenuAction(form->ChartMenu, QStringLiteral("PDFで保存…"))->trigger(); }},
        {"chart.png", [this] { MenuAction(form->ChartMenu, QStringLiteral("PNGで保存…"))->trigger(); }},
    };
    const QByteArray old = "the picture saved before, which must survive";
    for (const auto &[name, save] : saves) {
        QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(old), old.size());
    }
    disk.Fill();
    const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    for (const auto &[name, save] : saves) {
        answer = QDir(folder).filePath(QString::fromLatin1(name));
        save();
        EXPECT_EQ(TakeErrorText(), tf::ErrorReportText(tf::CannotCreateFileMessage(
                                       answer, tf::SystemReason(disk.Errno()))))
            << name;
        EXPECT_TRUE(Read(answer) == old) << name << " was changed";
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

INSTANTIATE_TEST_SUITE_P(Disks, ExportOnAFullDisk, testing::ValuesIn(tftest::FullDiskCases), tftest::CaseName());

} // namespace
