#include "app/FixedListComboBox.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace tf {

FixedListComboBox::FixedListComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would select an item the user has not finished typing.
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &FixedListComboBox::followTypedText);
    connect(this, &QComboBox::activated, this, &FixedListComboBox::changed);
}

void FixedListComboBox::followTypedText(const QString &text)
{
    const int match = text.isEmpty() ? -1 : findText(text, Qt::MatchFixedString);
    if (match != currentIndex()) {
        const QSignalBlocker blocker(this);
        const int cursor = lineEdit()->cursorPosition();
        setCurrentIndex(match);
        // Selecting no item empties the edit; the user's text stays where it was.
        if (match < 0) {
            lineEdit()->setText(text);
            lineEdit()->setCursorPosition(cursor);
        }
    }
    emit changed();
}

} // namespace tf
