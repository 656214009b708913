// The exports of the sample chart, byte for byte: moving code or adding drawing that the chart does not use
// must leave every file as it was. The files' SHA-256 sums are kept in tests/fixtures/exports/sample.sha256
// (as sha256sum writes them). When a change is meant to alter these pictures, write the files with
// TF_WRITE_GOLDEN_EXPORTS naming a folder, look at them, and put their new sums there.
#include "ExportTestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace {

using namespace exporttest;

struct GoldenCase {
    const char *name;
    QByteArray (*write)(TChart &chart);
};

void PrintTo(const GoldenCase &c, std::ostream *os) { *os << c.name; }

class GoldenExport : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenExport, SampleChartBytesAreUnchanged)
{
    TChart chart;
    fillSample(chart);
    chart.Title.Text.Clear();
    chart.Title.Text.Add(QStringLiteral("ヒストグラム"));
    const QByteArray bytes = GetParam().write(chart);
    const QString file = QString::fromLatin1(GetParam().name);

    const QString outDir = qEnvironmentVariable("TF_WRITE_GOLDEN_EXPORTS");
    if (!outDir.isEmpty()) {
        QFile out(QDir(outDir).filePath(file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << out.fileName().toStdString();
        ASSERT_EQ(out.write(bytes), bytes.size());
    }

    QFile sums(tftest::fixture("exports/sample.sha256"));
    ASSERT_TRUE(sums.open(QIODevice::ReadOnly | QIODevice::Text)) << sums.fileName().toStdString();
    QString expected;
    for (const QString &line : QString::fromLatin1(sums.readAll()).split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() == 2 && parts[1] == file)
            expected = parts[0];
    }
    ASSERT_FALSE(expected.isEmpty()) << file.toStdString() << " has no sum in sample.sha256";
    const QString actual = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(actual, expected) << file.toStdString() << " is no longer the same file (" << bytes.size() << " bytes)";
}

INSTANTIATE_TEST_SUITE_P(
    Sample, GoldenExport,
    testing::Values(
        GoldenCase{"sample.emf", [](TChart &c) { return ExportEmf(c, kSize, EmfReference::at96Dpi()); }},
        GoldenCase{"sample.bmp", [](TChart &c) { return ExportBmp(c, kSize); }},
        GoldenCase{"sample.svg", [](TChart &c) { return ExportSvg(c, kSize); }}),
    [](const testing::TestParamInfo<GoldenCase> &info) {
        return QString::fromLatin1(info.param.name).replace(QLatin1Char('.'), QLatin1Char('_')).toStdString();
    });

} // namespace
