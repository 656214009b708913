#pragma once
// A long read or build in the window: once it has run for about half a second, a progress bar in the
// status bar shows how far it is, and the window keeps painting. Input waits until the work ends, so no
// other command runs in between, and the chart keeps its last picture until the build has finished.
#include <QElapsedTimer>
#include <QString>

class QProgressBar;
class QStatusBar;
class QWidget;

namespace tf {

class BusyIndicator {
public:
    enum class Phase { Reading, Building };

    BusyIndicator(QStatusBar *bar, QWidget *chart);
    ~BusyIndicator();
    BusyIndicator(const BusyIndicator &) = delete;
    BusyIndicator &operator=(const BusyIndicator &) = delete;

    // How far the work is (0 to 1, or below 0 when it cannot be told); paints the window when it is time to.
    void report(Phase phase, double fraction);
    bool shown() const { return m_progress != nullptr; }

    // After this long the bar appears; tests shorten it.
    static int &delayMs();

private:
    QStatusBar *m_bar;
    QWidget *m_chart;
    QProgressBar *m_progress = nullptr;
    QElapsedTimer m_started;
    QElapsedTimer m_lastPaint;
};

} // namespace tf

namespace tf {

// Gives work a BusyIndicator for its duration, unless an outer scope already did.
class BusyScope {
public:
    BusyScope(BusyIndicator *&slot, QStatusBar *bar, QWidget *chart) : m_slot(slot)
    {
        if (!slot) {
            m_own = new BusyIndicator(bar, chart);
            slot = m_own;
        }
    }
    ~BusyScope()
    {
        if (m_own) {
            m_slot = nullptr;
            delete m_own;
        }
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    BusyIndicator *&m_slot;
    BusyIndicator *m_own = nullptr;
};

} // namespace tf
