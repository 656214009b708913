// Large files are seen through a private mapping instead of being read into new memory: the lines must
// be exactly those of the read path, whatever the text's breaks, marks and encoding.
#include "intake/TextRules.h"

#include "engine/Build.h"
#include "engine/Error.h"
#include "engine/FileMapping.h"
#include "engine/Memory.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {

using tf::LineList;

// Keeps everything a build shows of its numbers.
class CollectingSink : public tf::BuildSink {
public:
    QStringList statistics;
    std::vector<std::vector<int>> counts;
    std::vector<double> positions;
    void ClearForBuild(bool, bool) override
    {
        statistics.clear();
        counts.clear();
    }
    void CreateSeries(int, bool) override {}
    void SetSeriesTitles(const QStringList &) override {}
    void SetBinAxisMinimum(double) override {}
    void SetBinAxisMaximum(double) override {}
    void SetKukanValueText(const QString &) override {}
    void AddSeriesPoints(int, const std::vector<double> &p, const std::vector<int> &c) override
    {
        positions = p;
        counts.push_back(c);
    }
    void SetRangeTexts(const QString &, const QString &) override {}
    void AddStatisticsLine(const QString &line) override { statistics += line; }
    void SetStatusText(const QString &) override {}
};

double uniform(tftest::XorShift &rng) { return double(rng() >> 11) * (1.0 / 9007199254740992.0); }

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path;
}

QByteArray pageOfLines(qsizetype size, bool finalBreak)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += QByteArray::number(i % 1000) + ",7\n";
    bytes.truncate(size);
    bytes[size - 1] = finalBreak ? '\n' : '9';
    return bytes;
}

// About `size` bytes of lines of 16 numbers each, every line ended by `lineBreak`.
QByteArray wideLines(qsizetype size, const char *lineBreak)
{
    const QByteArray line = QByteArray("1.25,").repeated(15) + "9.75" + lineBreak;
    return line.repeated(size / line.size());
}

struct MapCase {
    const char *name;
    QByteArray bytes;
};

class MappedLines : public testing::TestWithParam<MapCase> {};

TEST_P(MappedLines, AreTheLinesOfTheReadFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, QStringLiteral("data.csv"), GetParam().bytes);
    LineList mapped = tf::LinesFromMapping(tf::MapFile(path), "CP932");
    LineList read = tf::LinesFromFileBytes(tf::ReadFileBytes(path), "CP932");
    EXPECT_EQ(mapped.toStringList(), read.toStringList());
    EXPECT_EQ(mapped.byteSize(), read.byteSize());
    mapped.removeEmptyLines();
    read.removeEmptyLines();
    EXPECT_EQ(mapped.toStringList(), read.toStringList());
    for (qsizetype i = 0; i < read.size(); ++i)
        ASSERT_EQ(mapped.bytesAt(i), read.bytesAt(i)) << i;
}

TF_PRINT_CASE_AS_NAME(MapCase)

INSTANTIATE_TEST_SUITE_P(
    Files, MappedLines,
    testing::Values(MapCase{"Empty", QByteArray()}, MapCase{"EndedByLf", "a,b\n1,2\n"},
                    MapCase{"NoFinalBreak", "a,b\n1,2"}, MapCase{"CrLfLoneCrAndEmptyLines", "a\r\n1\r2\r\n\r\n\n3\r"},
                    MapCase{"Utf8Mark", "\xEF\xBB\xBF\xE6\xB8\xA9\xE5\xBA\xA6\r\n1\r\n"},
                    MapCase{"Utf16LittleEndian", QByteArray("\xFF\xFE" "a\0\r\0\n\0" "1\0", 10)},
                    MapCase{"ShiftJis", "\x89\xB7\x93\x78,b\n1,2\n"},
                    MapCase{"ExactPagesWithoutFinalBreak", pageOfLines(8192, false)},
                    MapCase{"ExactPagesWithFinalBreak", pageOfLines(8192, true)},
                    MapCase{"LastPagePartlyFilled", pageOfLines(8192 + 100, false)},
                    MapCase{"LoneCrWithoutFinalBreak", "a\rb"}, MapCase{"FinalLoneCr", "1,2\r"},
                    MapCase{"OnlyACr", "\r"}, MapCase{"Utf8MarkThenCr", "\xEF\xBB\xBF\r1\r\n"},
                    // Large enough to be indexed on every processor: the one CR LF in the second half, and
                    // CR LF after every line.
                    MapCase{"LargeWithOneCrLfInItsSecondHalf", wideLines(5 << 20, "\n") + "2.5\r\n" + wideLines(5 << 20, "\n")},
                    MapCase{"LargeWithCrLfEverywhere", wideLines(10 << 20, "\r\n")}),
    tftest::CaseName());

TEST(MappedFile, ACopyKeepsItsLinesWhenTheOtherIsChanged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, QStringLiteral("data.csv"), "x\n\n1\n\n2\n");
    const LineList original = tf::LinesFromMapping(tf::MapFile(path));
    LineList copy = original;
    copy.removeEmptyLines();
    copy.append(u"3");
    EXPECT_EQ(original.toStringList(), (QStringList{u"x"_qs, QString(), u"1"_qs, QString(), u"2"_qs}));
    EXPECT_EQ(copy.toStringList(), (QStringList{u"x"_qs, u"1"_qs, u"2"_qs, u"3"_qs}));
}

// Sixteen pages, and a file large enough to be mapped from a 2 MB boundary in huge pages.
class ShortenedFile : public testing::TestWithParam<qsizetype> {};

