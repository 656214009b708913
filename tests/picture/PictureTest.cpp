// Background pictures: the extension picks the reader, in any case; unknown extensions are refused and
// change nothing; undecodable files leave a present but empty picture (or the image it had); every decoder
// survives malformed bytes.
#include "chart/ChartModel.h"
#include "export/EmfFormat.h"
#include "export/EmfWriter.h"
#include "picture/Picture.h"
#include "picture/PictureDecoders.h"
#include "engine/SystemReason.h"
#include "tests/support/PictureShapes.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <vector>


namespace {

QString Fixture(const char *name)
{
    return tftest::fixture("pictures/") + QString::fromUtf8(name);
}

QByteArray FixtureBytes(const char *name)
{
    QFile f(Fixture(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

// The fixtures' drawing: left half red, right half blue.
const QColor Left(200, 30, 40);
const QColor Right(30, 120, 200);

bool Near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
           std::abs(a.blue() - b.blue()) <= 3 && a.alpha() == 255;
}

std::string Describe(const QColor &c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha())
        .toStdString();
}

// Checks that the image shows the fixtures' drawing (sampled a quarter in from each side).
void ExpectDrawing(const QImage &image)
{
    ASSERT_FALSE(image.isNull());
    const int y = image.height() / 2;
    const QColor l = image.pixelColor(image.width() / 4, y);
    const QColor r = image.pixelColor(image.width() * 3 / 4, y);
    EXPECT_TRUE(Near(l, Left)) << "left half " << Describe(l);
    EXPECT_TRUE(Near(r, Right)) << "right half " << Describe(r);
}

enum class Outcome { Loads, Refused, Undecodable };

struct PictureCase {
    const char *name;
    const char *file;
    Outcome outcome;
    QSize size;          // the image read (Loads)
    const char *message; // the refusal (Refused)
};

TF_PRINT_CASE_AS_NAME(PictureCase)

const PictureCase kPictureCases[] = {
    {"png", "wall.png", Outcome::Loads, {16, 12}, nullptr},
    {"PNG_in_capitals", "WALL-CAPITALS.PNG", Outcome::Loads, {16, 12}, nullptr},
    {"bmp", "wall.bmp", Outcome::Loads, {16, 12}, nullptr},
    {"tif", "wall.tif", Outcome::Loads, {16, 12}, nullptr},
    {"tiff", "wall.tiff", Outcome::Loads, {16, 12}, nullptr},
    {"ico", "wall.ico", Outcome::Loads, {16, 16}, nullptr},
    {"emf", "wall.emf", Outcome::Loads, {159, 119}, nullptr},
    {"wmf", "wall.wmf", Outcome::Loads, {160, 120}, nullptr},
    {"wide_png_is_kept_bounded", "wide.png", Outcome::Loads, {4096, 3}, nullptr},
    {"JPG", "wall.JPG", Outcome::Refused, {}, "画像のファイル拡張子 (.JPG) が不明です"},
    {"no_extension", "wall", Outcome::Refused, {}, "画像のファイル拡張子 (.) が不明です"},
    {"corrupt_png", "corrupt.png", Outcome::Undecodable, {}, nullptr},
    {"empty_png", "empty.png", Outcome::Undecodable, {}, nullptr},
    {"png_header_of_60000_squared", "huge-header.png", Outcome::Undecodable, {}, nullptr},
    {"missing_png", "no-such-file.png", Outcome::Undecodable, {}, nullptr},
};

class PictureFiles : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureFiles, LoadIntoAnAbsentPicture)
{
    const PictureCase &c = GetParam();
    tf::TChart chart;
    int changes = 0;
    chart.OnChanged = [&] { ++changes; };
    tf::TBackImage &picture = chart.BackWall.Picture;
    switch (c.outcome) {
    case Outcome::Loads:
        picture.LoadFromFile(Fixture(c.file));
        EXPECT_TRUE(picture.Assigned());
        EXPECT_EQ(picture.Image().size(), c.size);
        ExpectDrawing(picture.Image());
        EXPECT_GT(changes, 0);
        break;
    case Outcome::Refused:
        try {
            picture.LoadFromFile(Fixture(c.file));
            ADD_FAILURE() << "not refused";
        } catch (const tf::EInvalidGraphic &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
        EXPECT_FALSE(picture.Assigned());
        EXPECT_EQ(changes, 0);
        break;
    case Outcome::Undecodable:
        try {
            picture.LoadFromFile(Fixture(c.file));
            ADD_FAILURE() << "decoded";
        } catch (const tf::EInvalidGraphic &e) {
            ADD_FAILURE() << "refused as an unknown extension: " << e.what();
        } catch (const tf::Error &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
        EXPECT_TRUE(picture.Assigned()) << "present";
        EXPECT_TRUE(picture.Image().isNull()) << "but empty";
        break;
    }
}

TEST_P(PictureFiles, LoadOverAPreviousPicture)
{
    const PictureCase &c = GetParam();
    tf::TChart chart;
    QImage before(2, 2, QImage::Format_RGB32);
    before.fill(Qt::green);
    chart.BackWall.Picture.SetImage(before);
    if (c.outcome == Outcome::Loads) {
        chart.BackWall.Picture.LoadFromFile(Fixture(c.file));
        ExpectDrawing(chart.BackWall.Picture.Image());
        return;
    }
    EXPECT_THROW(chart.BackWall.Picture.LoadFromFile(Fixture(c.file)), tf::Error);
    EXPECT_TRUE(chart.BackWall.Picture.Assigned());
    EXPECT_EQ(chart.BackWall.Picture.Image(), before) << "the previous picture stays";
}

INSTANTIATE_TEST_SUITE_P(Picture, PictureFiles, ::testing::ValuesIn(kPictureCases),
                         tftest::CaseName());

TEST(PictureFile, ExtensionIsTakenAsTypedFromTheFileNameOnly)
{
    EXPECT_EQ(tf::PictureExtension(QStringLiteral("/a.b/c")), QString());
    EXPECT_EQ(tf::PictureExtension(QStringLiteral("/a/c.Tiff")), QStringLiteral("Tiff"));
    EXPECT_EQ(tf::PictureExtension(QStringLiteral("/a/c.")), QString());
    EXPECT_EQ(tf::PictureFormatOf(QStringLiteral("/a/c.TIF")), tf::PictureFormat::Tiff);
    EXPECT_EQ(tf::PictureFormatOf(QStringLiteral("/a/c.wMf")), tf::PictureFormat::Wmf);
    EXPECT_EQ(tf::PictureFormatOf(QStringLiteral("/a/c.svg")), tf::PictureFormat::Unknown);
    EXPECT_EQ(tf::PictureFormatOf(QStringLiteral("/a/c.gif")), tf::PictureFormat::Unknown);
}

// The reason a picture cannot be opened is the system's, worded in Japanese whatever the locale.
TEST(PictureFile, AMissingFileIsReportedWithAJapaneseReason)
{
    const QString missing = Fixture("no-such-file.png");
    tf::TChart chart;
    try {
        chart.BackWall.Picture.LoadFromFile(missing);
        ADD_FAILURE() << "loaded";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("画像ファイル \"%1\" を開けません。%2")
                                   .arg(QDir::toNativeSeparators(QFileInfo(missing).absoluteFilePath()),
                                        tf::SystemReason(ENOENT)));
    }
}

TEST(PictureFile, TheReaderIsChosenByExtensionNotByContent)
{
    // PNG bytes are not a bitmap, whatever another reader would make of them.
    EXPECT_THROW(tf::DecodePicture(FixtureBytes("wall.png"), tf::PictureFormat::Bmp), tf::Error);
    EXPECT_THROW(tf::DecodePicture(FixtureBytes("wall.emf"), tf::PictureFormat::Wmf), tf::Error);
    EXPECT_THROW(tf::DecodePicture(FixtureBytes("wall.wmf"), tf::PictureFormat::Emf), tf::Error);
}

// ---- malformed metafiles ----

QByteArray WithU32(QByteArray bytes, qsizetype offset, quint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
    return bytes;
}

struct MalformedCase {
    const char *name;
    tf::PictureFormat format;
    QByteArray bytes;
};

TF_PRINT_CASE_AS_NAME(MalformedCase)

std::vector<MalformedCase> MalformedCases()
{
    const QByteArray emf = FixtureBytes("wall.emf");
    const QByteArray wmf = FixtureBytes("wall.wmf");
    const QByteArray junk(4096, '\xA5');
    std::vector<MalformedCase> cases = {
        {"emf_empty", tf::PictureFormat::Emf, QByteArray()},
        {"emf_junk", tf::PictureFormat::Emf, junk},
        {"emf_header_only", tf::PictureFormat::Emf, emf.left(108)},
        {"emf_cut_inside_a_record", tf::PictureFormat::Emf, emf.left(emf.size() - 10)},
        {"emf_no_signature", tf::PictureFormat::Emf, WithU32(emf, 40, 0)},
        {"emf_record_of_size_zero", tf::PictureFormat::Emf, WithU32(emf, 108 + 4, 0)},
        {"emf_record_past_the_end", tf::PictureFormat::Emf, WithU32(emf, 108 + 4, 0x7FFFFFF0)},
        {"emf_record_size_not_aligned", tf::PictureFormat::Emf, WithU32(emf, 108 + 4, 30)},
        {"emf_header_size_tiny", tf::PictureFormat::Emf, WithU32(emf, 4, 8)},
        {"wmf_empty", tf::PictureFormat::Wmf, QByteArray()},
        {"wmf_junk", tf::PictureFormat::Wmf, junk},
        {"wmf_placeable_header_only", tf::PictureFormat::Wmf, wmf.left(22)},
        {"wmf_cut_inside_a_record", tf::PictureFormat::Wmf, wmf.left(wmf.size() - 4)},
        {"wmf_record_of_size_zero", tf::PictureFormat::Wmf, WithU32(wmf, 22 + 18, 0)},
        {"wmf_record_past_the_end", tf::PictureFormat::Wmf, WithU32(wmf, 22 + 18, 0x7FFFFFFF)},
        {"wmf_bad_header_size", tf::PictureFormat::Wmf, WithU32(wmf, 22, 0x00050001)},
        {"png_junk", tf::PictureFormat::Png, junk},
        {"bmp_junk", tf::PictureFormat::Bmp, junk},
        {"ico_junk", tf::PictureFormat::Ico, junk},
        {"tiff_junk", tf::PictureFormat::Tiff, junk},
        {"bmp_header_cut", tf::PictureFormat::Bmp, FixtureBytes("wall.bmp").left(30)},
        {"wmf_without_end_record", tf::PictureFormat::Wmf, wmf.left(wmf.size() - 6)},
        {"tiff_cut", tf::PictureFormat::Tiff, FixtureBytes("wall.tif").left(40)},
    };
    return cases;
}

class MalformedPictures : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedPictures, AreRefusedWithAMessage)
{
    const MalformedCase &c = GetParam();
    try {
        const QImage image = tf::DecodePicture(c.bytes, c.format);
        ADD_FAILURE() << "decoded into " << image.width() << " x " << image.height();
    } catch (const tf::Error &e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Picture, MalformedPictures, ::testing::ValuesIn(MalformedCases()),
                         tftest::CaseName());

// ---- pictures that cost far more than their size ----

const QString TooMuchDrawing = QStringLiteral("メタファイルの描画が画像の大きさに比べて多すぎるため読み込めません");

struct CostlyCase {
    const char *name;
    tf::PictureFormat format;
    QByteArray (*make)();
};

TF_PRINT_CASE_AS_NAME(CostlyCase)

// The largest a metafile may be, less room for its frame.
constexpr qsizetype Megabytes16 = tf::MaxMetafileBytes - 256;

const CostlyCase kCostlyMetafiles[] = {
    {"wmf_pen_32767_wide_along_100_points", tf::PictureFormat::Wmf, [] { return tfshapes::WmfWidePenPolyline(100); }},
    {"wmf_pen_32767_wide_along_1000_points", tf::PictureFormat::Wmf, [] { return tfshapes::WmfWidePenPolyline(1000); }},
    {"wmf_16_MB_of_rectangles", tf::PictureFormat::Wmf, [] { return tfshapes::WmfRectangles(Megabytes16); }},
    {"emf_16_MB_of_polylines", tf::PictureFormat::Emf, [] { return tfshapes::EmfPolylines(Megabytes16); }},
    {"emf_16_MB_of_texts", tf::PictureFormat::Emf, [] { return tfshapes::EmfTexts(Megabytes16); }},
    {"emf_4_M_points", tf::PictureFormat::Emf, [] { return tfshapes::EmfPoints(int(Megabytes16 / 4)); }},
    {"emf_few_strokes_of_a_pen_500_pixels_wide", tf::PictureFormat::Emf,
     [] { return tfshapes::EmfWidePenPolylines(20, 500); }},
};

class CostlyMetafiles : public ::testing::TestWithParam<CostlyCase> {};

// Refused by the work they ask for, counted before it is done: the admitted work stays within the budget.
TEST_P(CostlyMetafiles, AreRefusedForTheirDrawingWork)
{
    const CostlyCase &c = GetParam();
    const QByteArray bytes = c.make();
    ASSERT_LE(bytes.size(), tf::MaxMetafileBytes);
    tf::PictureWork work;
    try {
        const QImage image = c.format == tf::PictureFormat::Wmf ? tf::DecodeWmfPicture(bytes, &work)
                                                                 : tf::DecodeEmfPicture(bytes, &work);
        ADD_FAILURE() << "decoded into " << image.width() << " x " << image.height() << " after " << work.units
                      << " units of work";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), TooMuchDrawing);
    }
    if (c.format == tf::PictureFormat::Wmf) {
        EXPECT_GT(work.budget, 0);
        EXPECT_LE(work.units, work.budget) << "drawing admitted beyond the budget";
    }
}

