#include "app/BinCountBox.h"

#include <QLineEdit>

#include <algorithm>

namespace tf {

BinCountBox::BinCountBox(QWidget *parent) : QSpinBox(parent)
{
    setRange(2, 100);
    setSingleStep(1);
    setValue(10);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_lastText = lineEdit()->text();
    // Both sources are needed: the editor reports typing, the box reports its own text updates
    // (which it writes into the editor with the editor's signals blocked).
    connect(lineEdit(), &QLineEdit::textChanged, this, &BinCountBox::noteText);
    connect(this, &QSpinBox::textChanged, this, &BinCountBox::noteText);
    // Leaving the box corrects an out-of-range text, even when the value itself stays the same.
    connect(this, &QAbstractSpinBox::editingFinished, this, &BinCountBox::noteText);
}

int BinCountBox::textValue() const
{
    bool ok = false;
    const int v = lineEdit()->text().trimmed().toInt(&ok);
    return ok ? v : minimum();
}

void BinCountBox::stepBy(int steps)
{
    const qint64 target = qint64(textValue()) + qint64(steps) * singleStep();
    setValue(int(std::clamp<qint64>(target, minimum(), maximum())));
    selectAll();
}

QAbstractSpinBox::StepEnabled BinCountBox::stepEnabled() const
{
    // A step changes something unless the box already shows the limit it would go to.
    const int v = textValue();
    const bool shownAsIs = lineEdit()->text().trimmed() == QString::number(v);
    StepEnabled enabled = StepNone;
    if (!shownAsIs || v != maximum())
        enabled |= StepUpEnabled;
    if (!shownAsIs || v != minimum())
        enabled |= StepDownEnabled;
    return enabled;
}

void BinCountBox::setValue(int value)
{
    QSpinBox::setValue(value);
    noteText();
}

void BinCountBox::noteText()
{
    const QString text = lineEdit()->text();
    if (text == m_lastText)
        return;
    m_lastText = text;
    emit shownTextChanged(text);
}

} // namespace tf
