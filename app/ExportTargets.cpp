#include "app/ExportTargets.h"

#include "engine/Error.h"
#include "engine/SystemReason.h"
#include "intake/FileWriting.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <cerrno>
#include <memory>

namespace tf {

namespace {

ClipboardHook &clipboardHook()
{
    static ClipboardHook hook;
    return hook;
}

} // namespace

void WriteExportFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    // A file marked read-only is not replaced, as its owner asked (a rename would otherwise replace it).
    if (info.exists() && info.isFile() &&
        !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
        throw Error(CannotCreateFileMessage(path, SystemReason(EACCES)));
    ReplaceFileWhole(path, bytes);
}

void PlaceOnClipboard(QMimeData *data)
{
    std::unique_ptr<QMimeData> owned(data);
    if (clipboardHook()) {
        const QString refused = clipboardHook()(owned.get());
        if (!refused.isEmpty())
            throw Error(QStringLiteral("クリップボード %1 を開けません").arg(refused));
        return;
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QStringList formats = data->formats();
    clipboard->setMimeData(owned.release(), QClipboard::Clipboard);
    // Another program may hold the clipboard: then what it offers is not what was placed.
    const QMimeData *now = clipboard->mimeData(QClipboard::Clipboard);
    if (!now || (!formats.isEmpty() && !now->hasFormat(formats.front())))
        throw Error(QStringLiteral("クリップボード %1 を開けません").arg(QStringLiteral("(別のプログラムが使用中です)")));
}

ClipboardHook SetClipboardHook(ClipboardHook hook)
{
    ClipboardHook previous = std::move(clipboardHook());
    clipboardHook() = std::move(hook);
    return previous;
}

} // namespace tf
