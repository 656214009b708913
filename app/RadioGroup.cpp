#include "app/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace tf {

RadioGroup::RadioGroup(const QString &objectName, const QString &title, const QStringList &items, int columns,
                       QWidget *parent)
    : QGroupBox(title, parent), m_group(new QButtonGroup(this))
{
    setObjectName(objectName);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setSpacing(2);
    // Items fill the columns top to bottom, then left to right.
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        button->setObjectName(objectName + QString::number(i));
        m_group->addButton(button, i);
        grid->addWidget(button, i % rows, i / rows);
    }
    connect(m_group, &QButtonGroup::idClicked, this, &RadioGroup::click);
    connect(m_group, &QButtonGroup::idToggled, this, &RadioGroup::updateTabStop);
    updateTabStop();
}

void RadioGroup::updateTabStop()
{
    const QList<QAbstractButton *> buttons = m_group->buttons();
    QAbstractButton *stop = m_group->checkedButton();
    if (!stop && !buttons.isEmpty())
        stop = buttons.constFirst();
    for (QAbstractButton *button : buttons)
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

int RadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (QAbstractButton *button = m_group->button(index))
        button->setChecked(true);
}

QRadioButton *RadioGroup::item(int index) const
{
    return qobject_cast<QRadioButton *>(m_group->button(index));
}

int RadioGroup::count() const
{
    return int(m_group->buttons().size());
}

} // namespace tf
