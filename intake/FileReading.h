#pragma once
// Reading a data file from disk: once, read-only, into the buffer its lines then live in.
#include "engine/Error.h"
#include "engine/LineList.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace tf {

// Told how far a read has come, from 0 to 1.
using ReadProgress = std::function<void(double)>;

// The open error: "ファイル <full path> は開けません。 <reason of errno err> ", the reason in Japanese.
Error CannotOpenError(const QString &path, int err);

// Reads a whole file once, read-only. Throws tf::Error "ファイル <path> は開けません。 <reason> "
// when it is missing, a folder, not a plain file, or cannot be read, or when memory runs out.
QByteArray ReadFileBytes(const QString &path, const ReadProgress &progress = {});

// ReadFileBytes and LinesFromFileBytes: the lines a file gives. Throws as they do.
LineList ReadDataFile(const QString &path, const ReadProgress &progress = {});

} // namespace tf
