// Text to numbers: number reading against a reference (grammar checked by hand, value by the C library's
// correctly rounded strtod), and the table reader's in-place pass against the plain path that splits each
// row into cell texts and reads them one by one. Values must agree to the bit and never be NaN or infinite.
#include "FuzzSupport.h"

#include "engine/NumberText.h"
#include "engine/Table.h"
#include "intake/TextRules.h"

#include <algorithm>
#include <clocale>
#include <iterator>
#include <limits>
#include <cmath>
#include <locale.h>
#include <optional>
#include <string>

namespace {

// The largest Double, every digit.
const std::string kLargestDigits =
    "1797693134862315708145274237317043567980705675258449965989174768031572607800285387605895586327668781715404589535"
    "1438246423432132688946418276846754670353751698604991057655128207624549009038932894407586850845513394230458323690"
    "322294816580855933212334827479782620414472316873817718091929988125040402618412485836";

bool Digit(QChar c) { return c >= u'0' && c <= u'9'; }

// Whether 0.<digits> x 10^lead lies above the largest Double (whose leading digit is worth 10^308).
bool AboveLargest(std::string digits, long long lead)
{
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.empty())
        return false;
    if (lead != 309)
        return lead > 309;
    return digits > kLargestDigits; // equal leading position: compare digit by digit
}

std::optional<double> ReferenceNumber(QStringView s, char16_t decimal)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && s[i] == u' ')
        ++i;
    std::string ascii;
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ascii += char(s[i++].unicode());
    std::string intDigits, fracDigits;
    while (i < n && Digit(s[i]))
        intDigits += char(s[i++].unicode());
    bool separator = false;
    if (i < n && s[i] == decimal) {
        separator = true;
        ++i;
        while (i < n && Digit(s[i]))
            fracDigits += char(s[i++].unicode());
    }
    if (intDigits.empty() && !separator)
        return std::nullopt;
    long long exponent = 0;
    std::string expText;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        bool negative = false;
        if (i < n && (s[i] == u'+' || s[i] == u'-'))
            negative = s[i++] == u'-';
        while (i < n && Digit(s[i])) {
            exponent = std::min(exponent * 10 + (s[i].unicode() - u'0'), 1000000000LL);
            expText += char(s[i++].unicode());
        }
        if (negative)
            exponent = -exponent;
        if (!expText.empty())
            expText = (negative ? "e-" : "e") + expText;
    }
    while (i < n && s[i] == u' ')
        ++i;
    if (i != n)
        return std::nullopt;

    ascii += (intDigits.empty() ? std::string("0") : intDigits) + "." + fracDigits + "0" + expText;
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const double v = strtod_l(ascii.c_str(), nullptr, c);
    if (!std::isfinite(v))
        return std::nullopt;
    if (std::fabs(v) == std::numeric_limits<double>::max()) {
        std::string all = intDigits + fracDigits;
        long long lead = qsizetype(intDigits.size()) + exponent;
        size_t zeros = 0;
        while (zeros < all.size() && all[zeros] == '0')
            ++zeros;
        lead -= qsizetype(zeros);
        if (AboveLargest(all.substr(zeros), lead))
            return std::nullopt;
    }
    return v;
}

QString Show(const std::optional<double> &v) { return v ? fuzz::Exact(*v) : QStringLiteral("not a number"); }

