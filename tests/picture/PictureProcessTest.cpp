// Pictures decoded in the helper process: files that crash a metafile player, a helper that crashes, runs
// out of time or memory, or never answers, and files that are no regular files. The test program, which
// plays the window's part, lives on every time, and each refusal is Japanese and names its cause.
#include "chart/ChartModel.h"
#include "picture/Picture.h"
#include "picture/PictureProcess.h"
#include "engine/SystemReason.h"
#include "tests/picture/HostilePictures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <QDir>

#include <algorithm>
#include <sys/stat.h>

namespace {

QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// Draws Japanese text as the window does before any picture is read: the font fallback that follows leaves
// fontconfig's caches held by Qt, which libemf2svg's FcFini after a glyph lookup then aborts on.
void DrawJapaneseTextAsTheWindowDoes()
{
    QImage canvas(200, 24, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawText(2, 18, QStringLiteral("背景の画像を読み込みます"));
}

QImage GreenPicture()
{
    QImage before(2, 2, QImage::Format_RGB32);
    before.fill(Qt::green);
    return before;
}

// libwmf draws the font of height -32768 outside its picture: the helper dies of it, the test program does
// not, and the refusal names the signal (a sanitizer build's helper reports it and exits instead).
TEST(HostilePictures, AWmfWhoseFontCrashesThePlayerIsRefusedNamingTheSignalAndThePreviousPictureStays)
{
    QTemporaryDir dir;
    const QByteArray bytes = tftest::HugeFontWmf();
    ASSERT_EQ(bytes.size(), 138);
    const QString path = WriteFile(dir, QStringLiteral("font.wmf"), bytes);
    tf::TChart chart;
    chart.BackWall.Picture.SetImage(GreenPicture());

    const tf::PictureOutcome outcome = tf::DecodePictureInHelper(path);
    EXPECT_EQ(outcome.end, tf::PictureEnd::Crashed);
    const QString crashed = QStringLiteral("画像を読み取る処理が異常終了したため、読み込みを中止しました (%1)");
    if (tf::PictureHelperSanitized)
        EXPECT_TRUE(outcome.message.startsWith(crashed.left(crashed.indexOf(u'(')))) << outcome.message.toStdString();
    else
        EXPECT_EQ(outcome.message, crashed.arg(QStringLiteral("SIGSEGV")));

    try {
        chart.BackWall.Picture.LoadFromFile(path);
        ADD_FAILURE() << "loaded";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), outcome.message);
    }
    EXPECT_EQ(chart.BackWall.Picture.Image(), GreenPicture());
}

// In the window's process the glyph-index text aborts it; the helper has drawn no text when libemf2svg
// looks the glyphs up, so there the picture is drawn, its text in it.
TEST(HostilePictures, AGlyphIndexTextEmfIsDrawnByTheHelperWhileTheWindowsFontsAreInUse)
{
    QTemporaryDir dir;
    const QByteArray bytes = tftest::GlyphIndexTextEmf();
    ASSERT_EQ(bytes.size(), 536);
    const QString path = WriteFile(dir, QStringLiteral("glyphs.emf"), bytes);
    DrawJapaneseTextAsTheWindowDoes();
    tf::TChart chart;
    chart.BackWall.Picture.SetImage(GreenPicture());

    chart.BackWall.Picture.LoadFromFile(path);
    const QImage image = chart.BackWall.Picture.Image();
    ASSERT_EQ(image.size(), QSize(200, 40));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 && qAlpha(image.pixel(x, y)) > 128;
    EXPECT_GT(dark, 50) << "the text is drawn";
    DrawJapaneseTextAsTheWindowDoes(); // and this process's fonts still work
}

// ---- how the helper ended, with a stand-in helper that ends that way ----

struct EndCase {
    const char *name;
    const char *script; // the stand-in helper's shell commands
    tf::PictureEnd end;
    const char *message;
};
TF_PRINT_CASE_AS_NAME(EndCase)

const EndCase kEnds[] = {
    {"Crash", "kill -SEGV $$", tf::PictureEnd::Crashed,
     "画像を読み取る処理が異常終了したため、読み込みを中止しました (SIGSEGV)"},
    {"Abort", "kill -ABRT $$", tf::PictureEnd::Crashed,
     "画像を読み取る処理が異常終了したため、読み込みを中止しました (SIGABRT)"},
    {"ExitWithoutAnswer", "exit 1", tf::PictureEnd::Crashed,
     "画像を読み取る処理が異常終了したため、読み込みを中止しました (終了コード 1)"},
    {"CpuTimeLimit", "kill -XCPU $$", tf::PictureEnd::CpuLimit,
     "画像を読み取る処理が CPU 時間の上限 (2 秒) を超えたため、読み込みを中止しました"},
    {"MemoryLimit", "printf 'TFPX\\002\\000\\000\\000\\000'", tf::PictureEnd::MemoryLimit,
     "画像を読み取る処理がメモリの上限 (1024 MB) を超えたため、読み込みを中止しました"},
    {"Deadline", "exec sleep 30", tf::PictureEnd::Deadline,
     "画像の読み取りが 2 秒以内に終わらないため、読み込みを中止しました"},
    {"AnswerCutShort", "printf 'TFPX\\000\\004\\000\\000\\000\\004\\000\\000\\000abc'", tf::PictureEnd::Crashed,
     "画像を読み取る処理から正しい結果が返らなかったため、読み込みを中止しました"},
};

