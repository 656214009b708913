#pragma once
// The chart as a widget: it owns the chart model (the window drives Chart1->chart()'s parts directly) and
// draws it with the shared renderer. Changes repaint at the next paint, never synchronously. The widget
// also tells assistive technology what the chart shows, as plain text in its accessible description.
#include <QWidget>

#include "chart/ChartModel.h"

namespace tf {

class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);

    TChart &chart() { return m_chart; }
    const TChart &chart() const { return m_chart; }

    // What the chart shows, one item a line: title lines, statistics lines (when shown), legend entries,
    // the axis ranges of the last paint, then per visible series "系列 " + title and one
    // "position: count" line per bin. A zero character is shown as the symbol ␀ (U+2400).
    QString describe() const;
    // A line the description ends with (the window's note on the data); empty for none.
    void SetDescriptionNote(const QString &note) { m_descriptionNote = note; }
    // Brings the accessible description up to date (after every command and every paint).
    void refreshDescription();

    // The window's zoom from its design: the chart is laid out at its size divided by this and drawn
    // magnified by it, so fonts, lines and margins grow with the window's controls.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Refreshes the description once the running event is done.
    void queueRefresh();

    TChart m_chart;
    bool m_refreshQueued = false;
    QString m_descriptionNote;
    double m_zoom = 1.0;
};

} // namespace tf
