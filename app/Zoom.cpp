#include "app/Zoom.h"

#include "app/LookStyle.h"

#include <QApplication>
#include <QLayout>
#include <QSplitter>
#include <QToolBar>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tf {

TWindowScaler::TWindowScaler(QWidget *window, std::vector<QWidget *> placedIn)
    : m_window(window), m_placedIn(std::move(placedIn))
{
}

TWindowScaler::~TWindowScaler()
{
    if (m_captured && QApplication::font() != m_designAppFont)
        QApplication::setFont(m_designAppFont);
}

int TWindowScaler::Scaled(int value, double factor)
{
    if (value >= QWIDGETSIZE_MAX)
        return value;
    return int(std::lround(value * factor));
}

QFont TWindowScaler::ScaledFont(QFont font, double factor)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, Scaled(font.pixelSize(), factor)));
    else
        font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

void TWindowScaler::CaptureDesign()
{
    m_captured = true;
    m_designAppFont = QApplication::font();
    QList<QWidget *> widgets = m_window->findChildren<QWidget *>();
    widgets.prepend(m_window);
    for (QWidget *w : widgets) {
        // Pop-ups and dialogs are windows of their own: they follow the program's font, which each step scales.
        if (w != m_window && w->isWindow())
            continue;
        WidgetDesign d;
        d.widget = w;
        d.placed = std::find(m_placedIn.begin(), m_placedIn.end(), w->parentWidget()) != m_placedIn.end();
        d.geometry = w->geometry();
        d.minimum = w->minimumSize();
        d.maximum = w->maximumSize();
        d.ownFont = w->testAttribute(Qt::WA_SetFont);
        d.font = w->font();
        if (auto *bar = qobject_cast<QToolBar *>(w))
            d.iconSize = bar->iconSize();
        m_widgets.push_back(d);
    }
    for (QLayout *layout : m_window->findChildren<QLayout *>()) {
        if (layout == m_window->layout())
            continue; // the main window arranges its parts itself
        m_layouts.push_back(LayoutDesign{layout, layout->contentsMargins(), layout->spacing()});
    }
    for (QSplitter *splitter : m_window->findChildren<QSplitter *>())
        m_handles.emplace_back(splitter, splitter->handleWidth());
}

void TWindowScaler::ScaleForPPI(int newPPI)
{
    if (newPPI < 30 || newPPI == m_ppi)
        return;
    if (!m_captured)
        CaptureDesign();
    const double factor = double(newPPI) / DesignPPI;
    const double step = double(newPPI) / m_ppi;
    // Indicators, arrows, scroll bars and edit icons first, so that the sizes set below measure with them.
    TLookStyle::SetZoom(m_window, factor);
    // Dialogs, menus and tips are windows of their own: a window's font does not reach them, the program's does.
    const QFont appFont = ScaledFont(m_designAppFont, factor);
    if (QApplication::font() != appFont)
        QApplication::setFont(appFont);

    for (const WidgetDesign &d : m_widgets) {
        if (!d.widget || !d.ownFont)
            continue;
        d.widget->setFont(ScaledFont(d.font, factor));
    }
    for (const LayoutDesign &d : m_layouts) {
        if (!d.layout)
            continue;
        const QMargins m = d.margins;
        d.layout->setContentsMargins(Scaled(m.left(), factor), Scaled(m.top(), factor), Scaled(m.right(), factor),
                                     Scaled(m.bottom(), factor));
        if (d.spacing >= 0)
            d.layout->setSpacing(Scaled(d.spacing, factor));
    }
    // Sizes after margins: a layout set anew gives its widget a minimum of its own, which this replaces.
    for (const WidgetDesign &d : m_widgets) {
        QWidget *w = d.widget;
        if (!w)
            continue;
        // Fixed sizes before places, so that a smaller step is not held up by the larger one's limits.
        w->setMinimumSize(0, 0);
        w->setMaximumSize(Scaled(d.maximum.width(), factor), Scaled(d.maximum.height(), factor));
        w->setMinimumSize(Scaled(d.minimum.width(), factor), Scaled(d.minimum.height(), factor));
        if (auto *bar = qobject_cast<QToolBar *>(w))
            bar->setIconSize(QSize(Scaled(d.iconSize.width(), factor), Scaled(d.iconSize.height(), factor)));
        if (d.placed) {
            const QRect g = d.geometry;
            w->setGeometry(Scaled(g.x(), factor), Scaled(g.y(), factor), Scaled(g.width(), factor),
                           Scaled(g.height(), factor));
        }
    }

    // A tool bar's layout recomputes its bar's limits while its buttons change: set them once more.
    for (const WidgetDesign &d : m_widgets) {
        const QSize minimum(Scaled(d.minimum.width(), factor), Scaled(d.minimum.height(), factor));
        if (d.widget && d.widget->minimumSize() != minimum)
            d.widget->setMinimumSize(minimum);
    }

    // What the user may have changed since the last step scales from where it stands.
    for (const auto &[splitter, handle] : m_handles) {
        if (!splitter)
            continue;
        QList<int> sizes = splitter->sizes();
        for (int &s : sizes)
            s = Scaled(s, step);
        splitter->setHandleWidth(std::max(1, Scaled(handle, factor)));
        splitter->setSizes(sizes);
    }
    if (m_window->size() != m_lastSize)
        m_designSize = QSizeF(m_window->size()) * (double(DesignPPI) / m_ppi);
    m_lastSize = QSize(int(std::lround(m_designSize.width() * factor)), int(std::lround(m_designSize.height() * factor)));
    m_window->resize(m_lastSize);
    m_lastSize = m_window->size();
    m_ppi = newPPI;
    if (OnScaled)
        OnScaled(factor);
}

} // namespace tf