TEST_P(ShortenedFile, IsReadWithoutEndingTheProcess)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, QStringLiteral("data.csv"), pageOfLines(GetParam(), true));
    tf::EngineState state;
    state.DataList = tf::LinesFromMapping(tf::MapFile(path));
    const qsizetype lines = state.DataList.size();
    ASSERT_TRUE(QFile::resize(path, 0));
    // The pages the file lost read as line breaks: every line is empty, and the build stops with its
    // error for no lines instead of the process ending.
    const QStringList after = state.DataList.toStringList();
    ASSERT_EQ(after.size(), lines);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](const QString &l) { return l.isEmpty(); }));
    CollectingSink sink;
    EXPECT_THROW(tf::BuildHistogram(state, tf::BuildControls(), sink, tf::NumberFormat()), tf::Error);
}

INSTANTIATE_TEST_SUITE_P(MappedFile, ShortenedFile, testing::Values(qsizetype(16) << 12, qsizetype(6) << 20),
                         [](const testing::TestParamInfo<qsizetype> &info) {
                             return info.param < (qsizetype(2) << 20) ? std::string("SixteenPages")
                                                                      : std::string("ThreeHugePages");
                         });

// The whole path of a file large enough to be mapped: every statistics line, count and value to the
// bit as from the same text held in memory.
TEST(MappedFile, BuildsTheSameHistogramToTheBitAsTheTextInMemory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray bytes = "\xE6\xB8\xA9\xE5\xBA\xA6\xE2\x84\x83,b,c\r\n";
    tftest::XorShift rng{0x9E3779B97F4A7C15ull};
    while (bytes.size() < tf::MapFileFrom + 4096) {
        bytes += QByteArray::number(uniform(rng) * 1000.0 - 300.0, 'f', 4) + ','
            + QByteArray::number(uniform(rng) * 2e-3, 'g', 6) + ','
            + (uniform(rng) < 0.001 ? QByteArray("1,234") : QByteArray::number(qint64(uniform(rng) * 1e6))) + "\r\n";
    }
    bytes.chop(2); // no final break
    const QString path = writeFile(dir, QStringLiteral("big.csv"), bytes);
    const tf::FileContents contents = tf::LoadFile(path);
    ASSERT_TRUE(contents.mapping);

    tf::EngineState mapped, held;
    mapped.DataList = tf::ReadDataFile(path);
    held.DataList = LineList(tf::DecodeFileText(bytes).split(QStringLiteral("\r\n")));
    CollectingSink a, b;
    for (int bins : {10, 37}) {
        tf::BuildControls controls;
        controls.bunkatuSize = bins;
        mapped.MBunkatuFlag = held.MBunkatuFlag = bins != 10;
        tf::BuildHistogram(mapped, controls, a, tf::NumberFormat());
        tf::BuildHistogram(held, controls, b, tf::NumberFormat());
        EXPECT_EQ(a.statistics, b.statistics);
        EXPECT_EQ(a.counts, b.counts);
        EXPECT_EQ(a.positions, b.positions);
    }
    for (int q = 0; q < 3; ++q) {
        ASSERT_EQ(mapped.serdata[size_t(q)].size(), held.serdata[size_t(q)].size());
        EXPECT_EQ(std::memcmp(mapped.serdata[size_t(q)].data(), held.serdata[size_t(q)].data(),
                              mapped.serdata[size_t(q)].size() * sizeof(double)),
                  0)
            << q;
    }
}

// The strict UTF-8 check of a large text runs in pieces: characters that cross every cut are still
// valid, and one broken character anywhere still sends the file to the legacy code page.
TEST(MappedFile, ChecksLargeUtf8TextAsAWhole)
{
    QByteArray valid;
    while (valid.size() < tf::MapFileFrom + 4096)
        valid += "\xE6\xB8\xA9\xE5\xBA\xA6\xE2\x84\x83\n"; // three characters of three bytes, an LF
    const QStringList utf8Lines = tf::LinesFromFileBytes(valid, "CP932").toStringList();
    EXPECT_EQ(utf8Lines.front(), QString::fromUtf8("\xE6\xB8\xA9\xE5\xBA\xA6\xE2\x84\x83"));
    for (const qsizetype at : {qsizetype(1), valid.size() / 3, valid.size() / 2, valid.size() - 3}) {
        QByteArray broken = valid;
        broken.remove(at, 1); // a character missing one of its bytes
        const QStringList lines = tf::LinesFromFileBytes(broken, "CP932").toStringList();
        EXPECT_NE(lines.front(), utf8Lines.front()) << at;
    }
}

} // namespace

// A large file is laid from a 2 MB boundary, where the page cache's huge pages of it can be mapped whole
// (mapped across the boundaries instead, they cost every first read of a page), and reads the same.
TEST(MappedFile, ALargeFileBeginsAtAHugePageBoundary)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray bytes = pageOfLines(qsizetype(5) << 20, false);
    const QString path = writeFile(dir, QStringLiteral("data.csv"), bytes);
    const std::shared_ptr<tf::FileMapping> mapping = tf::MapFile(path);
    ASSERT_TRUE(mapping);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(mapping->data()) % (std::uintptr_t(2) << 20), 0u);
    ASSERT_EQ(mapping->size(), size_t(bytes.size()));
    EXPECT_EQ(QByteArrayView(mapping->data(), bytes.size()), QByteArrayView(bytes));
    mapping->data()[bytes.size()] = '\n'; // the spare byte after the file stays writable
}
