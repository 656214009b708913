// Background-picture bytes through the reader of each format (the first byte picks it). Any bytes give a
// non-null image no larger than the bound, or raise tf::Error with the reader's message. The SVG an EMF
// becomes (what Qt SVG then parses and lays out) grows with the file by no more than a fixed factor: a
// small input must not buy work out of proportion. Time and memory per input are bounded by the run's
// -timeout and -rss_limit_mb (.ci/run).
#include "FuzzGui.h"
#include "FuzzSupport.h"

#include "picture/Picture.h"
#include "picture/PictureDecoders.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::StartGuiApplication("fuzz_picture", false); // the metafile players draw text with the system's fonts
    return 0;
}

namespace {
constexpr qint64 SvgBytesPerInputByte = 32;
constexpr qint64 SvgBytesFloor = 64 * 1024;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using tf::PictureFormat;
    static constexpr PictureFormat kFormats[] = {PictureFormat::Bmp, PictureFormat::Ico, PictureFormat::Png,
                                                 PictureFormat::Tiff, PictureFormat::Emf, PictureFormat::Wmf};
    fuzz::Input in(data, size);
    const PictureFormat format = in.pick(kFormats);
    const QByteArray bytes = in.rest();
    QImage image;
    tf::PictureWork work;
    bool refused = false;
    try {
        if (format == PictureFormat::Emf)
            image = tf::DecodeEmfPicture(bytes, &work);
        else if (format == PictureFormat::Wmf)
            image = tf::DecodeWmfPicture(bytes, &work);
        else
            image = tf::DecodePicture(bytes, format);
    } catch (const tf::Error &) {
        refused = true;
    }
    FUZZ_CHECK(work.converted <= SvgBytesPerInputByte * bytes.size() + SvgBytesFloor,
               QStringLiteral("%1 input bytes became %2 bytes of SVG").arg(bytes.size()).arg(work.converted));
    if (refused)
        return 0;
    FUZZ_CHECK(!image.isNull() && image.width() <= tf::MaxPictureSide && image.height() <= tf::MaxPictureSide,
               QStringLiteral("format %1 gave a %2 x %3 image").arg(int(format)).arg(image.width()).arg(image.height()));
    return 0;
}
