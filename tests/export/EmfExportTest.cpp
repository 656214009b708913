#include "ExportTestSupport.h"
#include "export/EmfFormat.h"
#include "export/Export.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace exporttest;
using namespace tf::emf;

namespace {

tf::EmfDocument exportSample(TChart &c, QSize size = kSize, tf::EmfReference ref = tf::EmfReference::at96Dpi())
{
    const QByteArray bytes = tf::ExportEmf(c, size, ref);
    return tf::ParseEmf(bytes);
}

struct FrameCase {
    const char *name;
    QSize chart;
    QSize screenPixels;
    QSizeF screenMillimetres;
};
TF_PRINT_CASE_AS_NAME(FrameCase)

class EmfHeader : public testing::TestWithParam<FrameCase> {};

TEST_P(EmfHeader, BoundsAreThePixelSizeAndTheFrameComesFromTheScreen)
{
    const FrameCase fc = GetParam();
    TChart c;
    fillSample(c);
    const QByteArray bytes = tf::ExportEmf(c, fc.chart, tf::EmfReference{fc.screenPixels, fc.screenMillimetres});
    const tf::EmfDocument doc = tf::ParseEmf(bytes);
    const tf::EmfHeader &h = doc.header;
    EXPECT_EQ(h.bounds, QRect(0, 0, fc.chart.width(), fc.chart.height()));
    const int fw = int(std::lround(fc.chart.width() * fc.screenMillimetres.width() * 100 / fc.screenPixels.width()));
    const int fh = int(std::lround(fc.chart.height() * fc.screenMillimetres.height() * 100 / fc.screenPixels.height()));
    EXPECT_EQ(h.frame, QRect(QPoint(0, 0), QPoint(fw, fh)));
    EXPECT_EQ(h.signature, 0x464D4520u);
    EXPECT_EQ(h.version, 0x10000u);
    EXPECT_EQ(h.descriptionLength, 0u);
    EXPECT_EQ(h.devicePixels, fc.screenPixels);
    EXPECT_EQ(h.deviceMillimetres, QSize(int(std::lround(fc.screenMillimetres.width())),
                                         int(std::lround(fc.screenMillimetres.height()))));
    EXPECT_EQ(h.bytes, quint32(bytes.size()));
    EXPECT_EQ(h.records, doc.records.size());
    EXPECT_EQ(doc.records.front().size(), kHeaderSize);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, EmfHeader,
    testing::Values(FrameCase{"FullHd24Inch", QSize(621, 512), QSize(1920, 1080), QSizeF(531, 299)},
                    FrameCase{"Laptop", QSize(800, 333), QSize(1366, 768), QSizeF(344, 194)},
                    FrameCase{"OddSizeAt96Dpi", QSize(7, 5), QSize(1920, 1080), QSizeF(508, 285.75)}),
    tftest::CaseName());

TEST(EmfStream, EveryRecordIsAlignedInsideTheFileAndEndsWithEof)
{
    TChart c;
    fillSample(c);
    const QByteArray bytes = tf::ExportEmf(c, kSize, tf::EmfReference::at96Dpi());
    const tf::EmfDocument doc = tf::ParseEmf(bytes);
    ASSERT_GE(doc.records.size(), 3u);
    quint32 at = 0;
    std::uint32_t highestHandle = 0;
    for (const auto &r : doc.records) {
        EXPECT_EQ(r.offset, at);
        EXPECT_EQ(r.size() % 4, 0u) << "record type " << r.type;
        EXPECT_LE(r.offset + r.size(), quint32(bytes.size()));
        if (r.type == EMR_CREATEPEN || r.type == EMR_CREATEBRUSHINDIRECT || r.type == EMR_EXTCREATEFONTINDIRECTW)
            highestHandle = std::max(highestHandle, r.u32(8));
        at += r.size();
    }
    EXPECT_EQ(at, quint32(bytes.size()));
    EXPECT_EQ(doc.records.front().type, EMR_HEADER);
    EXPECT_EQ(doc.records.back().type, EMR_EOF);
    EXPECT_EQ(doc.records.back().size(), 20u);
    EXPECT_GT(doc.header.handles, highestHandle);
}

TEST(EmfStream, TextRecordsHoldTheTitleTheStatisticsLinesAndTheLegend)
{
    TChart c;
    fillSample(c);
    const tf::EmfDocument doc = exportSample(c);
    std::set<QString> found;
    for (const tf::EmfText &t : texts(doc)) {
        found.insert(t.text);
        EXPECT_EQ(t.dx.size(), t.text.size()) << t.text.toStdString();
    }
    QStringList wanted = c.Title.Text.Lines() + c.SubTitle.Text.Lines();
    for (const TChartSeries *s : c.SeriesList.Items())
        wanted << s->Title.get();
    for (const QString &w : wanted)
        EXPECT_TRUE(found.count(w)) << "no text record holds \"" << w.toStdString() << "\"";
}

TEST(EmfStream, FixedPitchStatisticsKeepTheirColumnsThroughTheSpacing)
{
    TChart c;
    fillSample(c);
    const tf::EmfDocument doc = exportSample(c);
    // Every line starts at the same x, and the same field starts at the same x in every line.
    std::vector<std::pair<int, int>> starts;
    for (const tf::EmfText &t : texts(doc)) {
        if (!c.SubTitle.Text.Lines().contains(t.text))
            continue;
        const int at = int(t.text.indexOf(QStringLiteral("最小値=")));
        int x = t.reference.x();
        for (int i = 0; i < at; ++i)
            x += t.dx[i];
        starts.push_back({t.reference.x(), x});
    }
    ASSERT_EQ(starts.size(), 3u);
    for (const auto &s : starts)
        EXPECT_EQ(s, starts.front());
}

// Readers that place each character by the record's advances (LibreOffice, Inkscape) must find every
// character where the screen's own text layout puts it, and a font of natural width: a width in the font
// record would make them stretch the glyphs, and rounding each advance on its own would let a long line drift.
TEST(EmfStream, EveryCharacterOfTheStatisticsAndTheLegendStartsWhereTheScreenPutsIt)
{
    TChart c;
    fillSample(c);
    const tf::EmfDocument doc = exportSample(c);
    int checked = 0;
    for (const auto &r : doc.records) {
        if (r.type == EMR_EXTCREATEFONTINDIRECTW) {
            EXPECT_LT(r.i32(12), 0) << "the height is the character height";
            EXPECT_EQ(r.i32(16), 0) << "the width is the font's own";
        }
        if (r.type != EMR_EXTTEXTOUTW)
            continue;
        const tf::EmfText t = tf::ReadTextRecord(r);
        const bool statistics = c.SubTitle.Text.Lines().contains(t.text);
        const bool legend = std::any_of(c.SeriesList.Items().begin(), c.SeriesList.Items().end(),
                                        [&](const TChartSeries *s) { return s->Title.get() == t.text; });
        if (!statistics && !legend)
            continue;
        SCOPED_TRACE(t.text.toStdString());
        EXPECT_EQ(t.options & 0x2000u, 0u) << "no vertical advances (ETO_PDY)";
        const QFont font = tf::ChartFont(statistics ? c.SubTitle.Font : c.Legend.Font);
        QTextLayout layout(t.text, font);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        layout.endLayout();
        const double origin = line.cursorToX(0);
        ASSERT_EQ(t.dx.size(), t.text.size());
        int x = 0;
        for (int i = 0; i <= t.text.size(); ++i) {
            EXPECT_NEAR(x, line.cursorToX(i) - origin, 0.5 + 1e-9) << "character " << i;
            if (i < t.text.size())
                x += t.dx[i];
        }
        EXPECT_NEAR(x, QFontMetricsF(font).horizontalAdvance(t.text), 0.5 + 1e-9) << "the whole width";
        ++checked;
    }
    EXPECT_EQ(checked, c.SubTitle.Text.Count() + c.SeriesCount());
}

struct FontCase {
    const char *name;
    TFontStyles style;
    int size;
    TColor color;
};
TF_PRINT_CASE_AS_NAME(FontCase)

class EmfTitleFont : public testing::TestWithParam<FontCase> {};

TEST_P(EmfTitleFont, TheTextRecordIsDrawnWithTheTitleFontAndColourAndNoExtraLines)
{
    const FontCase fc = GetParam();
    TChart c;
    fillSample(c);
    c.Title.Font.Style = fc.style;
    c.Title.Font.Size = fc.size;
    c.Title.Font.Color = fc.color;
    const tf::EmfDocument doc = exportSample(c);

    std::map<std::uint32_t, tf::EmfFont> fonts; // handles are used again once deleted
    std::uint32_t selectedFont = 0, textColor = 0;
    bool seen = false;
    for (const auto &r : doc.records) {
        if (r.type == EMR_EXTCREATEFONTINDIRECTW) {
            std::uint32_t h = 0;
            const tf::EmfFont f = tf::ReadFontRecord(r, &h);
            fonts[h] = f;
        } else if (r.type == EMR_CREATEPEN || r.type == EMR_CREATEBRUSHINDIRECT) {
            fonts.erase(r.u32(8));
        } else if (r.type == EMR_SELECTOBJECT && fonts.count(r.u32(8))) {
            selectedFont = r.u32(8);
        } else if (r.type == EMR_SETTEXTCOLOR) {
            textColor = tf::ReadColorRef(r);
        } else if (r.type == EMR_EXTTEXTOUTW && tf::ReadTextRecord(r).text == QStringLiteral("タイトル")) {
            seen = true;
            const tf::EmfFont &f = fonts.at(selectedFont);
            EXPECT_EQ(f.face.toStdString(), QFontInfo(tf::ChartFont(c.Title.Font)).family().toStdString());
            EXPECT_EQ(f.height, -int(std::lround(fc.size * 96.0 / 72.0)));
            EXPECT_EQ(f.weight >= 600, bool(fc.style & fsBold));
            EXPECT_EQ(f.italic, bool(fc.style & fsItalic));
            EXPECT_EQ(f.underline, bool(fc.style & fsUnderline));
            EXPECT_EQ(f.strikeOut, bool(fc.style & fsStrikeOut));
            EXPECT_EQ(f.escapement, 0);
            EXPECT_EQ(textColor, fc.color);
            // Underline and strike-out come from the font; no line of their own is drawn over the text.
            const QRect box = tf::ReadTextRecord(r).bounds;
            for (const auto &other : doc.records) {
                if (other.type != EMR_POLYLINE16)
                    continue;
                for (const QPolygon &p : tf::ReadPolyRecord(other))
                    EXPECT_FALSE(box.contains(p.boundingRect().center())) << "a line over the title";
            }
        }
    }
    EXPECT_TRUE(seen) << "no title text record";
}

INSTANTIATE_TEST_SUITE_P(
    Styles, EmfTitleFont,
    testing::Values(FontCase{"Plain", 0, 10, clBlack}, FontCase{"Bold", fsBold, 12, RGBColor(200, 0, 0)},
                    FontCase{"ItalicUnderlined", fsItalic | fsUnderline, 14, RGBColor(0, 0, 255)},
                    FontCase{"StruckOut", fsStrikeOut, 10, RGBColor(0, 128, 0)},
                    FontCase{"Everything", fsBold | fsItalic | fsUnderline | fsStrikeOut, 18, RGBColor(1, 2, 3)}),
    tftest::CaseName());

TEST(EmfStream, TheLeftAxisTitleStandsTurnedAQuarter)
{
    TChart c;
    fillSample(c);
    c.LeftAxis.Title.Caption = QStringLiteral("度数");
    const tf::EmfDocument doc = exportSample(c);
    int escapement = -1, seen = 0;
    for (const auto &r : doc.records) {
        if (r.type == EMR_EXTCREATEFONTINDIRECTW)
            escapement = tf::ReadFontRecord(r).escapement;
        if (r.type == EMR_EXTTEXTOUTW && tf::ReadTextRecord(r).text == QStringLiteral("度数")) {
            EXPECT_EQ(escapement, 900);
            ++seen;
        }
    }
    EXPECT_EQ(seen, 1);
}

// The brush colours of the filled polygons, as 0x00BBGGRR, with the bounding box of each fill.
std::vector<std::pair<std::uint32_t, QRect>> fills(const tf::EmfDocument &doc)
{
    std::map<std::uint32_t, std::uint32_t> brushes;
    std::uint32_t brush = 0;
    std::vector<std::pair<std::uint32_t, QRect>> out;
    for (const auto &r : doc.records) {
        if (r.type == EMR_CREATEBRUSHINDIRECT)
            brushes[r.u32(8)] = tf::ReadColorRef(r);
        else if (r.type == EMR_CREATEPEN || r.type == EMR_EXTCREATEFONTINDIRECTW)
            brushes.erase(r.u32(8)); // handles are used again once deleted
        else if (r.type == EMR_SELECTOBJECT && (brushes.count(r.u32(8)) || r.u32(8) == NULL_BRUSH))
            brush = r.u32(8);
        else if (r.type == EMR_POLYGON16 || r.type == EMR_POLYGON) {
            EXPECT_NE(brush, NULL_BRUSH);
            for (const QPolygon &p : tf::ReadPolyRecord(r))
                out.push_back({brushes[brush], p.boundingRect()});
        }
    }
    return out;
}

TEST(EmfStream, BarsAreFilledRectanglesOfTheLayout)
{
    TChart c;
    fillSample(c);
    const tf::EmfDocument doc = exportSample(c);
    const tf::ChartLayout l = tf::LayoutChart(c, kSize);
    const auto f = fills(doc);
    for (const auto &bar : l.bars) {
        const QColor col = bar.color;
        const std::uint32_t ref = RGBColor(col.red(), col.green(), col.blue());
        // The polygon's corners are the bar's edges: pixels left..right, top..bottom.
        const QRect corners(bar.rect.topLeft(), bar.rect.bottomRight() + QPoint(1, 1));
        EXPECT_TRUE(std::any_of(f.begin(), f.end(), [&](const auto &x) { return x.first == ref && x.second == corners; }))
            << "bar " << bar.series << "/" << bar.point << " " << corners.x() << "," << corners.y() << " " << corners.width() << "x" << corners.height();
    }
}

TEST(EmfStream, BarsBeyondAFixedRangeAreCutAtThePlotArea)
{
    TChart c;
    fillSample(c);
    c.LeftAxis.Automatic = false;
    c.LeftAxis.Minimum = -1e10;
    c.LeftAxis.Maximum = 4;
    c.LeftAxis.Minimum = 0;
    const tf::EmfDocument doc = exportSample(c);
    const tf::ChartLayout l = tf::LayoutChart(c, kSize);
    const QRect plotCorners(l.plot.topLeft(), l.plot.bottomRight() + QPoint(1, 1));
    std::set<std::uint32_t> barColours;
    for (const auto &bar : l.bars)
        barColours.insert(RGBColor(bar.color.red(), bar.color.green(), bar.color.blue()));
    int bars = 0;
    for (const auto &[colour, box] : fills(doc)) {
        if (!barColours.count(colour) || !box.intersects(plotCorners))
            continue; // legend swatches share the colours
        ++bars;
        EXPECT_TRUE(plotCorners.contains(box)) << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
    }
    EXPECT_GT(bars, 0);
}

TEST(EmfStream, HiddenSeriesHasNoBarsAndNoLegendEntry)
{
    TChart c;
    fillSample(c);
    TChartSeries *hidden = c.Series(1);
    hidden->Active = false;
    const tf::EmfDocument doc = exportSample(c);
    for (const auto &[colour, box] : fills(doc))
        EXPECT_NE(colour, hidden->SeriesColor.get()) << "a fill in the hidden series' colour";
    for (const tf::EmfText &t : texts(doc))
        EXPECT_NE(t.text, hidden->Title.get());
    // Its statistics line stays.
    bool line = false;
    for (const tf::EmfText &t : texts(doc))
        line = line || t.text == c.SubTitle.Text[1];
    EXPECT_TRUE(line);
}

struct PictureCase {
    const char *name;
    QSize picture;
};
TF_PRINT_CASE_AS_NAME(PictureCase)

class EmfPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(EmfPicture, IsOneBitmapRecordOverThePlotArea)
{
    TChart c;
    fillSample(c);
    QImage picture(GetParam().picture, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    c.BackWall.Picture.SetImage(picture);
    const tf::EmfDocument doc = exportSample(c);
    const tf::ChartLayout l = tf::LayoutChart(c, kSize);
    int count = 0;
    for (const auto &r : doc.records) {
        if (r.type != EMR_STRETCHDIBITS)
            continue;
        ++count;
        const tf::EmfBitmap b = tf::ReadStretchDibRecord(r);
        EXPECT_EQ(b.dest, l.plot);
        EXPECT_EQ(b.source, GetParam().picture.boundedTo(l.plot.size()));
        EXPECT_EQ(b.bitsPerPixel, 24);
    }
    EXPECT_EQ(count, 1);
    // Drawn as on screen, under the bars.
    const QImage read = readWithLibemf2svg(tf::ExportEmf(c, kSize, tf::EmfReference::at96Dpi()), kSize);
    EXPECT_EQ(QColor(read.pixel(l.plot.topLeft() + QPoint(3, 3))).name().toStdString(), "#0ac81e");
}

INSTANTIATE_TEST_SUITE_P(Sizes, EmfPicture,
                         testing::Values(PictureCase{"Small", QSize(40, 30)}, PictureCase{"LargerThanThePlot", QSize(2000, 1500)}),
                         tftest::CaseName());

TEST(EmfStream, ATranslucentShadowIsMixedWithWhatLiesUnderIt)
{
    TChart c;
    fillSample(c);
    c.Shadow.Visible = true;
    const QImage screen = tf::ExportImage(c, kSize);
    const QImage read = readWithLibemf2svg(tf::ExportEmf(c, kSize, tf::EmfReference::at96Dpi()), kSize);
    const QPoint inShadow(kSize.width() - 5, kSize.height() / 2);
    const QColor a = screen.pixelColor(inShadow), b = read.pixelColor(inShadow);
    EXPECT_NEAR(a.red(), b.red(), 2);
    EXPECT_NEAR(a.green(), b.green(), 2);
    EXPECT_NEAR(a.blue(), b.blue(), 2);
}

TEST(EmfStream, AnEmptyChartAtTheSmallestSizeIsAWholeMetafile)
{
    TChart c;
    const tf::EmfDocument doc = tf::ParseEmf(tf::ExportEmf(c, QSize(0, 0), tf::EmfReference::at96Dpi()));
    EXPECT_EQ(doc.header.bounds, QRect(0, 0, 1, 1));
    EXPECT_EQ(doc.records.back().type, EMR_EOF);
}

} // namespace

// A reader without the statistics face puts another in its place by the font record's pitch and family: the
// monospaced face is marked fixed pitch and modern, so its columns stay aligned; the title's face is not.
TEST(EmfStream, MonospacedFacesAreMarkedFixedPitchAndModern)
{
    TChart c;
    fillSample(c);
    const tf::EmfDocument doc = exportSample(c);
    const QString statistics = QFontInfo(tf::ChartFont(c.SubTitle.Font)).family();
    const QString title = QFontInfo(tf::ChartFont(c.Title.Font)).family();
    ASSERT_NE(statistics, title);
    std::set<QString> seen;
    for (const auto &r : doc.records) {
        if (r.type != EMR_EXTCREATEFONTINDIRECTW)
            continue;
        const tf::EmfFont f = tf::ReadFontRecord(r);
        const int pitchAndFamily = quint8(r.bytes[12 + 27]); // lfPitchAndFamily of the LOGFONTW after the handle
        if (f.face == statistics) {
            EXPECT_EQ(pitchAndFamily, 0x31) << "FIXED_PITCH | FF_MODERN";
            EXPECT_TRUE(f.fixedPitch);
        } else if (f.face == title) {
            EXPECT_EQ(pitchAndFamily & 3, 0) << "the title's face keeps the default pitch";
        }
        seen.insert(f.face);
    }
    EXPECT_TRUE(seen.count(statistics) && seen.count(title));
}

// A text that reaches past its clip sits between records that keep the state, narrow the clip to the
// panel's margin and bring the state back; texts inside their room have none.
TEST(EmfStream, OnlyTextsTooLongForThePanelAreCutByClipRecords)
{
    TChart c;
    fillSample(c);
    const QString longTitle = QStringLiteral("とても長いタイトル").repeated(12);
    c.Title.Text.Clear();
    c.Title.Text.Add(longTitle);
    const tf::ChartLayout l = tf::LayoutChart(c, kSize);
    const tf::EmfDocument doc = exportSample(c);
    int depth = 0, cutTexts = 0;
    QRect clip;
    for (const auto &r : doc.records) {
        if (r.type == EMR_SAVEDC) {
            ++depth;
        } else if (r.type == EMR_RESTOREDC) {
            EXPECT_EQ(r.i32(8), -1);
            --depth;
            EXPECT_GE(depth, 0);
            clip = QRect();
        } else if (r.type == EMR_INTERSECTCLIPRECT) {
            EXPECT_EQ(depth, 1);
            clip = QRect(QPoint(r.i32(8), r.i32(12)), QPoint(r.i32(16) - 1, r.i32(20) - 1)); // right, bottom outside
        } else if (r.type == EMR_EXTTEXTOUTW) {
            const tf::EmfText t = tf::ReadTextRecord(r);
            if (depth > 0) {
                ++cutTexts;
                EXPECT_EQ(clip, l.textClip);
                EXPECT_TRUE(longTitle.startsWith(t.text)) << t.text.toStdString();
            } else {
                EXPECT_FALSE(longTitle.startsWith(t.text) && !t.text.isEmpty()) << "the long title without a clip";
            }
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(cutTexts, 1);
}
