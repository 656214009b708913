#include "app/CheckEdit.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QToolButton>

namespace tf {

CheckEdit::CheckEdit(const QString &objectName, const QString &textHint, QWidget *parent)
    : QLineEdit(parent), m_action(new QAction(QIcon(QStringLiteral(":/icons/check.svg")), textHint, this))
{
    setObjectName(objectName);
    setPlaceholderText(textHint);
    setAccessibleName(textHint);
    m_action->setObjectName(objectName + QStringLiteral("Check"));
    m_action->setToolTip(textHint);
    addAction(m_action, QLineEdit::TrailingPosition);
    if (QToolButton *button = checkButton()) {
        button->setAccessibleName(textHint);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_action, &QAction::triggered, this, &CheckEdit::rightButtonClick);
}

QToolButton *CheckEdit::checkButton() const
{
    for (QToolButton *button : findChildren<QToolButton *>(Qt::FindDirectChildrenOnly)) {
        if (button->defaultAction() == m_action)
            return button;
    }
    return nullptr;
}

void CheckEdit::changeEvent(QEvent *event)
{
    // A disabled edit must not run its command through the button either.
    if (event->type() == QEvent::EnabledChange)
        m_action->setEnabled(isEnabled());
    QLineEdit::changeEvent(event);
}

} // namespace tf
