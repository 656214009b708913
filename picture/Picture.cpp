#include "picture/Picture.h"

#include "engine/FileDescriptor.h"
#include "engine/SystemReason.h"
#include "picture/PictureDecoders.h"
#include "picture/PictureProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tf {

namespace {
// Largest raster file read; the decoders bound the decoded image themselves.
constexpr qint64 MaxPictureFileBytes = 64 * 1024 * 1024;

QString ShownPath(const QString &fileName)
{
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

// Why a file of this mode is no picture; empty for a regular file.
QString NotRegularReason(const QString &fileName, mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    const QString kind = S_ISFIFO(mode)                    ? QStringLiteral("名前付きパイプ")
                         : S_ISDIR(mode)                   ? QStringLiteral("フォルダー")
                         : S_ISSOCK(mode)                  ? QStringLiteral("ソケット")
                         : (S_ISCHR(mode) || S_ISBLK(mode)) ? QStringLiteral("デバイス")
                                                            : QStringLiteral("特殊なファイル");
    return QStringLiteral("\"%1\" は%2です。画像として読み込めるのは通常のファイルだけです").arg(ShownPath(fileName), kind);
}

Error CannotOpenPicture(const QString &fileName, int err)
{
    return Error(QStringLiteral("画像ファイル \"%1\" を開けません。%2").arg(ShownPath(fileName), SystemReason(err)));
}

Error PictureTooLarge(qint64 limit)
{
    return Error(QStringLiteral("画像ファイルが大きすぎます (上限 %1 MB)").arg(limit >> 20));
}

} // namespace

QString NotRegularPictureFile(const QString &fileName)
{
    struct stat st {};
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return QString();
    return NotRegularReason(fileName, st.st_mode);
}

QByteArray ReadPictureBytes(const QString &fileName, PictureFormat format)
{
    const qint64 limit =
        format == PictureFormat::Emf || format == PictureFormat::Wmf ? qint64(MaxMetafileBytes) : MaxPictureFileBytes;
    FileDescriptor fd = OpenForReading(fileName);
    if (fd.get() < 0)
        throw CannotOpenPicture(fileName, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw CannotOpenPicture(fileName, errno);
    const QString notRegular = NotRegularReason(fileName, st.st_mode);
    if (!notRegular.isEmpty())
        throw Error(notRegular);
    if (st.st_size > limit)
        throw PictureTooLarge(limit);
    // Read no more than the limit even when the file grows while it is read.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > limit)
                throw PictureTooLarge(limit);
            bytes.resize(std::min<qint64>(limit + 1, done * 2 + 4096));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CannotOpenPicture(fileName, errno);
        if (n == 0)
            break;
        done += n;
    }
    if (done > limit)
        throw PictureTooLarge(limit);
    bytes.truncate(done);
    return bytes;
}

EInvalidGraphic UnknownPictureExtension(const QString &fileName)
{
    return EInvalidGraphic(QStringLiteral("画像のファイル拡張子 (.%1) が不明です").arg(PictureExtension(fileName)));
}

QString PictureExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return QString();
    return fileName.mid(dot + 1);
}

PictureFormat PictureFormatOf(const QString &fileName)
{
    const QString ext = PictureExtension(fileName).toLower();
    if (ext == u"bmp")
        return PictureFormat::Bmp;
    if (ext == u"ico")
        return PictureFormat::Ico;
    if (ext == u"png")
        return PictureFormat::Png;
    if (ext == u"tif" || ext == u"tiff")
        return PictureFormat::Tiff;
    if (ext == u"emf")
        return PictureFormat::Emf;
    if (ext == u"wmf")
        return PictureFormat::Wmf;
    return PictureFormat::Unknown;
}

QImage DecodePicture(const QByteArray &bytes, PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp:
        return DecodeRasterPicture(bytes, "bmp");
    case PictureFormat::Ico:
        return DecodeRasterPicture(bytes, "ico");
    case PictureFormat::Png:
        return DecodeRasterPicture(bytes, "png");
    case PictureFormat::Tiff:
        return DecodeRasterPicture(bytes, "tiff");
    case PictureFormat::Emf:
        return DecodeEmfPicture(bytes);
    case PictureFormat::Wmf:
        return DecodeWmfPicture(bytes);
    case PictureFormat::Unknown:
        break;
    }
    throw EInvalidGraphic(QStringLiteral("画像の形式が不明です"));
}

QImage ReadPictureFile(const QString &fileName, const PictureWait &wait)
{
    if (PictureFormatOf(fileName) == PictureFormat::Unknown)
        throw UnknownPictureExtension(fileName);
    PictureOutcome outcome = DecodePictureInHelper(fileName, wait);
    if (outcome.end != PictureEnd::Decoded)
        throw Error(outcome.message);
    return std::move(outcome.image);
}

} // namespace tf
