#include "app/BusyIndicator.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStatusBar>
#include <QWidget>

namespace tf {

namespace {
constexpr int PaintEveryMs = 40;
} // namespace

int &BusyIndicator::delayMs()
{
    static int delay = 500;
    return delay;
}

BusyIndicator::BusyIndicator(QStatusBar *bar, QWidget *chart) : m_bar(bar), m_chart(chart)
{
    m_started.start();
}

BusyIndicator::~BusyIndicator()
{
    if (!m_progress)
        return;
    m_bar->removeWidget(m_progress);
    delete m_progress;
    m_chart->setUpdatesEnabled(true); // the finished chart is drawn at the next paint
}

void BusyIndicator::report(Phase phase, double fraction)
{
    if (m_started.elapsed() < delayMs())
        return;
    if (!m_progress) {
        m_progress = new QProgressBar(m_bar);
        m_progress->setObjectName(QStringLiteral("BusyProgress"));
        m_progress->setRange(0, 1000);
        m_progress->setFixedWidth(180);
        m_bar->addPermanentWidget(m_progress);
        m_progress->show();
        // The chart's series are being rebuilt: it keeps showing the last finished picture.
        m_chart->setUpdatesEnabled(false);
        m_lastPaint.start();
    } else if (m_lastPaint.elapsed() < PaintEveryMs) {
        return;
    }
    m_progress->setFormat(phase == Phase::Reading ? QStringLiteral("読み込み中 %p%") : QStringLiteral("集計中 %p%"));
    // A share below 0 is work whose progress nobody can tell (a workbook being read): the bar runs to and fro.
    const bool unknown = fraction < 0.0;
    if (unknown != (m_progress->maximum() == 0))
        m_progress->setRange(0, unknown ? 0 : 1000);
    if (!unknown)
        m_progress->setValue(int(std::clamp(fraction, 0.0, 1.0) * 1000));
    // Paint and window-system events only; key presses and clicks wait for the work to end.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_lastPaint.restart();
}

} // namespace tf
