#pragma once
// The one place where commands report errors: a modal message box, or a test hook in its stead.
#include <QMessageBox>
#include <QString>
#include <exception>
#include <functional>

#include "engine/Error.h"

class QWidget;

namespace tf {

// Everything a message box shows. Tests install a hook to capture these instead of blocking.
struct MessageBoxRequest {
    QWidget *owner = nullptr;
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};
using MessageBoxHook = std::function<void(const MessageBoxRequest &)>;

// Replaces the modal box by the hook (an empty hook restores the box); returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// The text with every line of more than 256 code units shortened to its start, an ellipsis and its end.
QString ShortenedLines(const QString &text);

// Shows a modal message box (with an OK button unless told otherwise), or hands the request to the hook;
// either way with its long lines shortened.
void ShowMessageBox(QWidget *owner, const QString &text, const QString &caption, QMessageBox::Icon icon,
                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The executable's file name without folder and extension, first letter capital, the rest in lower case.
QString ApplicationTitle();
QString ApplicationTitleFromPath(const QString &executablePath);

// The general error report: caption = application title, text = the message by the report rule, error icon, OK.
void ReportError(QWidget *owner, const QString &message);

// Runs one command to its end; an error it raises is reported and the program carries on.
template <typename Command>
void RunCommand(QWidget *owner, Command &&command)
{
    try {
        command();
    } catch (const Error &e) {
        ReportError(owner, e.message());
    } catch (const std::exception &e) {
        ReportError(owner, QString::fromUtf8(e.what()));
    }
}

} // namespace tf
