#pragma once
// The chart as a widget: the model itself (so the window drives Chart1's parts directly) drawn by the
// shared renderer. Changes repaint at the next paint, never synchronously. The widget also tells
// assistive technology what the chart shows, as plain text in its accessible description.
#include <QWidget>

#include "chart/ChartModel.h"

namespace tf {

class ChartView : public QWidget, public TChart {
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);

    // What the chart shows, one item a line: title lines, statistics lines (when shown), legend entries,
    // axis ranges, then per visible series "系列 " + title and one "position: count" line per bin.
    QString describe();
    // Brings the accessible description up to date (after every command and every paint).
    void refreshDescription();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_refreshQueued = false;
};

} // namespace tf
