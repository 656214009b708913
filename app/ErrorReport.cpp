#include "app/ErrorReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace tf {

namespace {
MessageBoxHook &Hook()
{
    static MessageBoxHook hook;
    return hook;
}
// A box is read at a glance, and a name of megabytes (a style name from a damaged settings file) would
// take it minutes to lay out: a line longer than this keeps its start and its end around an ellipsis.
constexpr qsizetype LongestBoxLine = 256;
constexpr qsizetype KeptLineEnd = 64;

QString ShortenedLine(QStringView line)
{
    qsizetype head = LongestBoxLine - KeptLineEnd - 1;
    qsizetype tail = line.size() - KeptLineEnd;
    if (line[head - 1].isHighSurrogate()) // a surrogate pair is never split
        --head;
    if (line[tail].isLowSurrogate())
        ++tail;
    QString shown = line.first(head).toString();
    shown += QChar(u'…');
    shown += line.sliced(tail);
    return shown;
}

} // namespace

QString ShortenedLines(const QString &text)
{
    if (text.size() <= LongestBoxLine)
        return text;
    QStringList lines;
    for (QStringView line : QStringView(text).split(u'\n'))
        lines += line.size() > LongestBoxLine ? ShortenedLine(line) : line.toString();
    return lines.join(u'\n');
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

void ShowMessageBox(QWidget *owner, const QString &text, const QString &caption, QMessageBox::Icon icon,
                    QMessageBox::StandardButtons buttons)
{
    const QString shown = ShortenedLines(text);
    if (Hook()) {
        Hook()(MessageBoxRequest{owner, shown, caption, icon, buttons});
        return;
    }
    QMessageBox box(icon, caption, shown, buttons, owner);
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
