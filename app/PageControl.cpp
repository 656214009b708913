#include "app/PageControl.h"

#include <QStyleOptionTab>

namespace tf {

PageTabBar::PageTabBar(QWidget *parent) : QTabBar(parent)
{
    // Only the padding is set: the tabs keep the look of the active style.
    setStyleSheet(QStringLiteral("QTabBar::tab { padding-left: 4px; padding-right: 4px; }"));
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

PageControl::PageControl(QWidget *parent) : QTabWidget(parent)
{
    setTabBar(new PageTabBar(this));
}

} // namespace tf
