#pragma once
// Reading numbers from text and the three ways numbers are written back (fixed, scientific,
// grouped integer). The separators are passed in so that tests do not depend on the machine's locale.
#include <QString>
#include <QStringView>
#include <cstdint>
#include <iterator>
#include <optional>

namespace tf {

struct NumberFormat {
    char16_t decimal = u'.';
    char16_t thousands = u',';
    // The separators of the user's regional settings (QLocale::system()).
    static NumberFormat system();
};

// Spaces (U+0020) around, optional sign, digits with an optional decimal part, optional exponent.
// Anything else, or a magnitude beyond the largest Double, is not a number.
std::optional<double> ReadNumber(QStringView text, const NumberFormat &fmt);

// Same rules on raw UTF-16 units; the hot loop of table reading uses it to avoid building views.
bool ReadNumberUnits(const char16_t *text, qsizetype size, char16_t decimal, double &out);
// The same on the UTF-8 bytes of DataList (the decimal separator compared as one byte; callers pass
// only an ASCII one).
bool ReadNumberBytes(const char *text, qsizetype size, char16_t decimal, double &out);
// Reads the cell that starts at text and ends at the first `stop` byte or at the LF that ends every
// line of DataList, and gives that end, or nullptr when the cell is not a number. The usual cell is
// read here, in the table's hot loop; any other by the full reading.
const char *ReadNumberInLineInFull(const char *text, char16_t decimal, char16_t stop, double &out);
// The usual cell, an optional sign and digits with at most one decimal separator, ended by the stop
// byte or the line's LF, read without from_chars: a mantissa up to 2^53 and a power of ten up to 10^22
// are both exact Doubles, so the one division rounds to the nearest Double, as from_chars does.
// nullptr when the cell is of another form; the full reading then decides.
inline const char *ReadPlainDecimalInLine(const char *p, char decimal, char stop, double &out)
{
    static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char *c = p;
    const bool negative = *c == '-';
    if (*c == '-' || *c == '+')
        ++c;
    std::uint64_t mantissa = 0;
    const char *digits = c;
    while ((*c >= '0' && *c <= '9'))
        mantissa = mantissa * 10 + std::uint64_t(*c++ - '0');
    qsizetype count = c - digits;
    qsizetype fraction = 0;
    if (*c == decimal && decimal != stop) {
        const char *f = ++c;
        while ((*c >= '0' && *c <= '9'))
            mantissa = mantissa * 10 + std::uint64_t(*c++ - '0');
        fraction = c - f;
        count += fraction;
    }
    // Nineteen digits cannot overflow the mantissa; more, or none at all, go the long way.
    if ((*c != stop && *c != '\n') || count == 0 || count > 19 || mantissa > (std::uint64_t(1) << 53)
        || fraction >= qsizetype(std::size(powersOfTen))) [[unlikely]]
        return nullptr;
    const double v = double(mantissa) / powersOfTen[fraction];
    out = negative ? -v : v;
    return c;
}


inline const char *ReadNumberInLine(const char *text, char16_t decimal, char16_t stop, double &out)
{
    if (const char *end = ReadPlainDecimalInLine(text, char(decimal), char(stop), out)) [[likely]]
        return end;
    return ReadNumberInLineInFull(text, decimal, stop, out);
}
// Reads the number that ends at the first `stop` unit (or at size) and gives that unit's position,
// or -1 when the text up to the stop is not a number. Lets a cell be scanned and read in one pass.
qsizetype ReadNumberUntil(const char16_t *text, qsizetype size, char16_t decimal, char16_t stop, double &out);

// Two decimals, minimum width 0 is the "%f" text; width 7 the "%7f" text. From 1E18 on, the E form.
QString FixedText(double v, int decimals, int minWidth, const NumberFormat &fmt);
// precision significant digits (clamped to 2..18), exponent sign and at least three exponent digits.
QString ScientificText(double v, int precision, const NumberFormat &fmt);
// Rounded to an integer, digits grouped in threes ("#,##0").
QString GroupedIntegerText(double v, const NumberFormat &fmt);
// Axis label text for a value shown with the given label step (no float noise such as 1.0000000001), with
// the decimal separator of the number texts.
QString AxisLabelText(double value, double step, const NumberFormat &fmt);

} // namespace tf
