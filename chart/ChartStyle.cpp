#include "chart/ChartStyle.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace tf {

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

} // namespace tf
