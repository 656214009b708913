#include "app/LookStyle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontInfo>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tf {

namespace {

constexpr char ZoomProperty[] = "tfZoom";

// A device that only tells a density. The base style sizes its indicators, arrows and scroll bars by
// the density of the option's font metrics, so metrics taken at the zoomed density make it draw them
// at the zoomed size, as sharply as at the design size.
class DensityDevice : public QPaintDevice {
public:
    explicit DensityDevice(int dpi) : m_dpi(dpi) {}
    QPaintEngine *paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        case PdmDepth:
            return 32;
        default:
            return 1;
        }
    }

private:
    int m_dpi;
};

// The widget's font metrics at its zoomed density. The font is taken at its pixel size first, so that
// every text measures exactly as on screen.
QFontMetrics ZoomedMetrics(const QWidget *widget, double zoom)
{
    QFont font = widget->font();
    if (font.pixelSize() <= 0)
        font.setPixelSize(QFontInfo(font).pixelSize());
    const DensityDevice device(int(std::lround(widget->fontMetrics().fontDpi() * zoom)));
    return QFontMetrics(font, &device);
}

template <typename Option, typename Call>
auto WithMetrics(const QStyleOption *option, const QFontMetrics &metrics, Call &call)
{
    Option copy = *static_cast<const Option *>(option);
    copy.fontMetrics = metrics;
    return call(&copy);
}

// Calls call with the option as the zoomed window's widget needs it: a copy of the same kind whose font
// metrics are at the zoomed density. Options of other kinds, and unzoomed widgets, pass unchanged.
template <typename Call>
auto Zoomed(const QStyleOption *option, const QWidget *widget, Call call)
{
    const double zoom = TLookStyle::Zoom(widget);
    if (zoom == 1.0)
        return call(option);
    const QFontMetrics metrics = ZoomedMetrics(widget, zoom);
    if (!option) {
        QStyleOption plain;
        plain.initFrom(widget);
        plain.fontMetrics = metrics;
        return call(&plain);
    }
    if (option->type == QStyleOption::SO_Default)
        return WithMetrics<QStyleOption>(option, metrics, call);
    if (qstyleoption_cast<const QStyleOptionButton *>(option))
        return WithMetrics<QStyleOptionButton>(option, metrics, call);
    if (qstyleoption_cast<const QStyleOptionSpinBox *>(option))
        return WithMetrics<QStyleOptionSpinBox>(option, metrics, call);
    if (qstyleoption_cast<const QStyleOptionComboBox *>(option))
        return WithMetrics<QStyleOptionComboBox>(option, metrics, call);
    if (qstyleoption_cast<const QStyleOptionSlider *>(option))
        return WithMetrics<QStyleOptionSlider>(option, metrics, call);
    return call(option);
}

bool ZoomsMetric(QStyle::PixelMetric metric)
{
    switch (metric) {
    case QStyle::PM_IndicatorWidth:
    case QStyle::PM_IndicatorHeight:
    case QStyle::PM_ExclusiveIndicatorWidth:
    case QStyle::PM_ExclusiveIndicatorHeight:
    case QStyle::PM_CheckBoxLabelSpacing:
    case QStyle::PM_RadioButtonLabelSpacing:
    case QStyle::PM_ScrollBarExtent:
    case QStyle::PM_ScrollBarSliderMin:
    case QStyle::PM_SpinBoxFrameWidth:
    case QStyle::PM_ComboBoxFrameWidth:
    case QStyle::PM_LineEditIconSize:
    case QStyle::PM_LineEditIconMargin:
        return true;
    default:
        return false;
    }
}

bool ZoomsSubElement(QStyle::SubElement element)
{
    switch (element) {
    case QStyle::SE_CheckBoxIndicator:
    case QStyle::SE_CheckBoxContents:
    case QStyle::SE_CheckBoxFocusRect:
    case QStyle::SE_CheckBoxClickRect:
    case QStyle::SE_CheckBoxLayoutItem:
    case QStyle::SE_RadioButtonIndicator:
    case QStyle::SE_RadioButtonContents:
    case QStyle::SE_RadioButtonFocusRect:
    case QStyle::SE_RadioButtonClickRect:
    case QStyle::SE_RadioButtonLayoutItem:
        return true;
    default:
        return false;
    }
}

