#include "intake/FileWriting.h"

#include "engine/SystemReason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tf {

QString CannotCreateFileMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("ファイル \"%1\" を作成できません。%2")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason);
}

int MakeFolders(const QString &folder)
{
    const QByteArray path = QFile::encodeName(QFileInfo(folder).absoluteFilePath());
    for (qsizetype end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != '/')
            continue;
        // A folder that exists already answers EEXIST; a plain file there shows at the next step or below.
        if (::mkdir(path.left(end).constData(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

void ReplaceFileWhole(const QString &path, const QByteArray &bytes)
{
    // The save file refuses a folder without a system error number of its own.
    if (QFileInfo(path).isDir())
        throw Error(CannotCreateFileMessage(path, SystemReason(EISDIR)));
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throw Error(CannotCreateFileMessage(path, SystemReason(errno)));
    // The file keeps small payloads in its buffer, and its commit does not report a failed last flush:
    // the flush is made and checked here, and the data synced, before anything is renamed.
    errno = 0;
    bool written = file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    int err = errno;
    if (written && ::fsync(file.handle()) != 0) {
        written = false;
        err = errno;
    }
    if (!written) {
        const QString reason = SystemReason(err);
        file.cancelWriting();
        throw Error(CannotCreateFileMessage(path, reason));
    }
    errno = 0;
    if (!file.commit())
        throw Error(CannotCreateFileMessage(path, SystemReason(errno)));
}

} // namespace tf
