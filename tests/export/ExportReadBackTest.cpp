// Every export read back by an independent reader and compared with the bitmap of the same moment.
#include "ExportTestSupport.h"
#include "export/Export.h"

#include <QBuffer>
#include <QFile>
#include <QFontInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>

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

    if (GetParam().hidden < 0 && !GetParam().horizontal)
        writeExportsForReaders(GetParam().name, c, size, emf, read);
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

// Other programs find the fonts of the SVG texts by the family each font resolved to here, the one the
// bitmap shows (the fixed-pitch statistics font keeps its columns), and keep every space.
TEST(SvgText, NamesTheFamiliesTheBitmapIsDrawnWithAndKeepsItsSpaces)
{
    TChart c;
    fillSample(c);
    QXmlStreamReader xml(tf::ExportSvg(c, kSize));
    std::map<QString, QString> familyOf; // text -> font-family
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("text"))
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        EXPECT_EQ(a.value(QLatin1String("xml:space")).toString(), QStringLiteral("preserve"));
        const QString family = a.value(QLatin1String("font-family")).toString();
        familyOf[xml.readElementText()] = family;
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    auto expectFamily = [&](const QString &text, const TTeeFont &font) {
        ASSERT_TRUE(familyOf.count(text)) << "no text element holds \"" << text.toStdString() << "\"";
        EXPECT_EQ(familyOf[text], QFontInfo(tf::ChartFont(font)).family()) << text.toStdString();
    };
    for (const QString &line : c.SubTitle.Text.Lines())
        expectFamily(line, c.SubTitle.Font);
    expectFamily(c.Title.Text.Lines().front(), c.Title.Font);
    for (const TChartSeries *s : c.SeriesList.Items())
        expectFamily(s->Title.get(), c.Legend.Font);
}

// The columns of `area` that hold ink, gathered into words: runs of such columns with gaps of at most
// seven pixels inside (a space of the statistics font is six pixels wide, and its glyphs keep a margin).
std::vector<Run> inkWords(const QImage &img, const QRect &area)
{
    std::vector<Run> words;
    int lastInk = -100;
    for (int x = area.left(); x <= area.right(); ++x) {
        bool ink = false;
        for (int y = area.top(); y <= area.bottom() && !ink; ++y)
            ink = qGray(img.pixel(x, y)) < 192;
        if (!ink)
            continue;
        if (x - lastInk > 7)
            words.push_back(Run{x, x});
        words.back().to = x;
        lastInk = x;
    }
    return words;
}

struct InkCase {
    const char *name;
    bool statistics; // a statistics line, else a legend entry
    int index;
};
TF_PRINT_CASE_AS_NAME(InkCase)

class TextReadBack : public testing::TestWithParam<InkCase> {};

// Read by libemf2svg, every word of a statistics line and of the legend stands where the bitmap has it,
// with the same gaps between the words.
TEST_P(TextReadBack, WordsStandWhereTheBitmapHasThem)
{
    TChart c;
    fillSample(c);
    const QImage bitmap = tf::ExportImage(c, kSize);
    const tf::ChartLayout layout = tf::LayoutChart(c, kSize);
    const QByteArray emf = tf::ExportEmf(c, kSize, tf::EmfReference::at96Dpi());
    const QImage read = readWithLibemf2svg(emf, kSize);
    const InkCase ic = GetParam();
    if (ic.statistics && ic.index == 0)
        writeExportsForReaders("Statistics", c, kSize, emf, read);
    const QRect area = ic.statistics ? layout.subTitleLines.value(ic.index).rect
                                     : layout.legendEntries.value(ic.index).text;
    ASSERT_FALSE(area.isEmpty());
    const std::vector<exporttest::Run> expected = inkWords(bitmap, area), actual = inkWords(read, area);
    // The fields of a statistics line stand apart by two spaces or more; how many smaller gaps show
    // depends on the glyphs.
    ASSERT_GE(expected.size(), ic.statistics ? 5u : 1u) << "words of the bitmap";
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i].from, expected[i].from, 1) << "start of word " << i;
        EXPECT_NEAR(actual[i].to, expected[i].to, 1) << "end of word " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, TextReadBack,
                         testing::Values(InkCase{"FirstStatisticsLine", true, 0}, InkCase{"LastStatisticsLine", true, 2},
                                         InkCase{"FirstLegendEntry", false, 0}, InkCase{"LastLegendEntry", false, 2}),
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

