#include "app/PageControl.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionTab>

#include <algorithm>

namespace tf {

namespace {

// The application's style with a narrow padding on each side of a tab caption.
class TightTabStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_TabBarTabHSpace ? std::min(value, 8) : value;
    }
};

} // namespace

PageTabBar::PageTabBar(QWidget *parent) : QTabBar(parent)
{
    followApplicationStyle();
}

void PageTabBar::followApplicationStyle()
{
    QStyle *base = QStyleFactory::create(QApplication::style()->name());
    if (!base)
        base = QStyleFactory::create(QStringLiteral("Fusion"));
    QPointer<QStyle> previous = style() != QApplication::style() ? style() : nullptr;
    auto *tight = new TightTabStyle(base);
    tight->setParent(this);
    setStyle(tight);
    delete previous.data();
}

bool PageTabBar::captionShortened(int index) const
{
    QStyleOptionTab option;
    initStyleOption(&option, index);
    return option.text != tabText(index);
}

QSize PageTabBar::minimumTabSizeHint(int index) const
{
    qsizetype longest = 0;
    for (int i = 0; i < count(); ++i)
        longest = std::max(longest, tabText(i).size());
    if (tabText(index).size() < longest)
        return tabSizeHint(index);
    return QTabBar::minimumTabSizeHint(index);
}

PageControl::PageControl(QWidget *parent) : QTabWidget(parent), m_bar(new PageTabBar(this))
{
    setTabBar(m_bar);
}

void PageControl::changeEvent(QEvent *event)
{
    // The application switched styles: the tabs follow.
    if (event->type() == QEvent::StyleChange)
        m_bar->followApplicationStyle();
    QTabWidget::changeEvent(event);
}

} // namespace tf
