#pragma once
// Reading numbers from text and the three ways numbers are written back (fixed, scientific,
// grouped integer). The separators are passed in so that tests do not depend on the machine's locale.
#include <QString>
#include <QStringView>
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
// line of DataList, and gives that end, or nullptr when the cell is not a number.
const char *ReadNumberInLine(const char *text, char16_t decimal, char16_t stop, double &out);
// Reads the number that ends at the first `stop` unit (or at size) and gives that unit's position,
// or -1 when the text up to the stop is not a number. Lets a cell be scanned and read in one pass.
qsizetype ReadNumberUntil(const char16_t *text, qsizetype size, char16_t decimal, char16_t stop, double &out);

// Two decimals, minimum width 0 is the "%f" text; width 7 the "%7f" text. From 1E18 on, the E form.
QString FixedText(double v, int decimals, int minWidth, const NumberFormat &fmt);
// precision significant digits (clamped to 2..18), exponent sign and at least three exponent digits.
QString ScientificText(double v, int precision, const NumberFormat &fmt);
// Rounded to an integer, digits grouped in threes ("#,##0").
QString GroupedIntegerText(double v, const NumberFormat &fmt);

} // namespace tf
