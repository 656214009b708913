#pragma once
// An editable drop-down whose list never changes: typing selects the item that reads the same (letter case
// aside) or, when none does, no item at all, while the typed text stays. Enter adds nothing to the list.
#include <QComboBox>

namespace tf {

class FixedListComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit FixedListComboBox(QWidget *parent = nullptr);

signals:
    // Every change by the user: a character typed or deleted, or an item chosen from the list. A selection
    // made by the program does not count.
    void changed();

private:
    void followTypedText(const QString &text);
};

} // namespace tf