bool ZoomsControl(QStyle::ComplexControl control)
{
    return control == QStyle::CC_SpinBox || control == QStyle::CC_ComboBox || control == QStyle::CC_ScrollBar;
}

bool ZoomsContents(QStyle::ContentsType type)
{
    switch (type) {
    case QStyle::CT_CheckBox:
    case QStyle::CT_RadioButton:
    case QStyle::CT_SpinBox:
    case QStyle::CT_ComboBox:
    case QStyle::CT_ScrollBar:
        return true;
    default:
        return false;
    }
}

bool ZoomsPrimitive(QStyle::PrimitiveElement element)
{
    switch (element) {
    case QStyle::PE_IndicatorCheckBox:
    case QStyle::PE_IndicatorRadioButton:
    case QStyle::PE_IndicatorArrowUp:
    case QStyle::PE_IndicatorArrowDown:
    case QStyle::PE_IndicatorArrowLeft:
    case QStyle::PE_IndicatorArrowRight:
    case QStyle::PE_IndicatorSpinUp:
    case QStyle::PE_IndicatorSpinDown:
    case QStyle::PE_IndicatorSpinPlus:
    case QStyle::PE_IndicatorSpinMinus:
        return true;
    default:
        return false;
    }
}

bool ZoomsElement(QStyle::ControlElement element)
{
    return element == QStyle::CE_CheckBox || element == QStyle::CE_RadioButton;
}

QColor Mix(const QColor &a, const QColor &b, double aShare)
{
    const auto mix = [aShare](int x, int y) { return int(std::lround(x * aShare + y * (1.0 - aShare))); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

// The colours of an indicator: an unticked one is the edit face inside a frame that stands out from the
// window; a ticked one is filled with the accent and carries its mark in the accent's text colour.
struct IndicatorColours {
    QColor face, frame, accent, mark;
};

IndicatorColours ColoursOf(const QStyleOption *option)
{
    const QPalette &p = option->palette;
    const QPalette::ColorGroup g = (option->state & QStyle::State_Enabled) ? QPalette::Active : QPalette::Disabled;
    return {p.color(g, QPalette::Base), Mix(p.color(g, QPalette::WindowText), p.color(g, QPalette::Window), 0.7),
            p.color(g, QPalette::Highlight), p.color(g, QPalette::HighlightedText)};
}

// The pen width of an indicator's frame: one pixel at the design size of 14, growing with the zoom.
double FrameWidth(const QRect &rect)
{
    return std::max(1.0, std::round(rect.height() / 14.0));
}

} // namespace

TLookStyle::TLookStyle(QStyle *base) : QProxyStyle(base)
{
}

void TLookStyle::SetZoom(QWidget *window, double factor)
{
    window->setProperty(ZoomProperty, factor);
    // Every control measures and lays out its indicators and arrows anew.
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : widgets) {
        QEvent changed(QEvent::StyleChange);
        QCoreApplication::sendEvent(w, &changed);
    }
}

double TLookStyle::Zoom(const QWidget *widget)
{
    // A pop-up (a combo box's list) belongs to the window of the control that opened it.
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant zoom = w->property(ZoomProperty);
        if (zoom.isValid())
            return zoom.toDouble();
        if (w->isWindow() && w->windowType() != Qt::Popup)
            break;
    }
    return 1.0;
}

int TLookStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    if (!ZoomsMetric(metric))
        return QProxyStyle::pixelMetric(metric, option, widget);
    return Zoomed(option, widget,
                  [&](const QStyleOption *o) { return QProxyStyle::pixelMetric(metric, o, widget); });
}

QRect TLookStyle::subElementRect(SubElement element, const QStyleOption *option, const QWidget *widget) const
{
    if (!ZoomsSubElement(element))
        return QProxyStyle::subElementRect(element, option, widget);
    return Zoomed(option, widget,
                  [&](const QStyleOption *o) { return QProxyStyle::subElementRect(element, o, widget); });
}

QRect TLookStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                                 const QWidget *widget) const
{
    if (!ZoomsControl(control))
        return QProxyStyle::subControlRect(control, option, sub, widget);
    return Zoomed(option, widget, [&](const QStyleOption *o) {
        return QProxyStyle::subControlRect(control, static_cast<const QStyleOptionComplex *>(o), sub, widget);
    });
}

