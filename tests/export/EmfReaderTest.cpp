#include "tests/support/TestSupport.h"
#include "export/EmfReader.h"
#include "export/EmfFormat.h"
#include "export/EmfWriter.h"
#include "engine/Error.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

QByteArray smallMetafile()
{
    tf::EmfWriter w(QSize(10, 8), tf::EmfReference::at96Dpi());
    const auto brush = w.createBrush(0, qRgb(1, 2, 3));
    w.selectObject(brush);
    w.polygon(QPolygon(QRect(1, 1, 4, 4)));
    w.textOut(QPoint(1, 7), QStringLiteral("ab"), {3, 4}, QRect(1, 1, 6, 6));
    return w.finish();
}

void setU32(QByteArray &b, int at, quint32 v)
{
    v = qToLittleEndian(v);
    std::memcpy(b.data() + at, &v, 4);
}

struct BadCase {
    const char *name;
    std::function<QByteArray(QByteArray)> spoil;
    const char *reason; // part of the message
};
TF_PRINT_CASE_AS_NAME(BadCase)

class EmfReaderRefuses : public testing::TestWithParam<BadCase> {};

TEST_P(EmfReaderRefuses, MalformedBytesWithTheReason)
{
    const BadCase bc = GetParam();
    const QByteArray bytes = bc.spoil(smallMetafile());
    try {
        tf::ParseEmf(bytes);
        FAIL() << "accepted";
    } catch (const tf::Error &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String(bc.reason))) << e.message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmfReaderRefuses,
    testing::Values(
        BadCase{"Empty", [](QByteArray) { return QByteArray(); }, "no records"},
        BadCase{"CutInTheMiddle", [](QByteArray b) { return b.left(b.size() - 6); }, "past the end"},
        BadCase{"HalfARecordHead", [](QByteArray b) { return b.left(b.size() - 16); }, "cut off"},
        BadCase{"WithoutEof", [](QByteArray b) { return b.left(b.size() - 20); }, "no EOF"},
        BadCase{"SizeNotAMultipleOfFour", [](QByteArray b) { setU32(b, 108 + 4, 13); return b; }, "multiple of 4"},
        BadCase{"SizeZero", [](QByteArray b) { setU32(b, 108 + 4, 0); return b; }, "multiple of 4"},
        BadCase{"RecordPastTheEnd", [](QByteArray b) { setU32(b, 108 + 4, 0x7ffffff0); return b; }, "past the end"},
        BadCase{"NoHeaderFirst", [](QByteArray b) { setU32(b, 0, 14); return b; }, "not the header"},
        BadCase{"BadSignature", [](QByteArray b) { setU32(b, 40, 0x12345678); return b; }, "signature"},
        BadCase{"WrongByteCount", [](QByteArray b) { setU32(b, 48, 4); return b; }, "bytes"},
        BadCase{"WrongRecordCount", [](QByteArray b) { setU32(b, 52, 99); return b; }, "records"},
        BadCase{"BytesAfterEof", [](QByteArray b) { return b + QByteArray(8, '\0'); }, "after the EOF"}),
    tftest::CaseName());

TEST(EmfReader, ReadsBackWhatTheWriterWrote)
{
    const tf::EmfDocument doc = tf::ParseEmf(smallMetafile());
    ASSERT_EQ(doc.records.size(), 6u); // header, brush, select, polygon, text, EOF
    EXPECT_EQ(tf::ReadColorRef(doc.records[1]), 0x00030201u);
    EXPECT_EQ(tf::ReadPolyRecord(doc.records[3]).front(), QPolygon(QRect(1, 1, 4, 4)));
    const tf::EmfText t = tf::ReadTextRecord(doc.records[4]);
    EXPECT_EQ(t.text.toStdString(), "ab");
    EXPECT_EQ(t.reference, QPoint(1, 7));
    EXPECT_EQ(t.dx, (QVector<int>{3, 4}));
}

TEST(EmfReader, TextWhoseOffsetsPointOutsideIsRefused)
{
    const tf::EmfDocument doc = tf::ParseEmf(smallMetafile());
    tf::EmfRecord text = doc.records[4];
    setU32(text.bytes, 44, 1000); // more characters than the record holds
    EXPECT_THROW(tf::ReadTextRecord(text), tf::Error);
    text = doc.records[4];
    setU32(text.bytes, 72, 0xfffffff0); // spacing far outside
    EXPECT_THROW(tf::ReadTextRecord(text), tf::Error);
}

struct DestinationCase {
    const char *name;
    std::vector<std::pair<int, quint32>> fields; // byte offset inside the bitmap record, value written there
};
TF_PRINT_CASE_AS_NAME(DestinationCase)

class EmfReaderBitmapDestination : public testing::TestWithParam<DestinationCase> {};

// A far edge beyond the 32-bit coordinate range is refused, not wrapped around.
TEST_P(EmfReaderBitmapDestination, PastTheCoordinateRangeIsRefused)
{
    tf::EmfWriter w(QSize(10, 8), tf::EmfReference::at96Dpi());
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    w.stretchDIBits(QRect(5, 1, 4, 3), image);
    const tf::EmfDocument doc = tf::ParseEmf(w.finish());
    const auto found = std::find_if(doc.records.begin(), doc.records.end(),
                                    [](const tf::EmfRecord &r) { return r.type == tf::emf::EMR_STRETCHDIBITS; });
    ASSERT_NE(found, doc.records.end());
    EXPECT_EQ(tf::ReadStretchDibRecord(*found).dest, QRect(5, 1, 4, 3));
    tf::EmfRecord spoilt = *found;
    for (const auto &[at, value] : GetParam().fields)
        setU32(spoilt.bytes, at, value);
    EXPECT_THROW(tf::ReadStretchDibRecord(spoilt), tf::Error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmfReaderBitmapDestination,
    testing::Values(DestinationCase{"WidestFromTheLeftEdge", {{72, 0x7fffffffu}}},
                    DestinationCase{"LargestLeftEdge", {{24, 0x7fffffffu}}},
                    DestinationCase{"TallestFromBelowTheTopRow", {{28, 2u}, {76, 0x7fffffffu}}},
                    DestinationCase{"NegativeHeightFromTheLowestTop", {{28, 0x80000000u}, {76, 0xffffffffu}}},
                    DestinationCase{"LowestHeightFromAboveTheOrigin", {{28, 0xfffffffeu}, {76, 0x80000000u}}}),
    tftest::CaseName());

} // namespace
