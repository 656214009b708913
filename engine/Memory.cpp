#include "engine/Memory.h"

#include "engine/Error.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace tf {

namespace {

std::atomic<qint64> g_testFigure{-1};

constexpr qint64 Unknown = std::numeric_limits<qint64>::max();

QByteArray readSmallFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(1 << 16);
}

// A number from a file such as memory.max; "max" and anything unreadable count as no limit.
qint64 numberIn(const QString &path)
{
    bool ok = false;
    const qint64 v = readSmallFile(path).trimmed().toLongLong(&ok);
    return ok ? v : Unknown;
}

qint64 memAvailable()
{
    for (const QByteArray &line : readSmallFile(QStringLiteral("/proc/meminfo")).split('\n')) {
        if (line.startsWith("MemAvailable:")) {
            bool ok = false;
            const qint64 kb = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kb * 1024 : Unknown;
        }
    }
    return Unknown;
}

// Room under the control group's limit: version 2 (memory.max) or version 1 (memory.limit_in_bytes).
qint64 cgroupRoom()
{
    qint64 room = Unknown;
    for (const QByteArray &line : readSmallFile(QStringLiteral("/proc/self/cgroup")).split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() < 3)
            continue;
        const QString path = QString::fromLocal8Bit(parts.mid(2).join(':'));
        QString folder, limitFile, usageFile;
        if (parts[0] == "0" && parts[1].isEmpty()) {
            folder = QStringLiteral("/sys/fs/cgroup") + path;
            limitFile = QStringLiteral("/memory.max");
            usageFile = QStringLiteral("/memory.current");
        } else if (parts[1].split(',').contains("memory")) {
            folder = QStringLiteral("/sys/fs/cgroup/memory") + path;
            limitFile = QStringLiteral("/memory.limit_in_bytes");
            usageFile = QStringLiteral("/memory.usage_in_bytes");
        } else {
            continue;
        }
        const qint64 limit = numberIn(folder + limitFile);
        const qint64 usage = numberIn(folder + usageFile);
        if (limit != Unknown && usage != Unknown)
            room = std::min(room, std::max<qint64>(0, limit - usage));
    }
    return room;
}

qint64 addressSpaceRoom()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return Unknown;
    bool ok = false;
    const qint64 pages = readSmallFile(QStringLiteral("/proc/self/statm")).split(' ').value(0).toLongLong(&ok);
    if (!ok)
        return Unknown;
    return std::max<qint64>(0, qint64(limit.rlim_cur) - pages * qint64(sysconf(_SC_PAGESIZE)));
}

// "3.2 GB", "740 MB", "24 KB"
QString sizeText(qint64 bytes)
{
    if (bytes >= 1000000000)
        return QString::number(double(bytes) / 1e9, 'f', 1) + QStringLiteral(" GB");
    if (bytes >= 1000000)
        return QString::number(double(bytes) / 1e6, 'f', 0) + QStringLiteral(" MB");
    return QString::number(double(bytes) / 1e3, 'f', 0) + QStringLiteral(" KB");
}

} // namespace

qint64 AvailableMemory()
{
    const qint64 figure = g_testFigure.load();
    if (figure >= 0)
        return figure;
    return std::min({memAvailable(), cgroupRoom(), addressSpaceRoom()});
}

void SetAvailableMemoryForTesting(qint64 bytes) { g_testFigure.store(bytes); }

QString NotEnoughMemoryReason(qint64 needed, qint64 available)
{
    return QStringLiteral("メモリが足りません（必要 約 ") + sizeText(needed) + QStringLiteral("、空き 約 ")
        + sizeText(available) + QStringLiteral("）");
}

void RequireMemory(qint64 needed)
{
    if (needed <= 0)
        return;
    const qint64 available = AvailableMemory();
    if (needed > available)
        throw Error(NotEnoughMemoryReason(needed, available));
}

} // namespace tf
