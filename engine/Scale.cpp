#include "engine/Scale.h"

namespace tf {

void ComputeScale(double &mag, QString &tani, double sample)
{
    const NumberFormat plain;
    const QString text = ScientificText(sample, 15, plain);
    const int e = text.mid(text.indexOf(u'E') + 1).toInt();
    struct Band {
        int from, to;
        const char16_t *label;
        int k;
    };
    static const Band bands[] = {
        {-12, -10, u"p", -12}, {-9, -7, u"n", -9}, {-6, -4, u"u", -6}, {-3, -1, u"m", -3},
        {0, 2, u"", 0},        {3, 5, u"K", 3},    {6, 8, u"M", 6},    {9, 11, u"G", 9},
        {12, 15, u"T", 12},
    };
    QString label;
    int k = 0;
    for (const Band &b : bands) {
        if (e >= b.from && e <= b.to) {
            label = QString::fromUtf16(b.label);
            k = b.k;
            break;
        }
    }
    // Read back from text on purpose: 1 / (nearest Double to 1E-9) is not 1E9, and the shown
    // magnification follows that quotient.
    const double d = *ReadNumber(QStringLiteral("1E%1").arg(k), plain);
    tani = label;
    mag = 1.0 / d;
}

double RoundedWidth(double rawWidth, const NumberFormat &fmt)
{
    const QString text = ScientificText(rawWidth, 2, fmt);
    if (!text.front().isDigit())
        return rawWidth; // only a negative or non-finite width gets here; callers rule both out
    const int m = text.front().digitValue();
    const double p = ReadNumber(QString(u'1' + text.mid(3)), fmt).value_or(0.0);
    return m * p;
}

} // namespace tf
