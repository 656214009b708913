#include "intake/FileWriting.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tf {

namespace {

QString Reason(int err, const QString &fallback)
{
    return err ? QString::fromLocal8Bit(std::strerror(err)) : fallback;
}

} // namespace

QString CannotCreateFileMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("ファイル \"%1\" を作成できません。%2")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason);
}

void ReplaceFileWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throw Error(CannotCreateFileMessage(path, Reason(errno, file.errorString())));
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
        const QString reason = Reason(err, file.errorString());
        file.cancelWriting();
        throw Error(CannotCreateFileMessage(path, reason));
    }
    errno = 0;
    if (!file.commit())
        throw Error(CannotCreateFileMessage(path, Reason(errno, file.errorString())));
}

} // namespace tf
