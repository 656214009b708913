// Workbooks made by LibreOffice: the lines of each sheet, and the histogram they give, which is that
// of the same data pasted as text; the number and date texts; and the files that are refused before
// or while liborcus reads them.
#include "intake/Workbook.h"

#include "engine/Build.h"
#include "engine/NumberText.h"
#include "engine/Table.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

using tftest::fixture;

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

tf::Workbook Book(const QString &name)
{
    const QString path = fixture("workbooks/") + name;
    return tf::ReadWorkbook(ReadAll(path), tf::WorkbookFormatOf(path));
}

// What a build shows: titles, bars, statistics, status and the note on cells that were not numbers.
struct Shown : tf::BuildSink {
    QStringList lines;
    void ClearForBuild(bool, bool) override {}
    void CreateSeries(int count, bool) override { lines << QStringLiteral("series %1").arg(count); }
    void SetSeriesTitles(const QStringList &titles) override { lines << titles.join(u'|'); }
    void SetBinAxisMinimum(double) override {}
    void SetBinAxisMaximum(double) override {}
    void SetKukanValueText(const QString &text) override { lines << text; }
    void AddSeriesPoints(int series, const std::vector<double> &positions, const std::vector<int> &counts) override
    {
        QString s = QString::number(series) + u':';
        for (size_t j = 0; j < positions.size(); ++j)
            s += QStringLiteral(" %1=%2").arg(positions[j], 0, 'g', 17).arg(counts[j]);
        lines << s;
    }
    void SetRangeTexts(const QString &maxText, const QString &minText) override { lines << maxText << minText; }
    void AddStatisticsLine(const QString &line) override { lines << line; }
    void SetStatusText(const QString &text) override { lines << text; }
    void SetNonNumberNote(const QString &note, const QStringList &) override { lines << note; }
};

QStringList Histogram(tf::LineList lines, char16_t decimal)
{
    tf::EngineState state;
    state.DataList = std::move(lines);
    Shown shown;
    tf::NumberFormat fmt;
    fmt.decimal = decimal;
    fmt.thousands = decimal == u',' ? u'.' : u',';
    tf::BuildHistogram(state, tf::BuildControls{}, shown, fmt);
    return shown.lines;
}

// The titles, bars and note of a histogram, which do not depend on the decimal separator.
QStringList Bars(const QStringList &shown)
{
    QStringList out;
    for (const QString &line : shown) {
        if (line.contains(u'|') || (line.contains(u':') && line.front().isDigit()) || line.startsWith(u'数'))
            out << line;
    }
    return out;
}

const char *const Files[] = {"workbook.xlsx", "workbook.ods", "workbook.xml"};

// The sheets as a user would paste them, their numbers written as people write them.
const QStringList MeasuredPasted{
    QStringLiteral("測定値A\t2倍\t備考\t日付"), QStringLiteral("1.5\t3\t良\t2024-03-05"),
    QStringLiteral("-0.25\t-0.50\t\t2024-03-06"), QStringLiteral("1234.50\t2469\tx,y"),
    QStringLiteral("0.10\t0.20"), QStringLiteral("1.0E-3\t0.002"), QStringLiteral("12\t24.0")};
const QStringList ColumnPasted{QStringLiteral("値"), QStringLiteral("3"), QStringLiteral("7.5"),
                               QStringLiteral("12"), QString(), QStringLiteral("25"), QStringLiteral("31")};

class WorkbookFile : public ::testing::TestWithParam<const char *> {};

TEST_P(WorkbookFile, ListsItsSheetsInOrder)
{
    EXPECT_EQ(Book(GetParam()).sheetNames(),
              QStringList({QStringLiteral("測定"), QStringLiteral("シート2"), QStringLiteral("空")}));
}

