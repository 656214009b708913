#pragma once
// The picture-open dialog of the background picture command: a file dialog with the picture filter list
// and a preview of the selected file.
#include <QString>
#include <QStringList>

class QWidget;

namespace tf {

// The filter list as label and pattern pairs separated by vertical bars.
extern const QString OpenPictureDialogFilter;

// The same list as Qt's name filters, one entry a pair: "label (patterns)" with the patterns separated by
// spaces, which is how Qt reads them.
QStringList PictureDialogNameFilters(const QString &filter = OpenPictureDialogFilter);

// Shows the dialog modally, opened at lastFile; returns the confirmed path, or an empty text.
QString ExecuteOpenPictureDialog(QWidget *parent, const QString &lastFile);

} // namespace tf
