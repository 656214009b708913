#pragma once
// A drop-down list of series titles. A title may be a whole header cell of a megabyte; the box and its list
// show and measure only the start of each title that can be seen, so painting them never freezes the window.
// The items keep the whole titles.
#include <QComboBox>

namespace tf {

class TitleComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TitleComboBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tf
