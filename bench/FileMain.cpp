// The file benches, in a process that loads Qt Core and the workbook reader only: a whole-process time
// then holds the reading and not the start of the window's libraries (about 40 ms on a cold machine).
// Every other bench runs in tallyfold_bench_app beside this program, started in this process's place.
#include "bench/FileRun.h"

#include <QTemporaryDir>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The other benches' program: the one beside this one, found through /proc so that any name starts it.
std::string appBench()
{
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "tallyfold_bench_app";
    std::string path(self, size_t(n));
    return path.substr(0, path.rfind('/') + 1) + "tallyfold_bench_app";
}

} // namespace

int main(int argc, char **argv)
{
    // --file PATH: the whole path on one file.
    if (argc == 3 && std::strcmp(argv[1], "--file") == 0)
        return RunFile(QString::fromLocal8Bit(argv[2]));
    // --short-lines MB: the same on a file of MB megabytes of one-digit lines, written first to a temporary file.
    if (argc == 3 && std::strcmp(argv[1], "--short-lines") == 0) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("short-lines.txt"));
        WriteShortLines(path, std::atoi(argv[2]));
        return RunFile(path);
    }
    // --fresh-memory MB: new memory taken as a build's columns take it, for the system's share of a run.
    if (argc == 3 && std::strcmp(argv[1], "--fresh-memory") == 0)
        return RunFreshMemory(std::atoi(argv[2]));
    const std::string app = appBench();
    argv[0] = const_cast<char *>(app.c_str());
    ::execv(app.c_str(), argv);
    std::fprintf(stderr, "cannot start %s: %s\n", app.c_str(), std::strerror(errno));
    return 2;
}