INSTANTIATE_TEST_SUITE_P(Picture, CostlyMetafiles, ::testing::ValuesIn(kCostlyMetafiles), tftest::CaseName());

TEST(PictureWork, DrawingsOfTheirOwnSizeStayWithinTheBudget)
{
    for (const auto &[name, format] :
         {std::pair{"wall.wmf", tf::PictureFormat::Wmf}, std::pair{"wall.emf", tf::PictureFormat::Emf}}) {
        tf::PictureWork work;
        const QByteArray bytes = FixtureBytes(name);
        const QImage image = format == tf::PictureFormat::Wmf ? tf::DecodeWmfPicture(bytes, &work)
                                                              : tf::DecodeEmfPicture(bytes, &work);
        ExpectDrawing(image);
        EXPECT_GT(work.units, qint64(image.width()) * image.height() / 2) << name << ": the fills are counted";
        EXPECT_LE(work.units, work.budget) << name;
        EXPECT_EQ(work.budget, tf::MetafileWorkBudget(image.size())) << name;
    }
}

// libwmf widens the drawing's bounds by the pen, so a pen of 32767 units over a line of 1000 is almost as
// wide as the whole picture: one short stroke paints all but its rim in the pen's colour, within the budget.
TEST(PictureWork, APenAsWideAsThePicturePaintsItOver)
{
    tf::PictureWork work;
    const QImage image =
        tf::DecodeWmfPicture(tfshapes::Wmf().Window(1000).Pen(32767).Polyline(2, 1000).Bytes(1000, 96), &work);
    ASSERT_FALSE(image.isNull());
    for (const QPoint p : {QPoint(image.width() / 8, image.height() / 8), QPoint(image.width() / 2, image.height() / 2),
                           QPoint(image.width() * 7 / 8, image.height() * 7 / 8)})
        EXPECT_EQ(image.pixelColor(p), QColor(0x40, 0x00, 0x80)) << p.x() << ", " << p.y();
    EXPECT_GT(work.units, qint64(image.width()) * image.height());
    EXPECT_LE(work.units, work.budget);
}