namespace {

// A narrow chart whose texts are all too long for it, with border and shadow: a long title, long statistics
// lines, long axis titles and thirteen series with long titles.
void fillCrowded(TChart &c)
{
    tf::RegisterChartFontSubstitutions();
    c.Shadow.Visible = true;
    c.Border.Visible = true;
    c.Title.Text.Clear();
    c.Title.Text.Add(QStringLiteral("軸受外径の分布（第一ロットから第十三ロットまで、恒温室で測定）"));
    for (int k = 0; k < 13; ++k) {
        auto *s = charttest::addBars(c, {}, QStringLiteral("第%1ロット 外径測定値（検査工程B）").arg(k + 1));
        for (int j = 0; j < 8; ++j)
            s->AddXY(j * 2.0, (j * 5 + k * 3) % 7 + 1, QString(), AutoColor);
        c.SubTitle.Text.Add(QStringLiteral("%1: 平均=  15.60  標準偏差= 11.95  最大値=  31.00  最小値=   3.00")
                                .arg(QStringLiteral("第%1ロット").arg(k + 1), 8));
    }
    c.BottomAxis.Title.Caption = QStringLiteral("外径の測定値（三次元測定機・第二検査工程・恒温室）[mm]");
    c.LeftAxis.Title.Caption = QStringLiteral("個数（第一ロットから第十三ロットまでの合計）");
}

int inkIn(const QImage &img, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGray(img.pixel(x, y)) < 128;
    return n;
}

struct EdgeCase {
    const char *name;
    QImage (*read)(TChart &c, QSize size);
};
TF_PRINT_CASE_AS_NAME(EdgeCase)

class EdgeReadBack : public testing::TestWithParam<EdgeCase> {};

// Read back by other programs, a text too long for the panel is cut where the bitmap cuts it, at the panel's
// inner margin: nothing of it reaches the margin, the border, the shadow or past the picture, and it runs up
// to the margin as in the bitmap.
TEST_P(EdgeReadBack, LongTextsAreCutAtThePanelsMarginAsInTheBitmap)
{
    TChart c;
    fillCrowded(c);
    const QSize size(360, 480);
    const QImage bitmap = tf::ExportImage(c, size);
    const tf::ChartLayout l = tf::LayoutChart(c, size);
    const QImage read = GetParam().read(c, size);
    ASSERT_EQ(read.size(), size);

    // Outside the margin every pixel is the bitmap's, but along the lines of border and shadow, which each
    // reader smooths in its own way, and next to the room, where a reader may place a text standing at its
    // edge a pixel apart.
    const QRect shadow = l.panel.translated(c.Shadow.HorizSize.get(), c.Shadow.VertSize.get());
    const auto onEdge = [&](int x, int y) {
        for (const QRect &r : {l.panel, shadow})
            if (std::abs(x - r.left()) <= 1 || std::abs(x - r.right()) <= 1 || std::abs(y - r.top()) <= 1 ||
                std::abs(y - r.bottom()) <= 1)
                return true;
        return false;
    };
    int differ = 0;
    QString where;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            if (l.textClip.adjusted(-1, -1, 1, 1).contains(x, y) || onEdge(x, y))
                continue;
            const QRgb a = bitmap.pixel(x, y), b = read.pixel(x, y);
            if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}) > 96 &&
                differ++ < 5)
                where += QStringLiteral(" (%1, %2: %3 read as %4)").arg(x).arg(y).arg(a, 0, 16).arg(b, 0, 16);
        }
    EXPECT_EQ(differ, 0) << "pixels beyond the panel's margin that the bitmap does not have:" << where.toStdString();

    // The title and every statistics line run up to the margin in both.
    const QVector<tf::ChartLayout::TextLine> lines = l.titleLines + l.subTitleLines;
    ASSERT_GE(lines.size(), 2);
    for (const auto &line : lines) {
        const QRect edge(l.textClip.right() - 9, line.rect.top(), 10, line.rect.height());
        if (!l.textClip.contains(edge))
            continue; // a line that the panel's bottom cuts
        EXPECT_GT(inkIn(bitmap, edge), 0) << line.text.toStdString();
        EXPECT_GT(inkIn(read, edge), 0) << line.text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readers, EdgeReadBack,
    testing::Values(EdgeCase{"MetafileThroughLibemf2svgAndLibrsvg",
                             [](TChart &c, QSize size) {
                                 return readWithLibrsvg(
                                     tf::ConvertEmfToSvg(tf::ExportEmf(c, size, tf::EmfReference::at96Dpi())), size);
                             }},
                    EdgeCase{"SvgThroughQtSvg", [](TChart &c, QSize size) { return renderSvg(tf::ExportSvg(c, size), size); }},
                    EdgeCase{"SvgThroughLibrsvg",
                             [](TChart &c, QSize size) { return readWithLibrsvg(tf::ExportSvg(c, size), size); }}),
    tftest::CaseName());

} // namespace