QStyle::SubControl TLookStyle::hitTestComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                                     const QPoint &pos, const QWidget *widget) const
{
    if (!ZoomsControl(control))
        return QProxyStyle::hitTestComplexControl(control, option, pos, widget);
    return Zoomed(option, widget, [&](const QStyleOption *o) {
        return QProxyStyle::hitTestComplexControl(control, static_cast<const QStyleOptionComplex *>(o), pos, widget);
    });
}

QSize TLookStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                   const QWidget *widget) const
{
    if (!ZoomsContents(type))
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    return Zoomed(option, widget,
                  [&](const QStyleOption *o) { return QProxyStyle::sizeFromContents(type, o, size, widget); });
}

void TLookStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    if (element == PE_IndicatorCheckBox)
        return DrawCheckBox(option, painter);
    if (element == PE_IndicatorRadioButton)
        return DrawRadioButton(option, painter);
    if (!ZoomsPrimitive(element))
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    Zoomed(option, widget, [&](const QStyleOption *o) { QProxyStyle::drawPrimitive(element, o, painter, widget); });
}

void TLookStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget) const
{
    if (!ZoomsElement(element))
        return QProxyStyle::drawControl(element, option, painter, widget);
    Zoomed(option, widget, [&](const QStyleOption *o) { QProxyStyle::drawControl(element, o, painter, widget); });
}

void TLookStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                                    const QWidget *widget) const
{
    if (!ZoomsControl(control))
        return QProxyStyle::drawComplexControl(control, option, painter, widget);
    Zoomed(option, widget, [&](const QStyleOption *o) {
        QProxyStyle::drawComplexControl(control, static_cast<const QStyleOptionComplex *>(o), painter, widget);
    });
}

void TLookStyle::DrawCheckBox(const QStyleOption *option, QPainter *painter) const
{
    const IndicatorColours c = ColoursOf(option);
    const bool on = option->state & State_On;
    const bool partial = option->state & State_NoChange;
    const double pen = FrameWidth(option->rect);
    const QRectF box = QRectF(option->rect).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    QColor fill = on || partial ? c.accent : c.face;
    if ((option->state & State_Sunken) && !on)
        fill = Mix(c.accent, c.face, 0.35);
    QColor frame = on || partial ? c.accent : c.frame;
    if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange))
        frame = on ? c.mark : c.accent;
    painter->setPen(QPen(frame, pen));
    painter->setBrush(fill);
    painter->drawRoundedRect(box, pen * 2, pen * 2);

    const double w = box.width(), h = box.height();
    const auto at = [&box, w, h](double x, double y) { return QPointF(box.left() + x * w, box.top() + y * h); };
    QPen markPen(c.mark, std::max(1.5, 0.15 * h), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter->setPen(markPen);
    painter->setBrush(Qt::NoBrush);
    if (partial) {
        painter->drawLine(at(0.25, 0.5), at(0.75, 0.5));
    } else if (on) {
        QPainterPath tick;
        tick.moveTo(at(0.22, 0.52));
        tick.lineTo(at(0.42, 0.72));
        tick.lineTo(at(0.78, 0.28));
        painter->drawPath(tick);
    }
    painter->restore();
}

void TLookStyle::DrawRadioButton(const QStyleOption *option, QPainter *painter) const
{
    const IndicatorColours c = ColoursOf(option);
    const bool on = option->state & State_On;
    const double pen = FrameWidth(option->rect);
    const double side = std::min(option->rect.width(), option->rect.height());
    const QRectF square(QPointF(option->rect.center()) - QPointF(side / 2 - 0.5, side / 2 - 0.5), QSizeF(side, side));
    const QRectF circle = square.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    QColor fill = on ? c.accent : c.face;
    if ((option->state & State_Sunken) && !on)
        fill = Mix(c.accent, c.face, 0.35);
    QColor frame = on ? c.accent : c.frame;
    if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange))
        frame = on ? c.mark : c.accent;
    painter->setPen(QPen(frame, pen));
    painter->setBrush(fill);
    painter->drawEllipse(circle);
    if (on) {
        const double r = circle.width() * 0.2;
        painter->setPen(Qt::NoPen);
        painter->setBrush(c.mark);
        painter->drawEllipse(circle.center(), r, r);
    }
    painter->restore();
}

} // namespace tf