TEST(PngForDecoding, TheTextChunksOfABackgroundAreLeftOut)
{
    const QByteArray bytes = tfshapes::PngBehindTextChunks(1000, 8 * 1024 * 1024);
    ASSERT_GT(bytes.size(), 7 * 1000 * 1000);
    const QByteArray decoded = tf::PngForDecoding(bytes);
    EXPECT_EQ(decoded, tfshapes::OnePixelPng(QByteArray(), tfshapes::OnePixelRow()));
    const QImage image = tf::DecodePicture(bytes, tf::PictureFormat::Png);
    ASSERT_EQ(image.size(), QSize(1, 1));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(200, 30, 40));
}

TEST(PngForDecoding, ImageDataInflatingFarBeyondItsPixelsIsRefused)
{
    const QByteArray bytes = tfshapes::PngWithEndlessImageData(64 * 1024 * 1024);
    const QString message = QStringLiteral("PNG の画像データが画素の数に比べて大きすぎるため読み込めません");
    try {
        tf::DecodePicture(bytes, tf::PictureFormat::Png);
        ADD_FAILURE() << "decoded";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), message);
    }
    // The same rows without the endless tail are a picture.
    EXPECT_EQ(tf::DecodePicture(tfshapes::OnePixelPng(QByteArray(), tfshapes::OnePixelRow()), tf::PictureFormat::Png)
                  .size(),
              QSize(1, 1));
}

