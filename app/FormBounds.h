#pragma once
// A top-level window as the settings store sees it: its position and size, and its placement record.
#include "app/store/ExIniFile.h"

class QWidget;

namespace tf {

class TWidgetFormBounds : public TFormBounds {
public:
    explicit TWidgetFormBounds(QWidget *window) : m_window(window) {}

    // Position of the window's frame on the screen, and the window's own size. Qt learns a window's
    // frame only once it is shown, so the size without the frame is what reads back the same.
    QRect Bounds() const override;
    void SetBounds(const QRect &bounds) override;
    // Show state from the window state; the restored rectangle is the normal geometry.
    TWindowPlacement Placement() const override;
    void SetPlacement(const TWindowPlacement &placement) override;

private:
    QWidget *m_window;
};

} // namespace tf
