// Background-picture bytes through the helper process, as the window reads them (the first byte picks the
// format, which names the file). Whatever the readers do with the bytes in the helper, crashing included,
// this side gets a picture no larger than the bound or a Japanese refusal, leaves no child process and no
// open file behind, and the helper always starts. The helper's own deadline ends every input before the
// run's -timeout (.ci/run): a timeout is a fault of this side.
#include "FuzzSupport.h"

#include "picture/Picture.h"
#include "picture/PictureDecoders.h"
#include "picture/PictureProcess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QTemporaryDir *Folder()
{
    static QTemporaryDir dir;
    return &dir;
}

QStringList OpenDescriptors()
{
    QStringList open;
    for (const QString &fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System))
        open << fd + QStringLiteral(" ") + QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd);
    return open;
}

bool HasJapanese(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3040 && c.unicode() < 0xA000; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tf::SetPictureHelperPath(QStringLiteral(TF_PICTURE_HELPER));
    Folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const char *const kExtensions[] = {"bmp", "ico", "png", "tif", "emf", "wmf"};
    fuzz::Input in(data, size);
    const QString path = Folder()->filePath(QStringLiteral("input.") + QLatin1String(in.pick(kExtensions)));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), path);
        const QByteArray bytes = in.rest();
        FUZZ_CHECK(file.write(bytes) == bytes.size(), path);
    }
    const QStringList openBefore = OpenDescriptors();
    const tf::PictureOutcome outcome = tf::DecodePictureInHelper(path);
    QFile::remove(path);

    FUZZ_CHECK(outcome.end != tf::PictureEnd::NotStarted, outcome.message);
    FUZZ_CHECK(::waitpid(-1, nullptr, WNOHANG) < 0, QStringLiteral("a child process was left behind"));
    const QStringList openAfter = OpenDescriptors();
    FUZZ_CHECK(openAfter == openBefore, QStringLiteral("open before: %1\nopen after: %2")
                                            .arg(openBefore.join(u',')).arg(openAfter.join(u',')));
    if (outcome.end != tf::PictureEnd::Decoded) {
        FUZZ_CHECK(outcome.image.isNull() && HasJapanese(outcome.message), outcome.message);
        return 0;
    }
    const QImage &image = outcome.image;
    FUZZ_CHECK(!image.isNull() && image.width() <= tf::MaxPictureSide && image.height() <= tf::MaxPictureSide,
               QStringLiteral("%1 gave a %2 x %3 image").arg(path).arg(image.width()).arg(image.height()));
    return 0;
}
