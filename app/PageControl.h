#pragma once
// The tab pages. The tab row cannot wrap onto a second row, so the tabs take a tighter padding than the
// style's and, when the captions still do not all fit, only the longest caption is shortened (its tooltip
// gives it whole); the others always read whole.
#include <QTabBar>
#include <QTabWidget>

namespace tf {

class PageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit PageTabBar(QWidget *parent = nullptr);
    // The caption is drawn shortened (with an ellipsis) at the tab's present size.
    bool captionShortened(int index) const;
    // Draws with the application's present style, narrowing only the tab padding.
    void followApplicationStyle();

protected:
    QSize minimumTabSizeHint(int index) const override;
};

class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    PageTabBar *m_bar;
};

} // namespace tf
