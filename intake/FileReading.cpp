#include "intake/FileReading.h"

#include "engine/Error.h"
#include "engine/FileDescriptor.h"
#include "engine/FileMapping.h"
#include "engine/LargeArray.h"
#include "engine/Memory.h"
#include "engine/Parallel.h"
#include "engine/SystemReason.h"
#include "intake/Decoding.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tf {

namespace {

// Files below this are read without help: threads would cost more than they save.
constexpr off_t ParallelBytes = off_t(8) << 20;

QString fullPathOf(const QString &path) { return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath(); }

} // namespace

Error CannotOpenError(const QString &path, int err)
{
    return Error(QStringLiteral("ファイル ") + fullPathOf(path) + QStringLiteral(" は開けません。 ")
                 + SystemReason(err) + u' ');
}

namespace {

// Opens a data file read-only and tells its size; throws the open error for anything but a plain file.
FileDescriptor openDataFile(const QString &path, struct stat &st)
{
    const QString fullPath = fullPathOf(path);
    FileDescriptor fd = OpenForReading(fullPath);
    if (fd.get() < 0)
        throw CannotOpenError(path, errno);
    if (::fstat(fd.get(), &st) != 0)
        throw CannotOpenError(path, errno);
    if (S_ISDIR(st.st_mode))
        throw CannotOpenError(path, EISDIR);
    // Devices, pipes and sockets are no data files; reading one could block or never end.
    if (!S_ISREG(st.st_mode))
        throw CannotOpenError(path, EINVAL);
    return fd;
}

std::shared_ptr<FileMapping> mapOpened(const FileDescriptor &fd, const struct stat &st, const QString &path,
                                       const ReadProgress &progress)
{
    std::shared_ptr<FileMapping> mapping = FileMapping::map(fd.get(), size_t(st.st_size));
    if (!mapping)
        throw CannotOpenError(path, errno);
    // The pages are taken from the page cache a piece at a time on every processor, with a progress
    // report in between; a file not yet cached is read from the disk here.
    constexpr size_t Piece = size_t(64) << 20;
    const size_t size = mapping->size();
    const size_t parts = size >= size_t(ParallelBytes) ? Processors() : 1;
    for (size_t at = 0; at < size; at += Piece) {
        const size_t want = std::min(Piece, size - at);
        InParallel(parts, [&](size_t k) { mapping->populate(at + want * k / parts, want * (k + 1) / parts - want * k / parts); });
        if (progress)
            progress(double(at + want) / double(size));
    }
    return mapping;
}


QByteArray readOpened(const FileDescriptor &fd, const struct stat &st, const QString &path,
                      const ReadProgress &progress)
{
    auto fail = [&path](int err) { return CannotOpenError(path, err); };

    QByteArray bytes;
    try {
        // One byte more than the file: the lines are split in this buffer, and a last line without
        // a break gets its LF there.
        bytes.reserve(qsizetype(st.st_size) + 1);
        AdviseLarge(bytes.data(), size_t(bytes.capacity()));
        bytes.resize(qsizetype(st.st_size));
        qsizetype filled = 0;
        constexpr qsizetype Chunk = qsizetype(16) << 20; // a progress report in between
        for (;;) {
            if (filled == bytes.size()) {
                // The size the file had: one byte more read aside tells whether it grew meanwhile,
                // so that the usual end costs no larger buffer and no copy into it.
                char more = 0;
                const ssize_t got = ::read(fd.get(), &more, 1);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0)
                    throw fail(errno);
                if (got == 0)
                    break;
                bytes.resize(filled + std::max<qsizetype>(filled / 2, 65536));
                bytes[filled++] = more;
            }
            const size_t want = size_t(std::min(bytes.size() - filled, Chunk));
            // The room of a large file is taken from the system on every processor at once, a chunk
            // at a time between the progress reports; the read then only copies.
            if (st.st_size >= ParallelBytes) {
                const size_t parts = Processors();
                char *at = bytes.data() + filled;
                InParallel(parts, [&](size_t k) { PopulateLarge(at + want * k / parts, want * (k + 1) / parts - want * k / parts); });
            }
            const ssize_t got = ::read(fd.get(), bytes.data() + filled, want);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                throw fail(errno);
            }
            if (got == 0)
                break;
            filled += got;
            if (progress)
                progress(double(filled) / double(std::max(bytes.size(), filled)));
        }
        bytes.truncate(filled);
    } catch (const std::bad_alloc &) {
        throw fail(ENOMEM);
    }
    return bytes;
}

} // namespace

Error CannotOpenError(const QString &path, const QString &reason)
{
    return Error(QStringLiteral("ファイル ") + fullPathOf(path) + QStringLiteral(" は開けません。 ") + reason + u' ');
}

std::shared_ptr<FileMapping> MapFile(const QString &path, const ReadProgress &progress)
{
    struct stat st {};
    const FileDescriptor fd = openDataFile(path, st);
    return mapOpened(fd, st, path, progress);
}

QByteArray ReadFileBytes(const QString &path, const ReadProgress &progress)
{
    struct stat st {};
    const FileDescriptor fd = openDataFile(path, st);
    return readOpened(fd, st, path, progress);
}

FileContents LoadFile(const QString &path, const ReadProgress &progress)
{
    FileContents contents;
    struct stat st {};
    const FileDescriptor fd = openDataFile(path, st);
    if (st.st_size >= MapFileFrom)
        contents.mapping = mapOpened(fd, st, path, progress);
    else
        contents.bytes = readOpened(fd, st, path, progress);
    return contents;
}

LineList LinesFromFile(FileContents contents, const QByteArray &legacyCodeset, qint64 *decodeNanoseconds)
{
    if (contents.mapping)
        return LinesFromMapping(std::move(contents.mapping), legacyCodeset, decodeNanoseconds);
    return LinesFromFileBytes(std::move(contents.bytes), legacyCodeset, decodeNanoseconds);
}

LineList ReadDataFile(const QString &path, const ReadProgress &progress)
{
    FileContents contents = LoadFile(path, progress);
    try {
        return LinesFromFile(std::move(contents));
    } catch (const std::bad_alloc &) {
        throw CannotOpenError(path, ENOMEM);
    }
}

void RequireRoomToBuild(const QString &path, const LineList &lines,
                        const std::array<std::vector<double>, MaxColumns> &columns)
{
    const qint64 needed = ColumnRoomEstimate(lines, columns);
    if (needed <= 0)
        return;
    const qint64 available = AvailableMemory();
    if (needed > available)
        throw CannotOpenError(path, NotEnoughMemoryReason(needed, available));
}

} // namespace tf
