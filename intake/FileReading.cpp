#include "intake/FileReading.h"

#include "engine/Error.h"
#include "engine/LargeArray.h"
#include "engine/Parallel.h"
#include "engine/SystemReason.h"
#include "intake/Decoding.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tf {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Files below this are read without help: threads would cost more than they save.
constexpr off_t ParallelBytes = off_t(8) << 20;

QString fullPathOf(const QString &path) { return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath(); }

} // namespace

Error CannotOpenError(const QString &path, int err)
{
    return Error(QStringLiteral("ファイル ") + fullPathOf(path) + QStringLiteral(" は開けません。 ")
                 + SystemReason(err) + u' ');
}

QByteArray ReadFileBytes(const QString &path, const ReadProgress &progress)
{
    const QString fullPath = fullPathOf(path);
    auto fail = [&path](int err) { return CannotOpenError(path, err); };

    // Non-blocking so that a FIFO cannot stall the window at open; it is refused below anyway.
    FileDescriptor fd(::open(QFile::encodeName(fullPath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0)
        throw fail(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw fail(errno);
    if (S_ISDIR(st.st_mode))
        throw fail(EISDIR);
    // Devices, pipes and sockets are no data files; reading one could block or never end.
    if (!S_ISREG(st.st_mode))
        throw fail(EINVAL);

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

LineList ReadDataFile(const QString &path, const ReadProgress &progress)
{
    QByteArray bytes = ReadFileBytes(path, progress);
    try {
        return LinesFromFileBytes(std::move(bytes));
    } catch (const std::bad_alloc &) {
        throw CannotOpenError(path, ENOMEM);
    }
}

} // namespace tf
