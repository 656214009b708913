#pragma once
// Reading a data file from disk: once, read-only, into the buffer its lines then live in.
#include "engine/Error.h"
#include "engine/LineList.h"
#include "engine/Table.h"
#include "intake/Decoding.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace tf {

// Told how far a read has come, from 0 to 1.
using ReadProgress = std::function<void(double)>;

// The open error: "ファイル <full path> は開けません。 <reason of errno err> ", the reason in Japanese.
Error CannotOpenError(const QString &path, int err);
// The same with a reason of the program's own.
Error CannotOpenError(const QString &path, const QString &reason);

// Reads a whole file once, read-only. Throws tf::Error "ファイル <path> は開けません。 <reason> "
// when it is missing, a folder, not a plain file, or cannot be read, or when memory runs out.
QByteArray ReadFileBytes(const QString &path, const ReadProgress &progress = {});

// Files from this size on are seen through a private mapping instead of being read into new memory.
inline constexpr qint64 MapFileFrom = qint64(8) << 20;

// A whole file seen through a private mapping, its pages taken from the page cache. Throws as ReadFileBytes.
std::shared_ptr<FileMapping> MapFile(const QString &path, const ReadProgress &progress = {});

// A file's bytes, read or mapped by its size.
struct FileContents {
    QByteArray bytes;
    std::shared_ptr<FileMapping> mapping; // set instead of bytes for a large file
};
FileContents LoadFile(const QString &path, const ReadProgress &progress = {});
// The file-reading rule on them (LinesFromFileBytes or LinesFromMapping).
LineList LinesFromFile(FileContents contents, const QByteArray &legacyCodeset = LegacyCodeset(),
                       qint64 *decodeNanoseconds = nullptr);

// LoadFile and LinesFromFile: the lines a file gives. Throws as they do.
LineList ReadDataFile(const QString &path, const ReadProgress &progress = {});

// Throws the open error with the memory reason when building the file's lines would need more memory
// than is left, counting the room of the columns held now that a build reuses or lets go.
void RequireRoomToBuild(const QString &path, const LineList &lines,
                        const std::array<std::vector<double>, MaxColumns> &columns);

} // namespace tf