TEST_P(WorkbookFile, SheetsGiveTheLinesOfTheirValues)
{
    const tf::Workbook book = Book(GetParam());
    // Formulas give their results, dates their text, empty cells nothing; each line ends after the
    // last column that still has values below.
    EXPECT_EQ(tf::SheetLines(book, 0, u'.').toStringList(),
              QStringList({QStringLiteral("測定値A\t2倍\t備考\t日付"), QStringLiteral("1.5\t3\t良\t2024-03-05"),
                           QStringLiteral("-0.25\t-0.5\t\t2024-03-06"), QStringLiteral("1234.5\t2469\tx,y"),
                           QStringLiteral("0.1\t0.2"), QStringLiteral("0.001\t0.002"), QStringLiteral("12\t24")}));
    // The empty first column is left out; the empty row stays an empty line.
    EXPECT_EQ(tf::SheetLines(book, 1, u'.').toStringList(), ColumnPasted);
}

TEST_P(WorkbookFile, SheetsGiveTheHistogramOfTheSameDataPasted)
{
    const tf::Workbook book = Book(GetParam());
    const QStringList measured = Histogram(tf::SheetLines(book, 0, u'.'), u'.');
    EXPECT_EQ(measured, Histogram(tf::LineList(MeasuredPasted), u'.'));
    EXPECT_TRUE(measured.last().contains(QStringLiteral("数値でない"))) << measured.last().toStdString();
    EXPECT_EQ(Histogram(tf::SheetLines(book, 1, u'.'), u'.'), Histogram(tf::LineList(ColumnPasted), u'.'));
}

TEST_P(WorkbookFile, ADecimalCommaGivesTheSameHistogram)
{
    // Under a decimal comma the one-column sheet is split at commas: its numbers are quoted.
    const tf::Workbook book = Book(GetParam());
    const tf::LineList lines = tf::SheetLines(book, 1, u',');
    EXPECT_EQ(lines.at(2), QStringLiteral("\"7,5\""));
    EXPECT_EQ(Bars(Histogram(lines, u',')), Bars(Histogram(tf::LineList(ColumnPasted), u'.')));
    EXPECT_EQ(Bars(Histogram(tf::SheetLines(book, 0, u','), u',')), Bars(Histogram(tf::LineList(MeasuredPasted), u'.')));
}

TEST_P(WorkbookFile, AnEmptySheetIsRefused)
{
    const tf::Workbook book = Book(GetParam());
    try {
        tf::WorkbookSheetLines(QStringLiteral("/data/b.xlsx"), book, 2, u'.');
        FAIL() << "no error";
    } catch (const tf::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("ファイル /data/b.xlsx は開けません。 シート「空」にデータがありません "));
    }
}

INSTANTIATE_TEST_SUITE_P(Workbook, WorkbookFile, ::testing::ValuesIn(Files),
                         [](const auto &info) { return QString::fromLatin1(info.param).replace(u'.', u'_').toStdString(); });

struct RefusedCase {
    const char *name;
    const char *file;
    const char16_t *reason;
};

const RefusedCase Refused[] = {
    {"NotAZip", "../spreadsheet-utf8.csv", u"ブックの形になっていません (途中で切れているか、壊れているか、別の種類のファイルです)"},
    {"Truncated", "truncated.xlsx", u"ブックの形になっていません (途中で切れているか、壊れているか、別の種類のファイルです)"},
    {"EncryptedOffice", "protected.xlsx", u"パスワードで保護されたブックか、古い形式 (.xls) のブックです。保護を外して .xlsx か .ods で保存し直してください"},
    {"EncryptedOds", "encrypted.ods", u"パスワードで保護されたブックか、古い形式 (.xls) のブックです。保護を外して .xlsx か .ods で保存し直してください"},
    // Its directory claims more than the entry's data can give: refused before anything is unpacked.
    {"DeclaredBomb", "declared-bomb.xlsx", u"ブックの形になっていません (途中で切れているか、壊れているか、別の種類のファイルです)"},
    {"RepeatedCells", "repeated.ods", u"セルが多すぎます (展開後のセルの量が上限 64 MB を超えます)"},
    // A sheet's part stops inside a closing tag (and fails its checksum): liborcus would read past its end.
    {"PartEndsInsideATag", "part-ends-inside-tag.xlsx", u"ブックの形になっていません (途中で切れているか、壊れているか、別の種類のファイルです)"},
    // A cell in the styles, outside every sheet: liborcus would read it into no sheet at all.
    {"CellOutsideTable", "cell-outside-table.xml", u"ブックの形になっていません (途中で切れているか、壊れているか、別の種類のファイルです)"},
    {"BeyondLastRow", "beyond-limit.ods", u"シート「S」が形式の上限 (1,048,576 行 × 16,384 列) を超えています"},
};

