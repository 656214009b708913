#include "engine/NumberText.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <type_traits>

namespace tf {

NumberFormat NumberFormat::system()
{
    const QLocale loc = QLocale::system();
    NumberFormat fmt;
    const QString dec = loc.decimalPoint();
    const QString grp = loc.groupSeparator();
    if (dec.size() == 1)
        fmt.decimal = dec.front().unicode();
    if (grp.size() == 1)
        fmt.thousands = grp.front().unicode();
    return fmt;
}

// ---- reading ---------------------------------------------------------------------------------

namespace {

template <typename Char>
inline bool isDigit(Char c) { return c >= Char('0') && c <= Char('9'); }

// Whether c ends the text being read: the stop unit, and on UTF-8 bytes also the LF that ends every line.
template <typename Char>
inline bool isStop(Char c, char16_t stop)
{
    if constexpr (sizeof(Char) == 1)
        return c == char(stop) || c == '\n';
    else
        return c == stop;
}

// Decimal exponent of the leading significant digit of an ASCII number "[-]digits[.digits][e[-]digits]",
// saturated; only used to tell overflow from underflow.
long long leadingExponent(const char *b, const char *e)
{
    long long pos = 0, exp = 0;
    bool inFraction = false, found = false;
    const char *c = b;
    for (; c != e && *c != 'e'; ++c) {
        if (*c == '.') {
            inFraction = true;
        } else if (*c >= '0' && *c <= '9') {
            if (!found && *c != '0')
                found = true;
            if (found && !inFraction)
                ++pos;
            else if (!found && inFraction)
                --pos;
        }
    }
    if (c != e) {
        ++c;
        const bool neg = c != e && *c == '-';
        if (neg)
            ++c;
        for (; c != e; ++c)
            exp = std::min<long long>(exp * 10 + (*c - '0'), 1000000000);
        if (neg)
            exp = -exp;
    }
    return found ? pos + exp : std::numeric_limits<long long>::min();
}

// Validates the number syntax (from_chars alone accepts a different one) while writing the
// ASCII form from_chars reads into buf, which must hold n + 2 characters. The text ends at n, or
// with StopAtUnit at the first `stop` unit, whose position goes to `used`. Returns the end of the
// written text, or nullptr when the text is not a number.
template <bool StopAtUnit, typename Char>
inline char *toAscii(const Char *p, qsizetype n, char16_t decimal, char16_t stop, char *buf, qsizetype &used)
{
    char *w = buf;
    qsizetype i = 0;
    while (i < n && p[i] == Char(' '))
        ++i;
    if (i < n && (p[i] == Char('+') || p[i] == Char('-'))) {
        if (p[i] == Char('-'))
            *w++ = '-';
        ++i;
    }
    const qsizetype intBegin = i;
    while (i < n && isDigit(p[i]))
        *w++ = char(p[i++]);
    // The delimiter wins over a decimal separator of the same character: it ends the cell.
    if (i < n && char16_t(p[i]) == decimal && !(StopAtUnit && isStop(p[i], stop))) {
        if (i == intBegin)
            *w++ = '0'; // ".5" and "." in the form from_chars accepts
        *w++ = '.';
        ++i;
        while (i < n && isDigit(p[i]))
            *w++ = char(p[i++]);
    } else if (i == intBegin) {
        return nullptr; // neither a digit nor the separator
    }
    if (i < n && (p[i] == Char('e') || p[i] == Char('E'))) {
        ++i;
        char *const mark = w;
        *w++ = 'e';
        if (i < n && (p[i] == Char('+') || p[i] == Char('-'))) {
            if (p[i] == Char('-'))
                *w++ = '-';
            ++i;
        }
        const qsizetype digitsBegin = i;
        while (i < n && isDigit(p[i]))
            *w++ = char(p[i++]);
        if (i == digitsBegin) // no exponent digits: exponent 0
            w = mark;
    }
    while (i < n && p[i] == Char(' '))
        ++i;
    used = i;
    if (i == n || (StopAtUnit && isStop(p[i], stop)))
        return w;
    return nullptr;
}

// Whether an ASCII number that from_chars rounded to the largest Double in magnitude lies beyond
// it; such a text is not a number even though no nearer Double is larger.
bool beyondLargest(const char *b, const char *e)
{
    constexpr long long largestExponent = 309; // leading digit of the largest Double worth 10^308
    const long long lead = leadingExponent(b, e);
    if (lead != largestExponent)
        return lead > largestExponent;
    static const std::string largest = [] {
        char buf[400];
        const auto res = std::to_chars(buf, buf + sizeof buf, std::numeric_limits<double>::max(),
                                       std::chars_format::fixed, 0);
        return std::string(buf, res.ptr);
    }();
    std::string digits;
    for (const char *c = b; c != e && *c != 'e'; ++c)
        if (*c >= '0' && *c <= '9' && !(digits.empty() && *c == '0'))
            digits += *c;
    const size_t n = std::max(digits.size(), largest.size());
    digits.resize(n, '0');
    return digits > largest + std::string(n - largest.size(), '0');
}

inline bool convert(const char *buf, const char *end, double &out)
{
    double v = 0.0;
    const auto res = std::from_chars(buf, end, v);
    if (res.ec == std::errc::result_out_of_range) [[unlikely]] {
        // from_chars reports both ends; only a value beyond the largest Double is refused,
        // one below the smallest reads as zero.
        if (leadingExponent(buf, end) > 0)
            return false;
        v = buf[0] == '-' ? -0.0 : 0.0;
    } else if (res.ec != std::errc() || res.ptr != end) [[unlikely]] {
        return false;
    } else if (std::fabs(v) == std::numeric_limits<double>::max() && beyondLargest(buf, end)) [[unlikely]] {
        return false;
    }
    out = v;
    return true;
}

template <typename Char>
bool readLongNumber(const Char *p, qsizetype n, char16_t decimal, double &out)
{
    // A long text with a character no number holds (a header cell of a gigabyte, say) is refused
    // before its copy is made.
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = char16_t(std::make_unsigned_t<Char>(p[i]));
        if (!isDigit(p[i]) && c != u' ' && c != u'+' && c != u'-' && c != u'e' && c != u'E' && c != decimal)
            return false;
    }
    std::string buf(size_t(n) + 2, '\0');
    qsizetype used;
    const char *end = toAscii<false>(p, n, decimal, 0, buf.data(), used);
    return end && convert(buf.data(), end, out);
}

constexpr qsizetype ShortText = 60; // fits the stack buffer below with room for the added characters

template <typename Char>
bool readUnits(const Char *p, qsizetype n, char16_t decimal, double &out)
{
    if (n > ShortText)
        return readLongNumber(p, n, decimal, out);
    char buf[ShortText + 4];
    qsizetype used;
    const char *end = toAscii<false>(p, n, decimal, 0, buf, used);
    return end && convert(buf, end, out);
}

} // namespace

