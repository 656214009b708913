#include "app/BinCountBox.h"

#include <QLineEdit>

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
