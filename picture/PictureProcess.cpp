#include "picture/PictureProcess.h"

#include "picture/Picture.h"
#include "picture/PictureDecoders.h"

#include "engine/SystemReason.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace tf {

namespace {

// The reply on the helper's standard output: a magic word and a kind, then for a picture its width and
// height and the premultiplied ARGB pixels row by row, for a refusal its UTF-8 text with its length.
constexpr char ReplyMagic[4] = {'T', 'F', 'P', 'X'};
enum ReplyKind : quint8 { ReplyPicture = 0, ReplyRefused = 1, ReplyOutOfMemory = 2 };
constexpr qsizetype ReplyHeader = 5;
constexpr quint32 MaxRefusalBytes = 64 * 1024;

QString &HelperOverride()
{
    static QString path;
    return path;
}

QString SignalName(int sig)
{
    const char *abbrev = ::sigabbrev_np(sig);
    return abbrev ? QStringLiteral("SIG") + QString::fromLatin1(abbrev) : QStringLiteral("シグナル %1").arg(sig);
}

QString CrashedMessage(const QString &cause)
{
    return QStringLiteral("画像を読み取る処理が異常終了したため、読み込みを中止しました (%1)").arg(cause);
}

QString CpuLimitMessage()
{
    return QStringLiteral("画像を読み取る処理が CPU 時間の上限 (%1 秒) を超えたため、読み込みを中止しました")
        .arg(PictureCpuSeconds);
}

QString MemoryLimitMessage()
{
    return QStringLiteral("画像を読み取る処理がメモリの上限 (%1 MB) を超えたため、読み込みを中止しました")
        .arg(PictureMemoryMB);
}

QString DeadlineMessage()
{
    return QStringLiteral("画像の読み取りが %1 秒以内に終わらないため、読み込みを中止しました")
        .arg(PictureDeadlineMs / 1000);
}

bool WriteAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool WriteHead(ReplyKind kind)
{
    char head[ReplyHeader];
    std::memcpy(head, ReplyMagic, 4);
    head[4] = char(kind);
    return WriteAll(STDOUT_FILENO, head, ReplyHeader);
}

bool WriteReply(ReplyKind kind, const QByteArray &payload)
{
    return WriteHead(kind) && WriteAll(STDOUT_FILENO, payload.constData(), payload.size());
}

bool WriteRefusal(ReplyKind kind, const QString &message)
{
    QByteArray text = message.toUtf8().left(MaxRefusalBytes);
    const quint32 size = quint32(text.size());
    text.prepend(reinterpret_cast<const char *>(&size), sizeof size);
    return WriteReply(kind, text);
}

bool WritePicture(const QImage &decoded)
{
    const QImage image = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qint32 size[2] = {image.width(), image.height()};
    if (!WriteHead(ReplyPicture) ||
        !WriteAll(STDOUT_FILENO, reinterpret_cast<const char *>(size), sizeof size))
        return false;
    const qsizetype row = qsizetype(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y) {
        if (!WriteAll(STDOUT_FILENO, reinterpret_cast<const char *>(image.constScanLine(y)), row))
            return false;
    }
    return true;
}

// Limits the helper sets on itself before it touches the file.
void LimitHelper()
{
    const rlimit cpu{rlim_t(PictureCpuSeconds), rlim_t(PictureCpuSeconds + 1)};
    ::setrlimit(RLIMIT_CPU, &cpu);
    // The sanitizers reserve terabytes of address space for their shadow: there only the CPU time is limited.
    if (!PictureHelperSanitized) {
        const rlimit memory{rlim_t(PictureMemoryMB) << 20, rlim_t(PictureMemoryMB) << 20};
        ::setrlimit(RLIMIT_AS, &memory);
    }
    // No core file for a crash that is an expected outcome here.
    const rlimit core{0, 0};
    ::setrlimit(RLIMIT_CORE, &core);
}

// Reads exactly size bytes from the pipe into data, calling wait while it waits; false at the deadline or
// at the end of the pipe.
class ReplyReader {
public:
    ReplyReader(int fd, const QElapsedTimer &clock, const PictureWait &wait) : m_fd(fd), m_clock(clock), m_wait(wait) {}

