#include "bench/Shapes.h"
#include "bench/WindowBench.h"

#include "app/BinCountBox.h"
#include "app/ErrorReport.h"
#include "app/StyleManager.h"
#include "app/TForm1.h"
#include "app/store/ExIniFile.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {

namespace {

constexpr qint64 MB = 1000 * 1000;

double nowMs() { return tfbench::ClockMs(CLOCK_MONOTONIC); }

// A step's wall time and the process's CPU time meanwhile: on a shared machine the second tells more.
class Step {
public:
    Step() { restart(); }
    void restart()
    {
        m_wall = nowMs();
        m_cpu = tfbench::ClockMs(CLOCK_PROCESS_CPUTIME_ID);
    }
    QByteArray text() const
    {
        return QByteArray::number(nowMs() - m_wall, 'f', 1) + " ms (CPU "
            + QByteArray::number(tfbench::ClockMs(CLOCK_PROCESS_CPUTIME_ID) - m_cpu, 'f', 1) + " ms)";
    }

private:
    double m_wall = 0, m_cpu = 0;
};

// `piece` written again and again up to `bytes`, the last copy cut.
void writeRepeated(QFile &file, const QByteArray &piece, qint64 bytes)
{
    QByteArray block;
    while (block.size() < (1 << 20))
        block += piece;
    for (qint64 written = 0; written < bytes;)
        written += file.write(block.constData(), std::min<qint64>(block.size(), bytes - written));
}

// ---- writers ---------------------------------------------------------------------------------

// One first line of `1,` cells, then one more line.
void writeLongFirstLine(QFile &file, qint64 bytes)
{
    writeRepeated(file, "1,", bytes);
    file.write("1\n2\n");
}

// One header cell of letters, then two data lines.
void writeLongHeaderCell(QFile &file, qint64 bytes)
{
    writeRepeated(file, "abcdefghijklmnopqrstuvwxyz", bytes);
    file.write("\n1\n2\n");
}

// A settings file whose style name fills it.
void writeLongStyleName(QFile &file, qint64 bytes)
{
    file.write("[FORM]\r\nPOSITION.X=0\r\nPOSITION.Y=0\r\nDPI=0\r\n\r\n[Style]\r\nName=");
    writeRepeated(file, "Glow", bytes);
    file.write("\r\n");
}

// A settings file of many small sections of one key each, after the program's own two.
void writeManySections(QFile &file, qint64 bytes)
{
    file.write("[FORM]\r\nPOSITION.X=0\r\nPOSITION.Y=0\r\nDPI=0\r\n\r\n[Style]\r\nName=Windows\r\n\r\n");
    QByteArray block;
    qint64 written = file.size();
    for (long k = 0; written < bytes; ++k) {
        block += "[S" + QByteArray::number(qlonglong(k)) + "]\r\nk=" + QByteArray::number(qlonglong(k % 10)) + "\r\n";
        if (block.size() >= (1 << 20)) {
            written += file.write(block);
            block.clear();
        }
    }
    file.write(block);
}

// ---- runners ---------------------------------------------------------------------------------

QString firstChars(const QString &text, int n)
{
    return text.size() <= n ? text : text.left(n) + QStringLiteral("…(") + QString::number(text.size()) + u')';
}

// The file opened as the open button does, then a rebuild for another bin count, the series list opened
// and the chart's description made.
int runDataFile(const QString &path)
{
    const auto app = tfbench::OffscreenApplication();
    QStringList messages;
    tf::SetMessageBoxHook([&messages](const tf::MessageBoxRequest &r) { messages += r.text; });
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    form.FileOpenDialogHook = [path] { return path; };

    Step step;
    form.Command([&form] { form.OpenBtnClick(); });
    QCoreApplication::processEvents();
    const QByteArray open = step.text();
    QByteArray rebuild = "-", list = "-", describe = "-";
    if (messages.isEmpty()) {
        step.restart();
        form.BunkatuSize->setValue(12); // the bin-count command rebuilds from the kept table
        rebuild = step.text();
        step.restart();
        form.SeriesCombo->showPopup();
        form.SeriesCombo->view()->repaint();
        QCoreApplication::processEvents();
        list = step.text();
        form.SeriesCombo->hidePopup();
        step.restart();
        form.Chart1->refreshDescription();
        describe = step.text();
    }
    std::printf("open %s, rebuild %s, series list %s, description %s | %s\n", open.constData(), rebuild.constData(),
                list.constData(), describe.constData(),
                messages.isEmpty() ? qPrintable(QStringLiteral("built: ") + firstChars(form.StatusText(), 60))
                                   : qPrintable(firstChars(messages.join(u'|'), 100)));
    return 0;
}

// Writes of a file in a folder, counted by the folder's notices: a replacing write ends with a rename
// onto the name, a write in place with a close.
class WriteCounter {
public:
    WriteCounter(const QString &folder, const QString &name) : m_name(QFile::encodeName(name))
    {
        m_fd = inotify_init1(IN_NONBLOCK);
        if (m_fd >= 0)
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~WriteCounter()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int count()
    {
        alignas(inotify_event) char buf[65536];
        for (;;) {
            const ssize_t n = m_fd < 0 ? -1 : ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                return m_count;
            for (ssize_t i = 0; i < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buf + i);
                if (e->len > 0 && m_name == e->name)
                    ++m_count;
                i += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
    }

private:
    QByteArray m_name;
    int m_fd = -1;
    int m_count = 0;
};

// The window started with the file as its settings file, then closed; every message box that opens is
// closed as soon as it shows, and its text printed.
int runSettingsFile(const QString &path)
{
    const auto app = tfbench::OffscreenApplication();
    const QFileInfo info(path);
    tf::TBaseFolders folders = tf::SystemBaseFolders();
    folders.application = info.absolutePath();
    folders.appData = info.absolutePath();
    folders.executableName = info.completeBaseName();
    tf::SetBaseFoldersOverride(folders);
    tf::TStyleManager::TrySetStyle(QStringLiteral("Turquoise Gray"), false);

    QStringList messages;
    QByteArray boxShown = "-";
    Step step;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (messages.isEmpty())
                boxShown = step.text();
            messages += box->text();
            box->reject();
        }
    });
    closer.start(1);

