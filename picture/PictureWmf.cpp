#include "picture/PictureDecoders.h"

#include "engine/Error.h"

#include <QtEndian>

#include <libwmf/api.h>
#include <libwmf/gd.h>
// The pixel image the gd device leaves behind: libwmf hands it over and never frees it.
#include <libwmf/gd/gd.h>

#include <cstdlib>
#include <unordered_map>

namespace tf {

namespace {
constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr qsizetype PlaceableHeaderBytes = 22;
constexpr qsizetype MetaHeaderBytes = 18;
// Memory libwmf may hold while it plays one file (object tables, polygons, fonts), apart from the image.
constexpr size_t WmfMemoryBudget = 64 * 1024 * 1024;

Error InvalidMetafile()
{
    return Error(QStringLiteral("Metafile is not valid"));
}

quint16 U16At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

quint32 U32At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

// libwmf is handed a file only when its header is a metafile header and its records, walked by their
// sizes, stay inside the file and end with the end record (libwmf plays nothing without it).
void CheckWmfStructure(const QByteArray &bytes)
{
    if (bytes.size() > MaxMetafileBytes)
        throw InvalidMetafile();
    qsizetype offset = 0;
    if (bytes.size() >= PlaceableHeaderBytes && U32At(bytes, 0) == PlaceableKey)
        offset = PlaceableHeaderBytes;
    if (bytes.size() - offset < MetaHeaderBytes)
        throw InvalidMetafile();
    const quint16 type = U16At(bytes, offset);
    const quint16 headerWords = U16At(bytes, offset + 2);
    const quint16 version = U16At(bytes, offset + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        throw InvalidMetafile();
    offset += MetaHeaderBytes;
    while (offset + 6 <= bytes.size()) {
        const quint64 size = quint64(U32At(bytes, offset)) * 2;
        if (size < 6 || size > quint64(bytes.size() - offset))
            throw InvalidMetafile();
        if (U16At(bytes, offset + 4) == 0) // META_EOF
            return;
        offset += qsizetype(size);
    }
    throw InvalidMetafile();
}

// Every allocation libwmf makes goes through here: it is counted against the budget, and whatever is
// still held when the player has been destroyed is freed.
struct Arena {
    std::unordered_map<void *, size_t> blocks;
    size_t held = 0;

    ~Arena()
    {
        for (const auto &[p, size] : blocks)
            std::free(p);
    }

    static void *Malloc(void *context, size_t size)
    {
        auto *arena = static_cast<Arena *>(context);
        if (size > WmfMemoryBudget - arena->held)
            return nullptr;
        void *p = std::malloc(size ? size : 1);
        if (p) {
            arena->blocks.emplace(p, size);
            arena->held += size;
        }
        return p;
    }

    static void *Realloc(void *context, void *old, size_t size)
    {
        if (!old)
            return Malloc(context, size);
        auto *arena = static_cast<Arena *>(context);
        const auto it = arena->blocks.find(old);
        if (it == arena->blocks.end())
            return nullptr;
        if (size > it->second && size - it->second > WmfMemoryBudget - arena->held)
            return nullptr;
        void *p = std::realloc(old, size ? size : 1);
        if (!p)
            return nullptr;
        arena->held = arena->held - it->second + size;
        arena->blocks.erase(it);
        arena->blocks.emplace(p, size);
        return p;
    }

    static void Free(void *context, void *p)
    {
        if (!p)
            return;
        auto *arena = static_cast<Arena *>(context);
        const auto it = arena->blocks.find(p);
        if (it == arena->blocks.end())
            return;
        arena->held -= it->second;
        arena->blocks.erase(it);
        std::free(p);
    }
};

void FreeGdImage(gdImagePtr image)
{
    if (!image)
        return;
    if (image->_tpixels) {
        std::free(image->_tpixels);
    } else if (image->tpixels) {
        for (int y = 0; y < image->sy; ++y)
            std::free(image->tpixels[y]);
    }
    std::free(image->tpixels);
    if (image->pixels) {
        for (int y = 0; y < image->sy; ++y)
            std::free(image->pixels[y]);
        std::free(image->pixels);
    }
    std::free(image->polyInts);
    std::free(image->style);
    if (image->clip) {
        std::free(image->clip->list);
        std::free(image->clip);
    }
    std::free(image);
}

// One player over one file; destroys everything it made, whatever way the decoding ends.
class WmfPlayer {
public:
    explicit WmfPlayer(const QByteArray &bytes) : m_bytes(bytes) {}
    ~WmfPlayer()
    {
        if (m_api) {
            wmf_gd_t *device = WMF_GD_GetData(m_api);
            gdImagePtr image = device ? static_cast<gdImagePtr>(device->gd_image) : nullptr;
            if (m_open)
                wmf_mem_close(m_api);
            wmf_api_destroy(m_api);
            FreeGdImage(image);
        }
    }
    WmfPlayer(const WmfPlayer &) = delete;
    WmfPlayer &operator=(const WmfPlayer &) = delete;

    QImage Play()
    {
        wmfAPI_Options options{};
        options.context = &m_arena;
        options.malloc = &Arena::Malloc;
        options.realloc = &Arena::Realloc;
        options.free = &Arena::Free;
        options.function = wmf_gd_function;
        const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL |
                                    WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&m_api, flags, &options) != wmf_E_None)
            throw InvalidMetafile();
        if (wmf_mem_open(m_api, reinterpret_cast<unsigned char *>(m_bytes.data()), long(m_bytes.size())) !=
            wmf_E_None)
            throw InvalidMetafile();
        m_open = true;

        wmfD_Rect box{};
        if (wmf_scan(m_api, 0, &box) != wmf_E_None)
            throw InvalidMetafile();
        unsigned int width = 0, height = 0;
        if (wmf_display_size(m_api, &width, &height, 96, 96) != wmf_E_None)
            throw InvalidMetafile();
        const QSize size = BoundedPictureSize(width, height);
        wmf_gd_t *device = WMF_GD_GetData(m_api);
        device->type = wmf_gd_image;
        device->bbox = box;
        device->width = unsigned(size.width());
        device->height = unsigned(size.height());
        if (wmf_play(m_api, 0, &box) != wmf_E_None || !device->gd_image)
            throw InvalidMetafile();
        const int *pixels = wmf_gd_image_pixels(device->gd_image);
        const auto *image = static_cast<const gdImage *>(device->gd_image);
        if (!pixels || image->sx != size.width() || image->sy != size.height())
            throw InvalidMetafile();
        return ToImage(pixels, size);
    }

private:
    // gd pixels are 0xAARRGGBB with a 7-bit alpha where 0 is opaque and 127 transparent.
    static QImage ToImage(const int *pixels, QSize size)
    {
        QImage out(size, QImage::Format_ARGB32);
        if (out.isNull())
            throw InvalidMetafile();
        for (int y = 0; y < size.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
            const int *row = pixels + qsizetype(y) * size.width();
            for (int x = 0; x < size.width(); ++x) {
                const quint32 p = quint32(row[x]);
                const int alpha = 255 - int((p >> 24) & 0x7F) * 255 / 127;
                line[x] = qRgba(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF), alpha);
            }
        }
        return out;
    }

    Arena m_arena; // declared first: destroyed after the player that allocates from it
    QByteArray m_bytes;
    wmfAPI *m_api = nullptr;
    bool m_open = false;
};
} // namespace

QImage DecodeWmfPicture(const QByteArray &bytes)
{
    CheckWmfStructure(bytes);
    WmfPlayer player(bytes);
    return player.Play();
}

} // namespace tf
