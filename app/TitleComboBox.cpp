#include "app/TitleComboBox.h"

#include <QScreen>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "chart/VisibleText.h"

namespace tf {

namespace {

int ScreenWidth(const QWidget *widget)
{
    const QScreen *screen = widget ? widget->screen() : nullptr;
    return screen ? screen->geometry().width() : 4096;
}

// Items of the open list, drawn and sized from what a screen's width can show of them.
class ShowableItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = ShowablePart(option->text, ScreenWidth(option->widget));
    }
};

} // namespace

QString ShownTitle(const QString &title, const QWidget *widget)
{
    return ShowablePart(title, ScreenWidth(widget));
}

TitleComboBox::TitleComboBox(QWidget *parent) : QComboBox(parent)
{
    setItemDelegate(new ShowableItemDelegate(this));
    // The box's size is fixed by the window's design; measuring every title for a size hint is wasted.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void TitleComboBox::paintEvent(QPaintEvent *)
{
    // As QComboBox paints, with the current title cut to what the box can show.
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText = ShowablePart(opt.currentText, width());
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0 && !placeholderText().isEmpty()) {
        opt.palette.setBrush(QPalette::ButtonText, opt.palette.placeholderText());
        opt.currentText = placeholderText();
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

} // namespace tf
