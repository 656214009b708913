#pragma once
// The small dialog that asks which sheet of a workbook to read, when it has several.
#include <QDialog>
#include <QStringList>

class QListWidget;

namespace tf {

class SheetChooser : public QDialog {
public:
    // The sheets listed in their order, the first one selected; Enter or a double click takes the
    // selected one.
    SheetChooser(const QString &fileName, const QStringList &sheets, QWidget *parent = nullptr);

    int chosen() const;
    QListWidget *list() const { return m_list; }

private:
    QListWidget *m_list;
};

// Shows the chooser modally: the index of the sheet taken, or -1 when the user cancelled.
int ChooseSheet(QWidget *parent, const QString &fileName, const QStringList &sheets);

} // namespace tf