class RefusedWorkbook : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedWorkbook, GetsTheOpenErrorWithItsReason)
{
    const QString path = fixture("workbooks/") + QLatin1String(GetParam().file);
    QString name = path;
    name.replace(QStringLiteral(".csv"), QStringLiteral(".xlsx")); // any file named as a workbook
    try {
        tf::ReadWorkbook(ReadAll(path), tf::WorkbookFormatOf(name));
        FAIL() << "read";
    } catch (const tf::WorkbookError &e) {
        EXPECT_EQ(e.message(), QString::fromUtf16(GetParam().reason));
    }
}

INSTANTIATE_TEST_SUITE_P(Workbook, RefusedWorkbook, ::testing::ValuesIn(Refused),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(WorkbookFileRead, ReadsACompressedGnumericFile)
{
    const tf::Workbook book = Book(QStringLiteral("small.gnumeric"));
    EXPECT_EQ(book.sheetNames(), QStringList({QStringLiteral("測定")}));
    EXPECT_EQ(tf::SheetLines(book, 0, u'.').toStringList(),
              QStringList({QStringLiteral("値"), QStringLiteral("1.5"), QStringLiteral("3")}));
}

TEST(WorkbookFileRead, NamesTheFileInTheOpenError)
{
    const QString path = fixture("workbooks/truncated.xlsx");
    try {
        tf::ReadWorkbookFile(path, tf::WorkbookFormat::Xlsx);
        FAIL() << "read";
    } catch (const tf::Error &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("ファイル ") + path + QStringLiteral(" は開けません。 ブックの形")));
    }
}

TEST(WorkbookFormat, GoesByTheExtensionInAnyCase)
{
    EXPECT_EQ(tf::WorkbookFormatOf(QStringLiteral("/a/b.XLSX")), tf::WorkbookFormat::Xlsx);
    EXPECT_EQ(tf::WorkbookFormatOf(QStringLiteral("b.Ods")), tf::WorkbookFormat::Ods);
    EXPECT_EQ(tf::WorkbookFormatOf(QStringLiteral("b.xml")), tf::WorkbookFormat::ExcelXml);
    EXPECT_EQ(tf::WorkbookFormatOf(QStringLiteral("b.gnumeric")), tf::WorkbookFormat::Gnumeric);
    EXPECT_EQ(tf::WorkbookFormatOf(QStringLiteral("b.csv")), tf::WorkbookFormat::None);
    EXPECT_EQ(tf::WorkbookFormatOf(QStringLiteral("xlsx")), tf::WorkbookFormat::None);
}

// ---- number texts ----------------------------------------------------------------------------

const double Numbers[] = {0.0, -0.0, 0.1, 1.0 / 3.0, -2.5, 1234.5, 1e22, 1e23, 123456789012345678.0, 5e-324,
                          2.2250738585072014e-308, std::numeric_limits<double>::max(), -1.7976931348623157e308,
                          9007199254740993.0, 0.000123, 4.35, 1e-7};

TEST(ShortestNumberText, ReadsBackToTheSameDouble)
{
    for (const char16_t decimal : {u'.', u','}) {
        tf::NumberFormat fmt;
        fmt.decimal = decimal;
        fmt.thousands = decimal == u',' ? u'.' : u',';
        for (const double v : Numbers) {
            const QString text = QString::fromStdString(tf::ShortestNumberText(v, decimal));
            const std::optional<double> back = tf::ReadNumber(text, fmt);
            ASSERT_TRUE(back) << text.toStdString();
            EXPECT_EQ(std::bit_cast<std::uint64_t>(*back), std::bit_cast<std::uint64_t>(v)) << text.toStdString();
        }
    }
    EXPECT_EQ(tf::ShortestNumberText(0.1, u','), "0,1");
    EXPECT_EQ(tf::ShortestNumberText(1234.5, u'.'), "1234.5");
    EXPECT_EQ(tf::ShortestNumberText(1e22, u'.'), "1e+22");
}

