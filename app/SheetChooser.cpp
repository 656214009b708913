#include "app/SheetChooser.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tf {

SheetChooser::SheetChooser(const QString &fileName, const QStringList &sheets, QWidget *parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("SheetChooser"));
    setWindowTitle(QStringLiteral("シートの選択"));
    auto *label = new QLabel(QStringLiteral("「%1」には %2 枚のシートがあります。\n読み込むシートを選んでください。")
                                 .arg(fileName)
                                 .arg(sheets.size()),
                             this);
    label->setTextFormat(Qt::PlainText);
    m_list->setObjectName(QStringLiteral("SheetList"));
    m_list->addItems(sheets);
    m_list->setCurrentRow(0);
    m_list->setAccessibleName(QStringLiteral("シート"));
    label->setBuddy(m_list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(360, 280);
    m_list->setFocus();
}

int SheetChooser::chosen() const
{
    return m_list->currentRow();
}

int ChooseSheet(QWidget *parent, const QString &fileName, const QStringList &sheets)
{
    SheetChooser dialog(fileName, sheets, parent);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return dialog.chosen();
}

} // namespace tf