bool ReadNumberUnits(const char16_t *p, qsizetype n, char16_t decimal, double &out)
{
    return readUnits(p, n, decimal, out);
}

bool ReadNumberBytes(const char *p, qsizetype n, char16_t decimal, double &out)
{
    return readUnits(p, n, decimal, out);
}

const char *ReadNumberInLineInFull(const char *p, char16_t decimal, char16_t stop, double &out)
{
    char buf[ShortText + 4];
    qsizetype used = 0;
    // The line's LF stops every loop of the syntax check, so the window never reads past the line.
    const char *end = toAscii<true>(p, ShortText, decimal, stop, buf, used);
    if (end && used < ShortText) [[likely]]
        return convert(buf, end, out) ? p + used : nullptr;
    // A long cell, or one the window cut short: find its end and read it whole.
    qsizetype e = 0;
    while (!isStop(p[e], stop))
        ++e;
    return readUnits(p, e, decimal, out) ? p + e : nullptr;
}

qsizetype ReadNumberUntil(const char16_t *p, qsizetype n, char16_t decimal, char16_t stop, double &out)
{
    char buf[ShortText + 4];
    qsizetype used = 0;
    const qsizetype window = std::min(n, ShortText);
    const char *end = toAscii<true>(p, window, decimal, stop, buf, used);
    if (end && (used < window || window == n)) [[likely]]
        return convert(buf, end, out) ? used : -1;
    if (window == n)
        return -1;
    // The window cut the text short (a rare, long cell): find its end and read it whole.
    qsizetype e = 0;
    while (e < n && p[e] != stop)
        ++e;
    return ReadNumberUnits(p, e, decimal, out) ? e : -1;
}

std::optional<double> ReadNumber(QStringView text, const NumberFormat &fmt)
{
    double v;
    if (ReadNumberUnits(reinterpret_cast<const char16_t *>(text.utf16()), text.size(), fmt.decimal, v))
        return v;
    return std::nullopt;
}

// ---- writing ---------------------------------------------------------------------------------

