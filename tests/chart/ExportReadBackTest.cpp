// Every export read back by an independent reader and compared with the bitmap of the same moment.
#include "ExportTestSupport.h"
#include "chart/Export.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

struct ReadBackCase {
    const char *name;
    bool horizontal;
    int hidden; // series index to hide, or -1
    QSize size;
};
TF_PRINT_CASE_AS_NAME(ReadBackCase)

class ReadBack : public testing::TestWithParam<ReadBackCase> {
protected:
    void SetUp() override
    {
        const ReadBackCase rc = GetParam();
        tf::RegisterChartFontSubstitutions();
        for (int k = 0; k < 3; ++k) {
            TChartSeries *s = rc.horizontal ? static_cast<TChartSeries *>(charttest::addBars<THorizBarSeries>(c, {}))
                                            : static_cast<TChartSeries *>(charttest::addBars<TBarSeries>(c, {}));
            s->Title = QStringLiteral("列%1").arg(k);
            for (int j = 0; j < 16; ++j) {
                const double pos = j * 2.0, count = (j * 7 + k * 3) % 11 + 1;
                rc.horizontal ? s->AddXY(count, pos, QString(), AutoColor) : s->AddXY(pos, count, QString(), AutoColor);
            }
        }
        c.SubTitle.Text.Add(QStringLiteral("列0: 平均=  15.60"));
        if (rc.hidden >= 0)
            c.Series(rc.hidden)->Active = false;
        bitmap = tf::ExportImage(c, rc.size);
        layout = tf::LayoutChart(c, rc.size);
    }

    // The hidden series' colour appears nowhere in the plot area.
    void expectHiddenAbsent(const QImage &img)
    {
        const int hidden = GetParam().hidden;
        if (hidden < 0)
            return;
        const QRgb colour = tf::ChartColor(c.Series(hidden)->SeriesColor.get()).rgb();
        EXPECT_EQ(countColor(img, layout.plot, colour), 0);
        EXPECT_EQ(countColor(img, img.rect(), colour), 0) << "not in the legend either";
    }

    TChart c;
    QImage bitmap;
    tf::ChartLayout layout;
};

TEST_P(ReadBack, MetafileReadByLibemf2svgMatchesTheBitmap)
{
    const QSize size = GetParam().size;
    const QByteArray emf = tf::ExportEmf(c, size, tf::EmfReference::at96Dpi());
    const tf::EmfDocument doc = tf::ParseEmf(emf);
    EXPECT_EQ(doc.header.bounds.width(), bitmap.width());
    EXPECT_EQ(doc.header.bounds.height(), bitmap.height());
    QSize readerSize;
    const QImage read = readWithLibemf2svg(emf, size, &readerSize);
    // libemf2svg takes the inclusive bounds' difference as the size.
    EXPECT_NEAR(readerSize.width(), size.width(), 1);
    EXPECT_NEAR(readerSize.height(), size.height(), 1);
    expectSameBars(bitmap, read, layout);
    expectHiddenAbsent(bitmap);
    expectHiddenAbsent(read);

    // tools/check-emf-readers.sh opens these in other programs.
    const QString out = qEnvironmentVariable("TF_WRITE_EXPORT_DIR");
    if (!out.isEmpty() && GetParam().hidden < 0 && !GetParam().horizontal) {
        const QString base = out + QStringLiteral("/") + QLatin1String(GetParam().name);
        const std::pair<const char *, QByteArray> files[] = {
            {".emf", emf}, {".bmp", tf::ExportBmp(c, size)}, {".svg", tf::ExportSvg(c, size)}, {".pdf", tf::ExportPdf(c, size)}};
        for (const auto &[ext, bytes] : files) {
            QFile f(base + QLatin1String(ext));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << f.fileName().toStdString();
        }
    }
}

TEST_P(ReadBack, SvgReadByQtSvgMatchesTheBitmap)
{
    const QSize size = GetParam().size;
    QSize svgSize;
    const QImage read = renderSvg(tf::ExportSvg(c, size), size, &svgSize);
    EXPECT_EQ(svgSize.width(), size.width());
    EXPECT_EQ(svgSize.height(), size.height());
    expectSameBars(bitmap, read, layout);
    expectHiddenAbsent(read);
}

TEST_P(ReadBack, PngAtOnceAndTwiceTheSize)
{
    const QSize size = GetParam().size;
    const QImage once = QImage::fromData(tf::ExportPng(c, size, 1), "PNG").convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(once, bitmap);
    const QImage twice = QImage::fromData(tf::ExportPng(c, size, 2), "PNG").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(twice.size(), size * 2);
    expectSameBars(bitmap, twice.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation), layout);
}

INSTANTIATE_TEST_SUITE_P(
    Charts, ReadBack,
    testing::Values(ReadBackCase{"Vertical", false, -1, QSize(621, 512)},
                    ReadBackCase{"VerticalSecondHidden", false, 1, QSize(621, 512)},
                    ReadBackCase{"HorizontalFirstHidden", true, 0, QSize(540, 420)},
                    ReadBackCase{"WideAndLow", false, -1, QSize(900, 300)}),
    tftest::CaseName());

struct PdfCase {
    const char *name;
    QSize size;
};
TF_PRINT_CASE_AS_NAME(PdfCase)

class PdfPage : public testing::TestWithParam<PdfCase> {};

TEST_P(PdfPage, IsTheChartsSizeAtNinetySixPixelsPerInch)
{
    TChart c;
    fillSample(c);
    const QSize size = GetParam().size;
    const QByteArray pdf = tf::ExportPdf(c, size);
    ASSERT_TRUE(pdf.startsWith("%PDF-"));
    const QRegularExpression box(QStringLiteral("/MediaBox \\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)\\s*\\]"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(pdf));
    ASSERT_TRUE(m.hasMatch());
    EXPECT_NEAR(m.captured(1).toDouble(), size.width() * 72.0 / 96.0, 0.5);
    EXPECT_NEAR(m.captured(2).toDouble(), size.height() * 72.0 / 96.0, 0.5);
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PdfPage,
                         testing::Values(PdfCase{"Window", QSize(621, 512)}, PdfCase{"Wide", QSize(1200, 300)}),
                         tftest::CaseName());

} // namespace
