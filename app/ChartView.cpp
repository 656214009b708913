#include "app/ChartView.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QTimer>

#include "chart/ChartRenderer.h"
#include "engine/NumberText.h"

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
    OnChanged = [this] {
        update();
        if (!m_refreshQueued) {
            m_refreshQueued = true;
            QTimer::singleShot(0, this, [this] { refreshDescription(); });
        }
    };
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    RenderChart(*this, painter, size());
    painter.end();
    refreshDescription();
}

namespace {

struct SavedRange {
    double minimum, maximum;
};

SavedRange Save(const TChartAxis &axis)
{
    return {axis.Minimum.get(), axis.Maximum.get()};
}

QString RangeLine(const QString &name, double minimum, double maximum, const NumberFormat &fmt)
{
    return name + u' ' + FixedText(minimum, 2, 0, fmt) + QStringLiteral(" - ") + FixedText(maximum, 2, 0, fmt);
}

QString CountText(double count)
{
    return QString::number(count, 'g', 15);
}

} // namespace

QString ChartView::describe()
{
    const NumberFormat fmt = NumberFormat::system();
    QStringList lines;
    lines += Title.Text.Lines();
    if (SubTitle.Visible)
        lines += SubTitle.Text.Lines();

    std::vector<const TChartSeries *> shown;
    for (const TChartSeries *series : SeriesList.Items()) {
        if (series->Active)
            shown.push_back(series);
    }
    if (Legend.Visible) {
        for (const TChartSeries *series : shown)
            lines += QStringLiteral("凡例 ") + series->Title.get();
    }

    // The ranges the next paint draws; the stored ranges stay those of the last paint, as commands expect.
    const SavedRange bottom = Save(BottomAxis), left = Save(LeftAxis);
    const ChartLayout layout = LayoutChart(*this, size().isEmpty() ? QSize(621, 512) : size());
    BottomAxis.StoreRange(bottom.minimum, bottom.maximum);
    LeftAxis.StoreRange(left.minimum, left.maximum);
    lines += RangeLine(QStringLiteral("横軸"), layout.bottomMin, layout.bottomMax, fmt);
    lines += RangeLine(QStringLiteral("縦軸"), layout.leftMin, layout.leftMax, fmt);

    for (const TChartSeries *series : shown) {
        lines += QStringLiteral("系列 ") + series->Title.get();
        const bool horizontal = series->IsHorizontal();
        for (const TChartValue &point : series->Values()) {
            const double position = horizontal ? point.Y : point.X;
            const double count = horizontal ? point.X : point.Y;
            lines += FixedText(position, 2, 0, fmt) + QStringLiteral(": ") + CountText(count);
        }
    }
    return lines.join(u'\n');
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
