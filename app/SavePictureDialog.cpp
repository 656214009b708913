#include "app/SavePictureDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace tf {

bool SavePictureDialog::Execute(QWidget *owner)
{
    QString path;
    if (Hook) {
        path = Hook(*this);
    } else {
        QFileDialog dialog(owner);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        const QStringList filters = Filter.split(QStringLiteral(";;"));
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(FilterIndex - 1));
        dialog.setDefaultSuffix(DefaultExt);
        if (!FileName.isEmpty())
            dialog.selectFile(FileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        path = dialog.selectedFiles().constFirst();
        FilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    }
    if (path.isEmpty())
        return false;
    // Only a name typed without any extension gets the default one; another extension stays as typed.
    if (!QFileInfo(path).fileName().contains(u'.') && !DefaultExt.isEmpty())
        path += u'.' + DefaultExt;
    FileName = path;
    return true;
}

} // namespace tf