    bool read(char *data, qsizetype size)
    {
        while (size > 0) {
            const qint64 left = PictureDeadlineMs - m_clock.elapsed();
            if (left <= 0) {
                m_late = true;
                return false;
            }
            pollfd p{m_fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, int(std::min<qint64>(left, m_wait ? 50 : left)));
            if (ready < 0 && errno != EINTR)
                return false;
            if (ready <= 0) {
                if (m_wait)
                    m_wait(double(m_clock.elapsed()) / PictureDeadlineMs);
                continue;
            }
            const ssize_t n = ::read(m_fd, data, size_t(size));
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= n;
        }
        return true;
    }
    bool late() const { return m_late; }

private:
    int m_fd;
    const QElapsedTimer &m_clock;
    const PictureWait &m_wait;
    bool m_late = false;
};

struct Reply {
    std::optional<PictureOutcome> outcome; // empty when the reply was cut or malformed
    bool late = false;
};

Reply ReadReply(int fd, const QElapsedTimer &clock, const PictureWait &wait)
{
    ReplyReader in(fd, clock, wait);
    Reply reply;
    char head[ReplyHeader];
    if (!in.read(head, ReplyHeader) || std::memcmp(head, ReplyMagic, 4) != 0) {
        reply.late = in.late();
        return reply;
    }
    const quint8 kind = quint8(head[4]);
    if (kind == ReplyRefused || kind == ReplyOutOfMemory) {
        quint32 size = 0;
        if (in.read(reinterpret_cast<char *>(&size), sizeof size) && size <= MaxRefusalBytes) {
            QByteArray text(size, Qt::Uninitialized);
            if (in.read(text.data(), size)) {
                PictureOutcome outcome;
                outcome.end = kind == ReplyRefused ? PictureEnd::Refused : PictureEnd::MemoryLimit;
                outcome.message = kind == ReplyRefused ? QString::fromUtf8(text) : MemoryLimitMessage();
                reply.outcome = outcome;
            }
        }
    } else if (kind == ReplyPicture) {
        qint32 size[2] = {0, 0};
        if (in.read(reinterpret_cast<char *>(size), sizeof size) && size[0] >= 1 && size[1] >= 1 &&
            size[0] <= MaxPictureSide && size[1] <= MaxPictureSide) {
            // The pixels go straight into the image's rows: one copy, from the pipe.
            QImage image(size[0], size[1], QImage::Format_ARGB32_Premultiplied);
            bool whole = !image.isNull();
            for (int y = 0; whole && y < image.height(); ++y)
                whole = in.read(reinterpret_cast<char *>(image.scanLine(y)), qsizetype(image.width()) * 4);
            if (whole)
                reply.outcome = PictureOutcome{PictureEnd::Decoded, image, QString()};
        }
    }
    reply.late = in.late();
    return reply;
}

// Runs the helper on the file; the environment is this process's, with the offscreen platform, since the
// helper draws metafile texts with fonts but shows nothing.
PictureOutcome RunHelper(const QString &helper, const QString &fileName, const PictureWait &wait)
{
    const QByteArray program = QFile::encodeName(helper);
    const QByteArray file = QFile::encodeName(QFileInfo(fileName).absoluteFilePath());
    std::vector<char *> argv{const_cast<char *>(program.constData()), const_cast<char *>(file.constData()), nullptr};
    static const char platform[] = "QT_QPA_PLATFORM=offscreen";
    // Under the sanitizers the address-space limit is off (their shadow reserves terabytes), so their
    // allocator is bounded instead: a huge request fails like any allocation, and a helper whose memory
    // grows beyond twice the limit is ended.
    QByteArray sanitizer = "ASAN_OPTIONS=" + qgetenv("ASAN_OPTIONS") +
                           QByteArrayLiteral(":allocator_may_return_null=1:hard_rss_limit_mb=") +
                           QByteArray::number(2 * PictureMemoryMB);
    std::vector<char *> envp;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 &&
            !(PictureHelperSanitized && std::strncmp(*e, "ASAN_OPTIONS=", 13) == 0))
            envp.push_back(*e);
    }
    envp.push_back(const_cast<char *>(platform));
    if (PictureHelperSanitized)
        envp.push_back(sanitizer.data());
    envp.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {PictureEnd::NotStarted, QImage(), QStringLiteral("画像を読み取る処理を開始できません。%1").arg(SystemReason(errno))};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    // What the libraries print about a broken file is of no use to the user, who gets the refusal.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.constData(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return {PictureEnd::NotStarted, QImage(),
                QStringLiteral("画像を読み取るプログラム \"%1\" を起動できません。%2").arg(helper, SystemReason(spawned))};
    }

    QElapsedTimer clock;
    clock.start();
    const Reply reply = ReadReply(pipeFds[0], clock, wait);
    ::close(pipeFds[0]);
    if (reply.late || !reply.outcome)
        ::kill(pid, SIGKILL); // late, or a reply that makes no sense: the helper has nothing more to say
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (reply.late)
        return {PictureEnd::Deadline, QImage(), DeadlineMessage()};
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)
        return {PictureEnd::CpuLimit, QImage(), CpuLimitMessage()};
    if (reply.outcome && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return *reply.outcome;
    if (WIFSIGNALED(status))
        return {PictureEnd::Crashed, QImage(), CrashedMessage(SignalName(WTERMSIG(status)))};
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return {PictureEnd::Crashed, QImage(), CrashedMessage(QStringLiteral("終了コード %1").arg(WEXITSTATUS(status)))};
    return {PictureEnd::Crashed, QImage(),
            QStringLiteral("画像を読み取る処理から正しい結果が返らなかったため、読み込みを中止しました")};
}

} // namespace

