#pragma once
// Rescales a window to a pixels-per-inch value: the window's size, every control's placement and fixed
// sizes, every layout's margins and every font. The design at 96 pixels per inch is the reference, so
// each step is absolute: the same step twice changes nothing and 96 gives the design back exactly.
#include <QFont>
#include <QHash>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <functional>
#include <vector>

class QLayout;
class QSplitter;
class QWidget;

namespace tf {

constexpr int DesignPPI = 96;

class TWindowScaler {
public:
    // placedIn: the containers whose children stand at design positions of their own (no layout).
    TWindowScaler(QWidget *window, std::vector<QWidget *> placedIn);
    // The program's dialogs get the program's own font back.
    ~TWindowScaler();

    int CurrentPPI() const { return m_ppi; }
    // Below 30 or equal to the current value: nothing happens.
    void ScaleForPPI(int newPPI);
    // Told after each step, with the factor from the design (for what draws at a design size).
    std::function<void(double)> OnScaled;

private:
    struct WidgetDesign {
        QPointer<QWidget> widget;
        bool placed = false;
        QRect geometry;
        QSize minimum, maximum;
        bool ownFont = false;
        QFont font;
        QSize iconSize; // tool bars and tool buttons
    };
    struct LayoutDesign {
        QPointer<QLayout> layout;
        QMargins margins;
        int spacing = -1;
    };

    void CaptureDesign();
    static int Scaled(int value, double factor);
    // A font at the design density, at the zoom's: pixel sizes stay whole pixels, point sizes scale.
    static QFont ScaledFont(QFont font, double factor);

    QWidget *m_window;
    std::vector<QWidget *> m_placedIn;
    int m_ppi = DesignPPI;
    bool m_captured = false;
    std::vector<WidgetDesign> m_widgets;
    std::vector<LayoutDesign> m_layouts;
    std::vector<std::pair<QPointer<QSplitter>, int>> m_handles;
    QSizeF m_designSize; // the window's size at the design density, as the user last left it
    QSize m_lastSize;    // the size the last step gave the window
    QFont m_designAppFont; // the font of windows without one of their own (dialogs, menus, tips), at the design
};

} // namespace tf
