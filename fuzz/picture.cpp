// Background-picture bytes through the reader of each format (the first byte picks it). Any bytes give a
// non-null image no larger than the bound, or raise tf::Error with the reader's message.
#include "FuzzGui.h"
#include "FuzzSupport.h"

#include "picture/Picture.h"
#include "picture/PictureDecoders.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::StartGuiApplication("fuzz_picture", false); // the metafile players draw text with the system's fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using tf::PictureFormat;
    static constexpr PictureFormat kFormats[] = {PictureFormat::Bmp, PictureFormat::Ico, PictureFormat::Png,
                                                 PictureFormat::Tiff, PictureFormat::Emf, PictureFormat::Wmf};
    fuzz::Input in(data, size);
    const PictureFormat format = in.pick(kFormats);
    const QByteArray bytes = in.rest();
    QImage image;
    try {
        image = tf::DecodePicture(bytes, format);
    } catch (const tf::Error &) {
        return 0;
    }
    FUZZ_CHECK(!image.isNull() && image.width() <= tf::MaxPictureSide && image.height() <= tf::MaxPictureSide,
               QStringLiteral("format %1 gave a %2 x %3 image").arg(int(format)).arg(image.width()).arg(image.height()));
    return 0;
}
