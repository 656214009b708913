#pragma once
// The tab pages. The tab row cannot wrap onto a second row, so the tabs keep a tight padding and, when the
// captions still do not all fit, only the longest caption is shortened (its tooltip gives it whole); the
// others always read whole.
#include <QTabBar>
#include <QTabWidget>

namespace tf {

class PageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit PageTabBar(QWidget *parent = nullptr);
    // The caption is drawn shortened (with an ellipsis) at the tab's present size.
    bool captionShortened(int index) const;

protected:
    QSize minimumTabSizeHint(int index) const override;
};

class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget *parent = nullptr);
};

} // namespace tf
