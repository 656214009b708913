#pragma once
// The application's style as every look uses it: the base style (Fusion or the platform's) wrapped so
// that a zoomed window's indicators, arrows, scroll bars and edit icons grow with it, and so that check
// boxes and radio buttons show their ticked and unticked states unmistakably on any palette.
#include <QProxyStyle>

namespace tf {

class TLookStyle : public QProxyStyle {
public:
    // Takes base over. Check boxes and radio buttons are drawn from the palette's accent instead of by
    // base, whose unticked box all but vanishes on a dark face.
    explicit TLookStyle(QStyle *base);

    // The zoom of a window (1 at its design size). What the style draws in that window and in its
    // pop-ups takes the factor up at once.
    static void SetZoom(QWidget *window, double factor);
    static double Zoom(const QWidget *widget);

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override;
    QRect subElementRect(SubElement element, const QStyleOption *option, const QWidget *widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex *option, const QPoint &pos,
                                     const QWidget *widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override;

private:
    void DrawCheckBox(const QStyleOption *option, QPainter *painter) const;
    void DrawRadioButton(const QStyleOption *option, QPainter *painter) const;
};

} // namespace tf
