#pragma once
// The save dialog shared by the export commands: each command sets the filter and the default extension
// before every use; the confirmed name stays for the next use, by any command. It never asks before
// replacing a file. Tests set Hook to answer without a dialog.
#include <QString>

#include <functional>

class QWidget;

namespace tf {

class SavePictureDialog {
public:
    QString Filter;     // "label(pattern)" entries separated by ";;"
    QString DefaultExt; // added, after a dot, to a confirmed name without extension
    QString FileName;   // the last confirmed full path
    int FilterIndex = 1; // the filter entry chosen, from 1

    // Shows the dialog; true when a name was confirmed (then in FileName).
    bool Execute(QWidget *owner);

    // Answers in place of the dialog: returns the confirmed path (empty: cancelled) and may set FilterIndex.
    std::function<QString(SavePictureDialog &)> Hook;
};

} // namespace tf
