#include "engine/FileDescriptor.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace tf {

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileDescriptor OpenForReading(const QString &path)
{
    return FileDescriptor(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
}

} // namespace tf
