#pragma once
// Background pictures from files: the reader is chosen by the file name's extension alone, compared without
// regard to case. Raster files go through Qt's image readers, metafiles through their own decoders
// (PictureDecoders.h). Every reader works on bytes in memory and is bounded in what it accepts.
#include "engine/Error.h"

#include <QImage>
#include <QString>

namespace tf {

// Raised for a file whose extension no reader handles; the picture is left as it was.
class EInvalidGraphic : public Error {
public:
    using Error::Error;
};

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
QImage ReadPictureFile(const QString &fileName);

// Decodes bytes in the given format; raises Error with the reader's message when they cannot be decoded.
QImage DecodePicture(const QByteArray &bytes, PictureFormat format);

} // namespace tf