    auto form = std::make_unique<TForm1>();
    form->show();
    QCoreApplication::processEvents();
    const QByteArray start = step.text();
    WriteCounter writes(info.absolutePath(), info.fileName());
    step.restart();
    form->close();
    const QByteArray close = step.text();
    form.reset();
    std::printf("start %s (first box after %s), close %s, file written %d times | style %s | %s\n",
                start.constData(), boxShown.constData(), close.constData(), writes.count(),
                qPrintable(tf::TStyleManager::ActiveStyleName()), qPrintable(firstChars(messages.join(u'|'), 100)));
    return 0;
}

} // namespace

const std::vector<Shape> &Shapes()
{
    static const std::vector<Shape> shapes = {
        {"first-line-100mb", "a first line of 100 MB of `1,` cells, then one more line", 100 * MB, "data.csv",
         writeLongFirstLine, runDataFile},
        {"first-line-1gb", "the same at 1 GB", 1000 * MB, "data.csv", writeLongFirstLine, runDataFile},
        {"header-cell-100mb", "a header cell of 100 MB, then 2 data lines", 100 * MB, "data.csv", writeLongHeaderCell,
         runDataFile},
        {"header-cell-1gb", "a header cell of 1 GB, then 2 data lines", 1000 * MB, "data.csv", writeLongHeaderCell,
         runDataFile},
        {"style-name-10mb", "a settings file whose style name is 10 MB", 10 * MB, "tallyfold.ini", writeLongStyleName,
         runSettingsFile},
        {"ini-sections-16mb", "a settings file of 1 million sections (16 MB)", 16 * MB, "tallyfold.ini",
         writeManySections, runSettingsFile},
        {"ini-sections-100mb", "a settings file of sections, 100 MB", 100 * MB, "tallyfold.ini", writeManySections,
         runSettingsFile},
    };
    return shapes;
}

int RunOneShape(const char *name, const QString &path)
{
    // The offscreen platform's notes on what it cannot do would bury the one line printed.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    for (const Shape &shape : Shapes())
        if (std::strcmp(shape.name, name) == 0)
            return shape.run(path);
    std::fprintf(stderr, "no shape %s\n", name);
    return 2;
}

int RunShapes(const char *self, int count, char **names)
{
    int status = 0;
    for (const Shape &shape : Shapes()) {
        if (count > 0 && std::none_of(names, names + count, [&](const char *n) { return std::strcmp(n, shape.name) == 0; }))
            continue;
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(shape.fileName));
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            shape.write(file, shape.bytes);
        }
        const double mb = double(QFileInfo(path).size()) / double(MB);
        std::printf("%s: %s (%.1f MB): ", shape.name, shape.input, mb);
        std::fflush(stdout);
        const QByteArray pathBytes = QFile::encodeName(path);
        char *argv[] = {const_cast<char *>(self), const_cast<char *>("shape-run"), const_cast<char *>(shape.name),
                        const_cast<char *>(pathBytes.constData()), nullptr};
        const double start = nowMs();
        pid_t pid = 0;
        // This very program, however it was started.
        if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", self);
            return 1;
        }
        int wstatus = 0;
        rusage usage{};
        wait4(pid, &wstatus, 0, &usage);
        const double ms = nowMs() - start;
        const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        const double peak = double(usage.ru_maxrss) * 1024.0 / double(MB);
        std::printf("%s: whole process %.2f s (CPU %.2f s), peak %.0f MB (%.2f x the input)%s\n", shape.name,
                    ms / 1000.0, cpu, peak, peak / mb, WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0 ? "" : ", FAILED");
        std::fflush(stdout);
        if (!WIFEXITED(wstatus) || WEXITSTATUS(wstatus) != 0)
            status = 1;
    }
    return status;
}

} // namespace bench
