#pragma once
// A folder in which every further write fails as on a full disk, for tests of writers that must then
// leave the old file whole. Two ways to get there: a small tmpfs mounted on the folder and filled to the
// last page (needs the right to mount, which root has, as in CI), or a file size limit on this process
// (anyone may lower it), under which a write past the limit fails with EFBIG.
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tftest {

enum class FullDiskKind { FilledTmpfs, FileSizeLimit };

class FullDisk {
public:
    // Makes the folder (the tmpfs is mounted on it at once); Usable() says whether that worked.
    FullDisk(FullDiskKind kind, const QString &folder) : m_kind(kind), m_folder(folder)
    {
        QDir().mkpath(folder);
        if (kind == FullDiskKind::FilledTmpfs) {
            m_mounted = ::mount("tftest", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k") == 0;
            if (!m_mounted)
                m_whyNot = std::string("tmpfs cannot be mounted here: ") + std::strerror(errno);
        }
    }
    ~FullDisk()
    {
        if (m_limited)
            ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    bool Usable() const { return m_whyNot.empty(); }
    const std::string &WhyNot() const { return m_whyNot; }

    // From now on no file in the folder can grow: the tmpfs is filled, or the size limit set to `limit`
    // bytes (under the size of what the tests write).
    void Fill(rlim_t limit = 1024)
    {
        if (m_kind == FullDiskKind::FilledTmpfs) {
            const QByteArray filler = QFile::encodeName(m_folder + QStringLiteral("/filler"));
            const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            static const char page[4096] = {};
            while (fd >= 0 && ::write(fd, page, sizeof page) > 0) {
            }
            if (fd >= 0)
                ::close(fd);
            return;
        }
        // Past the limit the system would end the process with SIGXFSZ; ignored, the write fails instead.
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        rlimit lowered = m_oldLimit;
        lowered.rlim_cur = limit;
        m_limited = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }

    // The reason the system gives for the failed write.
    int Errno() const { return m_kind == FullDiskKind::FilledTmpfs ? ENOSPC : EFBIG; }

private:
    FullDiskKind m_kind;
    QString m_folder;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_oldLimit{};
    std::string m_whyNot;
};

struct FullDiskCase {
    const char *name;
    FullDiskKind kind;
};
inline void PrintTo(const FullDiskCase &c, std::ostream *os) { *os << c.name; }

inline constexpr FullDiskCase FullDiskCases[] = {{"FilledTmpfs", FullDiskKind::FilledTmpfs},
                                                {"FileSizeLimit", FullDiskKind::FileSizeLimit}};

} // namespace tftest
