#pragma once
// Writing a whole file so that it either replaces the old one completely or leaves it untouched.
#include "engine/Error.h"

#include <QByteArray>
#include <QString>

namespace tf {

// "ファイル "<full path>" を作成できません。<reason>"
QString CannotCreateFileMessage(const QString &path, const QString &reason);

// Makes the folder and every missing folder above it. Returns 0, or the error number of the first step
// that failed (a plain file in the way, a folder that cannot be written).
int MakeFolders(const QString &folder);

// Replaces the file at path by the bytes: they are written to a new file beside it, flushed, checked and
// synced to the disk, and only then renamed over the old one. Any failure on the way (a full disk, a write
// error the system reports late) raises tf::Error with CannotCreateFileMessage and the system's reason in Japanese,
// and the old file stays byte for byte.
void ReplaceFileWhole(const QString &path, const QByteArray &bytes);

} // namespace tf