// ---- dates ---------------------------------------------------------------------------------------

struct ShapeCase {
    const char *name;
    const char *code;
    tf::NumberShape shape;
};

const ShapeCase Shapes[] = {
    {"General", "General", tf::NumberShape::Plain},
    {"Percent", "0.00%", tf::NumberShape::Plain},
    {"Scientific", "0.00E+00", tf::NumberShape::Plain},
    {"Grouped", "#,##0.0;[Red]-#,##0.0", tf::NumberShape::Plain},
    {"QuotedLetters", "0.0\" days\"", tf::NumberShape::Plain},
    {"Currency", "[$¥-411]#,##0", tf::NumberShape::Plain},
    {"IsoDate", "YYYY-MM-DD", tf::NumberShape::Date},
    {"JapaneseDate", "yyyy\"年\"m\"月\"d\"日\"", tf::NumberShape::Date},
    {"Era", "[$-411]ge.m.d", tf::NumberShape::Date},
    {"MonthYear", "mmm-yy", tf::NumberShape::Date},
    {"Time", "h:mm", tf::NumberShape::Time},
    {"Elapsed", "[h]:mm:ss", tf::NumberShape::Time},
    {"MinutesSeconds", "mm:ss", tf::NumberShape::Time},
    {"DateTime", "yyyy/mm/dd hh:mm", tf::NumberShape::DateTime},
    {"NamedShortDate", "Short Date", tf::NumberShape::Date},
};

class FormatShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(FormatShape, TellsDatesAndTimesFromNumbers)
{
    EXPECT_EQ(tf::ShapeOfFormatCode(GetParam().code), GetParam().shape) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(Workbook, FormatShape, ::testing::ValuesIn(Shapes),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DateSerialText, CountsDaysFromTheWorkbooksOrigin)
{
    tf::Workbook book; // day 0 is 1899-12-30, as in files from 1900-based programs
    EXPECT_EQ(tf::DateSerialText(book, 45356, tf::NumberShape::Date), "2024-03-05");
    EXPECT_EQ(tf::DateSerialText(book, 45356.75, tf::NumberShape::DateTime), "2024-03-05 18:00:00");
    EXPECT_EQ(tf::DateSerialText(book, 0.5208333333, tf::NumberShape::Time), "12:30:00");
    EXPECT_EQ(tf::DateSerialText(book, -1.25, tf::NumberShape::DateTime), "1899-12-28 18:00:00");
    book.originYear = 1904;
    book.originMonth = 1;
    book.originDay = 1;
    EXPECT_EQ(tf::DateSerialText(book, 43894, tf::NumberShape::Date), "2024-03-05");
}

// ---- texts in lines ----------------------------------------------------------------------------

TEST(SheetLines, TextsComeBackWholeFromTheTableReading)
{
    tf::Workbook book;
    const std::vector<std::string> texts{"a\tb", "\"q\" x", "two\r\nlines", "end\"", "1,5"};
    book.sheets.push_back({QStringLiteral("S"), {}});
    for (size_t i = 0; i < texts.size(); ++i) {
        book.texts += texts[i];
        book.textEnds.push_back(book.texts.size());
        tf::WorkbookCell c;
        c.row = 0;
        c.column = std::int32_t(i);
        c.kind = tf::WorkbookCell::Text;
        c.format = std::uint32_t(i);
        book.sheets[0].cells.push_back(c);
    }
    const QString line = tf::SheetLines(book, 0, u'.').at(0);
    EXPECT_EQ(tf::SplitLine(line, u'\t'), QStringList({QStringLiteral("a\tb"), QStringLiteral("\"q\" x"), QStringLiteral("two lines"),
                                  QStringLiteral("end\""), QStringLiteral("1,5")}));
}

} // namespace
