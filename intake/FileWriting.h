#pragma once
// Writing a whole file so that it either replaces the old one completely or leaves it untouched.
#include "engine/Error.h"

#include <QByteArray>
#include <QString>

namespace tf {

// "ファイル "<full path>" を作成できません。<reason>"
QString CannotCreateFileMessage(const QString &path, const QString &reason);

// Replaces the file at path by the bytes: they are written to a new file beside it, flushed, checked and
// synced to the disk, and only then renamed over the old one. Any failure on the way (a full disk, a write
// error the system reports late) raises tf::Error with CannotCreateFileMessage and the system's reason,
// and the old file stays byte for byte.
void ReplaceFileWhole(const QString &path, const QByteArray &bytes);

} // namespace tf
