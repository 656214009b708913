#pragma once
// A drop-down list of series titles. A title may be a header cell of a megabyte; the box and its list
// show and measure only the start of each title that can be seen, so painting them never freezes the window.
// The items hold titles as ShownTitle cuts them: the list measures every item whole before it opens.
#include <QComboBox>

namespace tf {

// The start of a title that can show in a control on the widget's screen (all of a title of usual length).
QString ShownTitle(const QString &title, const QWidget *widget);

class TitleComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TitleComboBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tf
