#pragma once
// A titled group of radio buttons laid out in columns, with a selected item index like a list.
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace tf {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &objectName, const QString &title, const QStringList &items, int columns,
               QWidget *parent = nullptr);

    int itemIndex() const; // -1 when none is selected
    void setItemIndex(int index);
    QRadioButton *item(int index) const;
    int count() const;

signals:
    // The user clicked an item.
    void click();

private:
    // Like a single control, the group is one stop of the Tab key: its selected button (the first while none
    // is), so that Tab never lands on a button that Space would then select. Arrows move within the group.
    void updateTabStop();
    QButtonGroup *m_group;
};

} // namespace tf
