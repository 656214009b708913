#include "ExportTestSupport.h"
#include "export/BmpWriter.h"
#include "export/Export.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

namespace {

quint32 u32(const QByteArray &b, int at)
{
    quint32 v;
    std::memcpy(&v, b.constData() + at, 4);
    return qFromLittleEndian(v);
}

quint16 u16(const QByteArray &b, int at)
{
    quint16 v;
    std::memcpy(&v, b.constData() + at, 2);
    return qFromLittleEndian(v);
}

// A 3 x 2 image whose every pixel differs: (x, y) is red 10x+1, green 20y+2, blue 30.
QImage oddImage()
{
    QImage img(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            img.setPixel(x, y, qRgb(10 * x + 1, 20 * y + 2, 30));
    return img;
}

struct BmpCase {
    const char *name;
    int bits;
    int rowBytes; // 3 pixels, padded to a multiple of 4
};
TF_PRINT_CASE_AS_NAME(BmpCase)

class BmpLayout : public testing::TestWithParam<BmpCase> {};

TEST_P(BmpLayout, HeadersRowsAndPaddingOfAnOddWidth)
{
    const BmpCase c = GetParam();
    const QByteArray b = tf::WriteBmp(oddImage(), c.bits);
    const int offset = 14 + 40; // no colour table
    ASSERT_EQ(b.size(), offset + 2 * c.rowBytes);
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    EXPECT_EQ(u32(b, 2), quint32(b.size()));
    EXPECT_EQ(u16(b, 6), 0);
    EXPECT_EQ(u16(b, 8), 0);
    EXPECT_EQ(u32(b, 10), quint32(offset));
    EXPECT_EQ(u32(b, 14), 40u);
    EXPECT_EQ(u32(b, 18), 3u);
    EXPECT_EQ(qint32(u32(b, 22)), 2); // positive: bottom row first
    EXPECT_EQ(u16(b, 26), 1);
    EXPECT_EQ(u16(b, 28), c.bits);
    EXPECT_EQ(u32(b, 30), 0u); // uncompressed
    EXPECT_EQ(u32(b, 34), quint32(2 * c.rowBytes));
    EXPECT_EQ(u32(b, 46), 0u); // no colours listed
    EXPECT_EQ(u32(b, 50), 0u);

    const int step = c.bits / 8;
    for (int row = 0; row < 2; ++row) {
        const int y = 1 - row; // the file's first row is the image's bottom row
        for (int x = 0; x < 3; ++x) {
            const int at = offset + row * c.rowBytes + x * step;
            EXPECT_EQ(uchar(b[at]), 30) << "blue of " << x << "," << y;
            EXPECT_EQ(uchar(b[at + 1]), 20 * y + 2) << "green of " << x << "," << y;
            EXPECT_EQ(uchar(b[at + 2]), 10 * x + 1) << "red of " << x << "," << y;
            if (step == 4) {
                EXPECT_EQ(uchar(b[at + 3]), 0) << "fourth byte of " << x << "," << y;
            }
        }
        for (int pad = 3 * step; pad < c.rowBytes; ++pad)
            EXPECT_EQ(b[offset + row * c.rowBytes + pad], '\0') << "padding of row " << row;
    }
    EXPECT_EQ(QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB32), oddImage());
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpLayout,
                         testing::Values(BmpCase{"ThirtyTwoBits", 32, 12}, BmpCase{"TwentyFourBits", 24, 12}),
                         tftest::CaseName());

TEST(BmpLayout, TwentyFourBitRowsOfAnOddWidthArePadded)
{
    QImage img(5, 1, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    const QByteArray b = tf::WriteBmp(img, 24);
    EXPECT_EQ(b.size(), 54 + 16); // 15 bytes of pixels padded to 16
    EXPECT_EQ(QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB32), img);
}

TEST(BmpExport, HoldsTheChartAsDrawnAt32BitsAndTheChartsSize)
{
    tf::TChart c;
    exporttest::fillSample(c);
    const QByteArray b = tf::ExportBmp(c, QSize(333, 217));
    EXPECT_EQ(u32(b, 18), 333u);
    EXPECT_EQ(u32(b, 22), 217u);
    EXPECT_EQ(u16(b, 28), 32);
    const QImage drawn = tf::ExportImage(c, QSize(333, 217));
    EXPECT_EQ(QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB32), drawn);
}

} // namespace
