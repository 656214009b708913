#pragma once
// An open file that closes itself, and the one way the program opens a file it only reads.
#include <QString>

namespace tf {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Opens `path` read-only, without waiting: a named pipe put in a file's place cannot stall the window
// at the open (the callers refuse it once they have seen what it is). get() < 0 and errno on failure.
FileDescriptor OpenForReading(const QString &path);

} // namespace tf
