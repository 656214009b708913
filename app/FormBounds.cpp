#include "app/FormBounds.h"

#include <QWidget>

namespace tf {

namespace {
constexpr int SwShowNormal = 1;
constexpr int SwShowMinimized = 2;
constexpr int SwShowMaximized = 3;
} // namespace

QRect TWidgetFormBounds::Bounds() const
{
    return QRect(m_window->pos(), m_window->size());
}

void TWidgetFormBounds::SetBounds(const QRect &bounds)
{
    m_window->move(bounds.topLeft());
    m_window->resize(bounds.size());
}

TWindowPlacement TWidgetFormBounds::Placement() const
{
    TWindowPlacement p;
    const Qt::WindowStates state = m_window->windowState();
    p.ShowCmd = state & Qt::WindowMinimized ? SwShowMinimized
                : state & Qt::WindowMaximized ? SwShowMaximized
                                              : SwShowNormal;
    // A window minimized from the maximized state goes back to maximized.
    if ((state & Qt::WindowMinimized) && (state & Qt::WindowMaximized))
        p.Flags = 2;
    const QRect normal = m_window->normalGeometry().isValid() ? m_window->normalGeometry() : m_window->geometry();
    const QPoint frameOffset = m_window->geometry().topLeft() - m_window->pos();
    p.NormalPosition = QRect(normal.topLeft() - frameOffset, normal.size());
    return p;
}

void TWidgetFormBounds::SetPlacement(const TWindowPlacement &p)
{
    Qt::WindowStates state = m_window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    m_window->setWindowState(state);
    SetBounds(p.NormalPosition);
    if (p.ShowCmd == SwShowMaximized || (p.ShowCmd == SwShowMinimized && (p.Flags & 2)))
        state |= Qt::WindowMaximized;
    if (p.ShowCmd == SwShowMinimized)
        state |= Qt::WindowMinimized;
    m_window->setWindowState(state);
}

} // namespace tf
