#pragma once
// The bin-count spin box. Its command follows every change of the shown text: each typed or deleted
// character as well as arrow steps, focus-out correction and values set by the program. QSpinBox alone
// reports only accepted values, so an emptied box would go unnoticed.
#include <QSpinBox>

namespace tf {

class BinCountBox : public QSpinBox {
    Q_OBJECT
public:
    explicit BinCountBox(QWidget *parent = nullptr);

    // The text read as a whole number; a text that is not one (empty, a lone sign) counts as the minimum.
    int textValue() const;
    QLineEdit *editor() const { return lineEdit(); }
    // Sets the value and reports the shown text when it changed. QSpinBox rewrites a text the user is typing
    // without any signal when the value itself stays the same (an emptied box still holds its old value).
    void setValue(int value);

    // The arrows step from the text as typed, not from the last accepted value: "1" typed over 25 and Up
    // give 2, an emptied box counts as the minimum so Up gives 3; the result stays within the range.
    void stepBy(int steps) override;

signals:
    void shownTextChanged(const QString &text);

protected:
    StepEnabled stepEnabled() const override;

private:
    void noteText();
    QString m_lastText;
};

} // namespace tf
