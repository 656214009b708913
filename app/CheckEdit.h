#pragma once
// A one-line edit with a green check-mark button at its right end. Its command runs only when that
// button is clicked: typing or Enter never runs it.
#include <QLineEdit>

class QAction;
class QToolButton;

namespace tf {

class CheckEdit : public QLineEdit {
    Q_OBJECT
public:
    CheckEdit(const QString &objectName, const QString &textHint, QWidget *parent = nullptr);

    QAction *checkAction() const { return m_action; }
    // The button the edit shows for the check action (what a user or an assistive tool presses).
    QToolButton *checkButton() const;

signals:
    void rightButtonClick();

protected:
    void changeEvent(QEvent *event) override;

private:
    QAction *m_action;
};

} // namespace tf