class HelperEnds : public ::testing::TestWithParam<EndCase> {
protected:
    void TearDown() override { tf::SetPictureHelperPath(m_previous); }
    QString m_previous = tf::PictureHelperPath();
};

TEST_P(HelperEnds, BecomeTheRefusalNamingTheCause)
{
    if (tf::PictureHelperSanitized && GetParam().end == tf::PictureEnd::Deadline)
        GTEST_SKIP() << "the deadline is long in sanitizer builds";
    QTemporaryDir dir;
    const QString helper = WriteFile(dir, QStringLiteral("helper"), QByteArray("#!/bin/sh\n") + GetParam().script + "\n");
    QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString picture = WriteFile(dir, QStringLiteral("wall.png"), "not read by the stand-in");
    tf::SetPictureHelperPath(helper);

    tf::TChart chart;
    QImage before(2, 2, QImage::Format_RGB32);
    before.fill(Qt::green);
    chart.BackWall.Picture.SetImage(before);
    QString expected = QString::fromUtf8(GetParam().message);
    if (GetParam().end == tf::PictureEnd::CpuLimit) // the limit is longer under the sanitizers
        expected.replace(QStringLiteral("(2 秒)"), QStringLiteral("(%1 秒)").arg(tf::PictureCpuSeconds));
    int waits = 0;
    QElapsedTimer clock;
    clock.start();
    try {
        chart.BackWall.Picture.LoadFromFile(picture, [&](double) { ++waits; });
        ADD_FAILURE() << "loaded";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), expected);
    }
    EXPECT_EQ(chart.BackWall.Picture.Image(), before);
    EXPECT_EQ(tf::DecodePictureInHelper(picture).end, GetParam().end);
    if (GetParam().end == tf::PictureEnd::Deadline) {
        EXPECT_LT(clock.elapsed(), 2 * 10000) << "both waits ended near the deadline";
        EXPECT_GT(waits, 5) << "the caller was called while it waited";
    }
}

INSTANTIATE_TEST_SUITE_P(Picture, HelperEnds, ::testing::ValuesIn(kEnds), tftest::CaseName());

TEST(PictureHelper, AMissingHelperIsReportedWithItsPath)
{
    const QString previous = tf::PictureHelperPath();
    tf::SetPictureHelperPath(QStringLiteral("/nonexistent/tallyfold-picture"));
    QTemporaryDir dir;
    const QString picture = WriteFile(dir, QStringLiteral("wall.png"), "x");
    const tf::PictureOutcome outcome = tf::DecodePictureInHelper(picture);
    tf::SetPictureHelperPath(previous);
    EXPECT_EQ(outcome.end, tf::PictureEnd::NotStarted);
    EXPECT_TRUE(outcome.message.startsWith(
        QStringLiteral("画像を読み取るプログラム \"/nonexistent/tallyfold-picture\" を起動できません。")))
        << outcome.message.toStdString();
    EXPECT_TRUE(outcome.message.endsWith(tf::SystemReason(ENOENT))) << outcome.message.toStdString();
}

// ---- files that are no regular files ----

TEST(PictureFileKinds, ANamedPipeIsRefusedAtOnceBeforeAndInTheHelper)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("x.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString expected =
        QStringLiteral("\"%1\" は名前付きパイプです。画像として読み込めるのは通常のファイルだけです").arg(pipe);
    try {
        tf::ReadPictureFile(pipe);
        ADD_FAILURE() << "read";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), expected);
    }
    // The helper refuses it as well, without waiting for a writer.
    QProcess helper;
    helper.start(tf::PictureHelperPath(), {pipe});
    ASSERT_TRUE(helper.waitForFinished(30000)) << "the helper waited on the pipe";
    const QByteArray reply = helper.readAllStandardOutput();
    EXPECT_TRUE(reply.startsWith(QByteArray("TFPX\x01", 5)));
    EXPECT_TRUE(reply.endsWith(expected.toUtf8())) << reply.toStdString();
}

TEST(PictureFileKinds, AFolderOrADeviceIsRefusedNamingItsKind)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    EXPECT_EQ(tf::NotRegularPictureFile(dir.filePath(QStringLiteral("folder.png"))),
              QStringLiteral("\"%1\" はフォルダーです。画像として読み込めるのは通常のファイルだけです")
                  .arg(dir.filePath(QStringLiteral("folder.png"))));
    EXPECT_EQ(tf::NotRegularPictureFile(QStringLiteral("/dev/zero")),
              QStringLiteral("\"/dev/zero\" はデバイスです。画像として読み込めるのは通常のファイルだけです"));
    EXPECT_EQ(tf::NotRegularPictureFile(tftest::fixture("pictures/wall.png")), QString());
}

} // namespace
