#include "chart/ChartStyle.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace tf {

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

void RegisterChartFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Noto Sans CJK JP"));
}

QFont ChartFont(const TTeeFont &font)
{
    QFont f(font.Name.get());
    f.setPixelSize(std::max(1, int(std::lround(font.Size.get() * 96.0 / 72.0))));
    const TFontStyles st = font.Style.get();
    f.setBold(st & fsBold);
    f.setItalic(st & fsItalic);
    f.setUnderline(st & fsUnderline);
    f.setStrikeOut(st & fsStrikeOut);
    return f;
}

namespace {
QColor &ChartFace()
{
    static QColor face;
    return face;
}
} // namespace

void SetChartFaceColor(const QColor &color)
{
    ChartFace() = color;
}

QColor ChartColor(TColor color)
{
    if ((color & 0xFF000000u) == clSystemColor) {
        if (color == clBtnFace)
            return ChartFace().isValid() ? ChartFace() : QGuiApplication::palette().color(QPalette::Button);
        return QGuiApplication::palette().color(QPalette::Window);
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

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