void SetPictureHelperPath(const QString &path)
{
    HelperOverride() = path;
}

QString PictureHelperPath()
{
    if (!HelperOverride().isEmpty())
        return HelperOverride();
    const QString folder = QCoreApplication::applicationDirPath();
    const QString beside = folder + QStringLiteral("/tallyfold-picture");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(folder + QStringLiteral("/" TF_PICTURE_HELPER_FROM_BIN "/tallyfold-picture"));
}

PictureOutcome DecodePictureInHelper(const QString &fileName, const PictureWait &wait)
{
    const QString notRegular = NotRegularPictureFile(fileName);
    if (!notRegular.isEmpty())
        return {PictureEnd::Refused, QImage(), notRegular};
    return RunHelper(PictureHelperPath(), fileName, wait);
}

int RunPictureHelper(int argc, char **argv)
{
    LimitHelper();
    std::signal(SIGPIPE, SIG_IGN);
    if (argc != 2)
        return 2;
    const QString fileName = QFile::decodeName(argv[1]);
    std::optional<QGuiApplication> app;
    try {
        const PictureFormat format = PictureFormatOf(fileName);
        // The metafile players draw texts with the system's fonts, which need the application object.
        if (format == PictureFormat::Emf || format == PictureFormat::Wmf)
            app.emplace(argc, argv);
        const QImage image = DecodePicture(ReadPictureBytes(fileName, format), format);
        // Ended at once when the reply is out: nothing the libraries do at exit can spoil it.
        ::_exit(WritePicture(image) ? 0 : 3);
    } catch (const Error &e) {
        ::_exit(WriteRefusal(ReplyRefused, e.message()) ? 0 : 3);
    } catch (const std::bad_alloc &) {
        ::_exit(WriteRefusal(ReplyOutOfMemory, QString()) ? 0 : 3);
    }
}

} // namespace tf
