#pragma once
// Background pictures from files: the reader is chosen by the file name's extension alone, compared without
// regard to case. Raster files go through Qt's image readers, metafiles through their own decoders
// (PictureDecoders.h). Every reader works on bytes in memory and is bounded in what it accepts, and files
// are decoded in a helper process (PictureProcess.h). Only regular files are read.
#include "engine/Error.h"

#include <QImage>
#include <QString>

#include <functional>

namespace tf {

// Raised for a file whose extension no reader handles; the picture is left as it was.
class EInvalidGraphic : public Error {
public:
    using Error::Error;
};

// Called about every 50 ms while a picture is decoded, with the share of the deadline gone (0 to 1).
using PictureWait = std::function<void(double)>;

enum class PictureFormat { Unknown, Bmp, Ico, Png, Tiff, Emf, Wmf };

// The reader for a file name: "bmp", "ico", "png", "tif", "tiff", "emf", "wmf" in any case; anything
// else (or no extension at all) is Unknown.
PictureFormat PictureFormatOf(const QString &fileName);

// The extension as typed, without its dot; empty when the name has none.
QString PictureExtension(const QString &fileName);

// The refusal of a file whose extension no reader handles: "画像のファイル拡張子 (.%s) が不明です".
EInvalidGraphic UnknownPictureExtension(const QString &fileName);

// Reads a picture file. An unknown extension raises EInvalidGraphic with "画像のファイル拡張子 (.%s) が不明です";
// a file that cannot be read or decoded raises Error with the reader's message.
// The decode runs in the helper process: a crash, a limit or the deadline there is refused with a message
// naming the cause, as is a file that is not a regular file. wait is called while the caller waits.
QImage ReadPictureFile(const QString &fileName, const PictureWait &wait = {});

// Empty for a regular file or one that does not exist (its reader reports that); otherwise why the file is
// no picture (a named pipe, a device, a socket or a folder), naming the file.
QString NotRegularPictureFile(const QString &fileName);

// The bytes of a picture file, within the format's size limit, read without blocking on a pipe; raises
// tf::Error when the file cannot be opened or read, is not a regular file or is too large.
QByteArray ReadPictureBytes(const QString &fileName, PictureFormat format);

// Decodes bytes in the given format; raises Error with the reader's message when they cannot be decoded.
QImage DecodePicture(const QByteArray &bytes, PictureFormat format);

} // namespace tf
