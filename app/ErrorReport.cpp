#include "app/ErrorReport.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace tf {

namespace {
MessageBoxHook &Hook()
{
    static MessageBoxHook hook;
    return hook;
}
} // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

void ShowMessageBox(QWidget *owner, const QString &text, const QString &caption, QMessageBox::Icon icon,
                    QMessageBox::StandardButtons buttons)
{
    if (Hook()) {
        Hook()(MessageBoxRequest{owner, text, caption, icon, buttons});
        return;
    }
    QMessageBox box(icon, caption, text, buttons, owner);
    // Names and paths are shown as typed: markup in them is never rendered, nor are files it names read.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString ApplicationTitleFromPath(const QString &executablePath)
{
    const QString base = QFileInfo(executablePath).completeBaseName();
    if (base.isEmpty())
        return base;
    // Capital first letter: the executable is named in lower case as is usual here.
    return base.left(1).toUpper() + base.mid(1).toLower();
}

QString ApplicationTitle()
{
    return ApplicationTitleFromPath(QCoreApplication::applicationFilePath());
}

void ReportError(QWidget *owner, const QString &message)
{
    ShowMessageBox(owner, ErrorReportText(message), ApplicationTitle(), QMessageBox::Critical);
}

} // namespace tf