TEST(PngForDecoding, BytesThatAreNoPngOrEndInsideAChunkAreHandedOnAsTheyAre)
{
    const QByteArray png = FixtureBytes("wall.png");
    EXPECT_EQ(tf::PngForDecoding(png), png);
    EXPECT_EQ(tf::PngForDecoding(png.left(40)), png.left(40));
    const QByteArray junk(100, '\xA5');
    EXPECT_EQ(tf::PngForDecoding(junk), junk);
}

// A metafile whose text sets out two fields with a run of spaces, as a statistics line does.
TEST(PictureFile, MetafileTextKeepsItsRunsOfSpaces)
{
    using namespace tf::emf;
    tf::EmfWriter w(QSize(200, 40), tf::EmfReference::at96Dpi());
    tf::EmfFont font;
    font.height = -20;
    font.fixedPitch = true;
    font.face = QStringLiteral("Noto Sans Mono CJK JP");
    w.selectObject(w.createFont(font));
    w.setBkMode(TRANSPARENT);
    w.setTextAlign(TA_BASELINE);
    w.setTextColor(qRgb(0, 0, 0));
    const QString text = QStringLiteral("1      2"); // the 2 begins seven cells of 10 pixels after the 1
    w.textOut(QPoint(10, 30), text, QVector<int>(text.size(), 10), QRect(10, 10, 80, 25));
    const QImage image = tf::DecodeEmfPicture(w.finish());
    ASSERT_FALSE(image.isNull());
    std::vector<int> ink;
    for (int x = 0; x < image.width(); ++x) {
        bool dark = false;
        for (int y = 0; y < image.height() && !dark; ++y)
            dark = qAlpha(image.pixel(x, y)) > 128 && qGray(image.pixel(x, y)) < 128;
        if (dark)
            ink.push_back(x);
    }
    ASSERT_FALSE(ink.empty());
    EXPECT_LT(ink.front(), 22) << "the 1";
    EXPECT_GE(ink.back(), 78) << "the 2 stands where its cell is";
    EXPECT_LE(ink.back(), 92);
    const auto gap = std::adjacent_find(ink.begin(), ink.end(), [](int a, int b) { return b - a > 40; });
    EXPECT_NE(gap, ink.end()) << "the spaces between them are kept";
}

TEST(PictureFile, BoundedSizeKeepsTheAspectAndAtLeastAPixel)
{
    EXPECT_EQ(tf::BoundedPictureSize(160, 120), QSize(160, 120));
    EXPECT_EQ(tf::BoundedPictureSize(8192, 1024), QSize(4096, 512));
    EXPECT_EQ(tf::BoundedPictureSize(0, -5), QSize(1, 1));
    EXPECT_EQ(tf::BoundedPictureSize(1e12, 1), QSize(4096, 1));
    EXPECT_EQ(tf::BoundedPictureSize(std::numeric_limits<double>::quiet_NaN(), 10), QSize(1, 10));
}

} // namespace