namespace {

// The value's decimal digits taken to 18 significant digits: digits[0] is the leading digit,
// worth 10^exp. Zero has all-zero digits and exp 0.
struct Decimal18 {
    bool negative = false;
    char digits[18];
    int exp = 0;
};

Decimal18 decompose(double v)
{
    // The exact decimal expansion (a Double has at most 767 significant digits), so that the cut
    // to 18 digits rounds half away from zero; to_chars at 18 digits would round a tie to even.
    Decimal18 d;
    char buf[800];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 766);
    const char *p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    d.digits[0] = *p++;
    ++p; // the '.'
    for (int k = 1; k < 18; ++k)
        d.digits[k] = *p++;
    const bool up = *p >= '5';
    while (*p != 'e')
        ++p;
    ++p;
    int e = 0;
    std::from_chars(p[0] == '+' ? p + 1 : p, res.ptr, e);
    d.exp = e;
    if (up) {
        int k = 17;
        while (k >= 0 && d.digits[k] == '9')
            d.digits[k--] = '0';
        if (k >= 0) {
            ++d.digits[k];
        } else { // 999...9 carried into a new leading digit
            d.digits[0] = '1';
            ++d.exp;
        }
    }
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero on the next one. The result has
// `keep` digits, or keep + 1 when the rounding carried into a new leading digit.
std::string roundDigits(const Decimal18 &d, int keep)
{
    if (keep <= 0) {
        const bool up = keep == 0 && d.digits[0] >= '5';
        return up ? std::string("1") : std::string();
    }
    std::string s;
    if (keep >= 18) {
        s.assign(d.digits, 18);
        s.append(size_t(keep - 18), '0');
        return s;
    }
    s.assign(d.digits, size_t(keep));
    if (d.digits[keep] >= '5') {
        int k = keep - 1;
        while (k >= 0 && s[size_t(k)] == '9')
            s[size_t(k--)] = '0';
        if (k >= 0)
            ++s[size_t(k)];
        else
            s.insert(s.begin(), '1');
    }
    return s;
}

// Digits of |v| x 10^decimals rounded to an integer, without leading zeros ("0" for zero).
std::string scaledIntegerDigits(const Decimal18 &d, int decimals)
{
    std::string s = roundDigits(d, d.exp + 1 + decimals);
    const size_t nz = s.find_first_not_of('0');
    if (nz == std::string::npos)
        return "0";
    return s.substr(nz);
}

QString nonFiniteText(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString padLeft(QString s, int minWidth)
{
    if (s.size() < minWidth)
        s.prepend(QString(minWidth - s.size(), u' '));
    return s;
}

} // namespace

QString FixedText(double v, int decimals, int minWidth, const NumberFormat &fmt)
{
    if (!std::isfinite(v))
        return padLeft(nonFiniteText(v), minWidth);
    const Decimal18 d = decompose(v);
    QString out;
    if (std::fabs(v) >= 1e18) {
        int last = 17;
        while (last > 0 && d.digits[last] == '0')
            --last;
        if (d.negative)
            out += u'-';
        out += QChar(d.digits[0]);
        if (last > 0) {
            out += QChar(fmt.decimal);
            out += QString::fromLatin1(d.digits + 1, last);
        }
        out += u'E';
        out += QString::number(d.exp).rightJustified(2, u'0');
        return padLeft(out, minWidth);
    }
    std::string s = scaledIntegerDigits(d, decimals);
    const bool zero = s == "0";
    if (s.size() < size_t(decimals) + 1)
        s.insert(0, size_t(decimals) + 1 - s.size(), '0');
    if (d.negative && !zero)
        out += u'-';
    const size_t intLen = s.size() - size_t(decimals);
    out += QString::fromLatin1(s.data(), qsizetype(intLen));
    if (decimals > 0) {
        out += QChar(fmt.decimal);
        out += QString::fromLatin1(s.data() + intLen, decimals);
    }
    return padLeft(out, minWidth);
}

QString ScientificText(double v, int precision, const NumberFormat &fmt)
{
    if (!std::isfinite(v))
        return nonFiniteText(v);
    const int p = std::clamp(precision, 2, 18);
    const Decimal18 d = decompose(v);
    std::string s;
    int exp = 0;
    const bool zero = v == 0.0;
    if (zero) {
        s.assign(size_t(p), '0');
    } else {
        s = roundDigits(d, p);
        exp = d.exp;
        if (int(s.size()) > p) { // 9.96 -> 10: one more digit, exponent up by one
            s.resize(size_t(p));
            ++exp;
        }
    }
    QString out;
    if (d.negative && !zero)
        out += u'-';
    out += QChar(s[0]);
    out += QChar(fmt.decimal);
    out += QString::fromLatin1(s.data() + 1, p - 1);
    out += u'E';
    out += exp < 0 ? u'-' : u'+';
    out += QString::number(std::abs(exp)).rightJustified(3, u'0');
    return out;
}

QString GroupedIntegerText(double v, const NumberFormat &fmt)
{
    if (!std::isfinite(v))
        return nonFiniteText(v);
    const Decimal18 d = decompose(v);
    const std::string s = scaledIntegerDigits(d, 0);
    QString out;
    if (d.negative && s != "0")
        out += u'-';
    const size_t n = s.size();
    for (size_t k = 0; k < n; ++k) {
        if (k > 0 && (n - k) % 3 == 0)
            out += QChar(fmt.thousands);
        out += QChar(s[k]);
    }
    return out;
}

namespace {

// Number of decimals that shows every multiple of step exactly (step a 1-2-5 or user value).
int decimalsFor(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    for (int d = 0; d <= 12; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (scaled >= 0.5 && std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled)
            return d;
    }
    return 12;
}

} // namespace

QString AxisLabelText(double value, double step, const NumberFormat &fmt)
{
    if (!std::isfinite(value))
        return QString();
    if (std::fabs(value) >= 1e15 || (step > 0 && step < 1e-12))
        return QString::number(value, 'g', 12).replace(u'.', QChar(fmt.decimal));
    if (step > 0 && std::fabs(value) < step * 1e-9)
        value = 0;
    QString s = QString::number(value, 'f', decimalsFor(step));
    if (s.startsWith(u'-') && s.count(u'0') + s.count(u'.') == s.size() - 1)
        s.remove(0, 1); // "-0.0" reads as 0
    return s.replace(u'.', QChar(fmt.decimal));
}

} // namespace tf
