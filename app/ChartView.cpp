#include "app/ChartView.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QTimer>
#include <cmath>

#include <array>

#include "chart/ChartRenderer.h"
#include "chart/Histogram.h"
#include "chart/VisibleText.h"
#include "engine/NumberText.h"
#include "engine/Summary.h"

namespace tf {

namespace {
// Screen readers are told that this widget is a chart, not a plain area.
QAccessibleInterface *ChartAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("tf::ChartView") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Chart);
    return nullptr;
}
} // namespace

ChartView::ChartView(QWidget *parent) : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(ChartAccessible), true);
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("Chart1"));
    setAccessibleName(QStringLiteral("グラフ"));
    setMinimumSize(40, 40);
    m_chart.OnChanged = [this] {
        update();
        queueRefresh();
    };
}

void ChartView::queueRefresh()
{
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] { refreshDescription(); });
}

void ChartView::setZoom(double zoom)
{
    if (zoom <= 0 || zoom == m_zoom)
        return;
    m_zoom = zoom;
    update();
}

void ChartView::paintEvent(QPaintEvent *)
{
    const auto ranges = [this] {
        return std::array{m_chart.BottomAxis.Minimum.get(), m_chart.BottomAxis.Maximum.get(),
                          m_chart.LeftAxis.Minimum.get(), m_chart.LeftAxis.Maximum.get()};
    };
    const auto before = ranges();
    QPainter painter(this);
    // One layout per paint; the automatic ranges it computed are what commands and the description read.
    painter.scale(m_zoom, m_zoom);
    const QSize design(int(std::lround(width() / m_zoom)), int(std::lround(height() / m_zoom)));
    StoreAutomaticRanges(m_chart, RenderChart(m_chart, painter, design));
    painter.end();
    // Every other change has queued its own refresh; this one too waits until the paint is done.
    if (ranges() != before)
        queueRefresh();
}

namespace {

QString RangeLine(const QString &name, const TChartAxis &axis, const NumberFormat &fmt)
{
    return name + u' ' + FixedText(axis.Minimum.get(), 2, 0, fmt) + QStringLiteral(" - ") +
           FixedText(axis.Maximum.get(), 2, 0, fmt);
}

QString CountText(double count)
{
    return QString::number(count, 'g', 15);
}

} // namespace

QString ChartView::describe() const
{
    const TChart &c = m_chart;
    const NumberFormat fmt = NumberFormat::system();
    // Texts as far as the chart can show them: a header cell of a megabyte is not read out whole.
    const int room = width() > 0 ? width() : 621;
    const auto shown = [room](const QString &text) { return ShowablePart(text, room); };
    QStringList lines;
    for (const QString &line : c.Title.Text.Lines())
        lines += shown(line);
    if (c.SubTitle.Visible) {
        for (const QString &line : c.SubTitle.Text.Lines())
            lines += shown(line);
    }

    const auto limit = [&](const QString &name, const std::optional<double> &value) {
        if (value)
            lines += name + u' ' + RoundedValueText(*value, fmt);
    };
    limit(QStringLiteral("規格下限"), c.Capability.LowerLimit.get());
    limit(QStringLiteral("規格上限"), c.Capability.UpperLimit.get());
    limit(QStringLiteral("目標値"), c.Capability.Target.get());
    for (const QString &line : c.Capability.Lines.Lines())
        lines += shown(line);

    std::vector<const TChartSeries *> visible;
    for (const TChartSeries *series : c.SeriesList.Items()) {
        if (series->Active)
            visible.push_back(series);
    }
    if (c.Legend.Visible) {
        for (const TChartSeries *series : visible)
            lines += QStringLiteral("凡例 ") + shown(series->Title.get());
    }

    // The ranges the last paint stored (a paint refreshes the description once it has drawn).
    lines += RangeLine(QStringLiteral("横軸"), c.BottomAxis, fmt);
    lines += RangeLine(QStringLiteral("縦軸"), c.LeftAxis, fmt);

    for (const TChartSeries *series : visible) {
        lines += QStringLiteral("系列 ") + shown(series->Title.get());
        const bool horizontal = series->IsHorizontal();
        for (const TChartValue &point : series->Values()) {
            lines += FixedText(PositionOf(point, horizontal), 2, 0, fmt) + QStringLiteral(": ") +
                     CountText(CountOf(point, horizontal));
        }
    }
    if (!m_descriptionNote.isEmpty())
        lines += m_descriptionNote;
    // Assistive technology takes the description as a C string, which would end at a zero character
    // (a header cell may hold one): it is shown by its visible symbol instead.
    return lines.join(u'\n').replace(QChar(u'\0'), QChar(u'\u2400'));
}

void ChartView::refreshDescription()
{
    m_refreshQueued = false;
    const QString text = describe();
    if (text == accessibleDescription())
        return;
    setAccessibleDescription(text); // also tells assistive technology that it changed
}

} // namespace tf