void CheckNumber(QStringView text, const tf::NumberFormat &fmt)
{
    const std::optional<double> got = tf::ReadNumber(text, fmt);
    const std::optional<double> want = ReferenceNumber(text, fmt.decimal);
    FUZZ_CHECK(got.has_value() == want.has_value() && (!got || fuzz::Bits(*got) == fuzz::Bits(*want)),
               QStringLiteral("\"%1\": read %2, expected %3").arg(text.toString(), Show(got), Show(want)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    const std::uint8_t controls = in.byte();
    const tf::NumberFormat fmt{(controls & 1) ? u',' : u'.', (controls & 1) ? u'.' : u','};
    static constexpr double kBefore[] = {0.0, -0.0, 1.5, -7e300, 5e-324};
    const double lastNumberBefore = kBefore[(controls >> 1) % std::size(kBefore)];
    const tf::LineList lines = tf::SplitLines(QString::fromUtf8(in.rest()));
    if (lines.isEmpty())
        return 0;

    const qsizetype startRow = std::min<qsizetype>((controls >> 4) & 1, lines.size() - 1);
    const char16_t delimiter = (controls & 0x20) ? tf::ChooseDelimiter(lines.at(0)) : u',';
    const int columnCount = int(tf::SplitLine(lines.at(startRow), delimiter).size());

    std::array<std::vector<double>, tf::MaxColumns> columns;
    tf::NonNumberCells nonNumbers;
    tf::ReadColumns(lines, startRow, columnCount, delimiter, fmt.decimal, lastNumberBefore, columns, &nonNumbers);
    std::vector<tf::NonNumberCell> expectedNonNumbers;

    // The plain path: split the row into cell texts, read each; a cell that is not a number takes the
    // last number read, columns in order, each from the top.
    double last = lastNumberBefore;
    for (int q = 0; q < tf::MaxColumns; ++q) {
        std::vector<double> expected;
        for (qsizetype r = startRow; q < columnCount && r < lines.size(); ++r) {
            const QStringList cells = tf::SplitLine(lines.at(r), delimiter);
            if (q >= cells.size())
                break;
            CheckNumber(cells[q], fmt);
            if (const auto v = tf::ReadNumber(cells[q], fmt))
                last = *v;
            else
                expectedNonNumbers.push_back({r - startRow, q, cells[q], last});
            expected.push_back(last);
        }
        const qsizetype notNumbers = std::count_if(expectedNonNumbers.begin(), expectedNonNumbers.end(),
                                                   [q](const tf::NonNumberCell &c) { return c.column == q; });
        FUZZ_CHECK(nonNumbers.counts[size_t(q)] == notNumbers,
                   QStringLiteral("column %1: %2 cells counted as not numbers, expected %3").arg(q).arg(nonNumbers.counts[size_t(q)]).arg(notNumbers));
        const std::vector<double> &got = columns[size_t(q)];
        FUZZ_CHECK(got.size() == expected.size(),
                   QStringLiteral("column %1: %2 values, expected %3").arg(q).arg(got.size()).arg(expected.size()));
        for (size_t k = 0; k < got.size(); ++k) {
            FUZZ_CHECK(std::isfinite(got[k]), QStringLiteral("column %1 row %2 holds %3").arg(q).arg(k).arg(got[k]));
            FUZZ_CHECK(fuzz::Bits(got[k]) == fuzz::Bits(expected[k]),
                       QStringLiteral("column %1 row %2: %3, expected %4").arg(q).arg(k).arg(fuzz::Exact(got[k]), fuzz::Exact(expected[k])));
        }
    }
    // The cells kept for the note are the first ones of each column, columns in order, each as read.
    std::vector<tf::NonNumberCell> expectedKept;
    std::array<int, tf::MaxColumns> kept{};
    for (const tf::NonNumberCell &c : expectedNonNumbers)
        if (kept[size_t(c.column)]++ < tf::NonNumberCells::CellsKept)
            expectedKept.push_back(c);
    FUZZ_CHECK(nonNumbers.first.size() == expectedKept.size(),
               QStringLiteral("%1 cells kept, expected %2").arg(nonNumbers.first.size()).arg(expectedKept.size()));
    for (size_t k = 0; k < nonNumbers.first.size(); ++k) {
        const tf::NonNumberCell &got = nonNumbers.first[k], &want = expectedKept[k];
        FUZZ_CHECK(got.row == want.row && got.column == want.column && got.text == want.text
                       && fuzz::Bits(got.value) == fuzz::Bits(want.value),
                   QStringLiteral("named cell %1: row %2 column %3 \"%4\" %5, expected row %6 column %7 \"%8\" %9")
                       .arg(k).arg(got.row).arg(got.column).arg(got.text, fuzz::Exact(got.value))
                       .arg(want.row).arg(want.column).arg(want.text, fuzz::Exact(want.value)));
    }
    // Whole lines as number texts too: spaces, signs and exponents beyond what one cell holds.
    for (qsizetype r = 0; r < std::min<qsizetype>(lines.size(), 64); ++r)
        CheckNumber(lines.at(r), fmt);
    return 0;
}
