#include "picture/PictureDecoders.h"

#include "engine/Error.h"

#include <QtEndian>

#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/gd.h>
#include <libwmf/ipa.h>
// The pixel image the gd device leaves behind: libwmf hands it over and never frees it.
#include <libwmf/gd/gd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
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
    return Error(QStringLiteral("メタファイルの内容が正しくありません"));
}

Error TooMuchDrawing()
{
    return Error(QStringLiteral("メタファイルの描画が画像の大きさに比べて多すぎるため読み込めません"));
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

// The gd device draws each call pixel by pixel, a thick pen as a brush image stamped at every pixel of
// the line. Every drawing call is costed in pixel writes before it reaches the device, and playing stops
// once the file has asked for more than the picture's own pixels could ever need; pens wider than the
// picture are narrowed to its size, which paints the same.
class DrawingBudget {
public:
    DrawingBudget(wmfAPI *api, const wmf_gd_t &device, PictureWork &work) : m_work(work)
    {
        m_width = double(device.width);
        m_height = double(device.height);
        m_scaleX = m_width / (double(device.bbox.BR.x) - double(device.bbox.TL.x));
        m_scaleY = m_height / (double(device.bbox.BR.y) - double(device.bbox.TL.y));
        m_work.budget = MetafileWorkBudget(QSize(int(device.width), int(device.height)));
        auto *functions = static_cast<wmfFunctionReference *>(api->function_reference);
        m_device = *functions;
        functions->flood_interior = &Call<wmfFlood_t, &DrawingBudget::Flood, &wmfFunctionReference::flood_interior>;
        functions->flood_exterior = &Call<wmfFlood_t, &DrawingBudget::Flood, &wmfFunctionReference::flood_exterior>;
        functions->draw_pixel = &Call<wmfDrawPixel_t, &DrawingBudget::Pixel, &wmfFunctionReference::draw_pixel>;
        functions->draw_pie = &Call<wmfDrawArc_t, &DrawingBudget::Arc, &wmfFunctionReference::draw_pie>;
        functions->draw_chord = &Call<wmfDrawArc_t, &DrawingBudget::Arc, &wmfFunctionReference::draw_chord>;
        functions->draw_arc = &Call<wmfDrawArc_t, &DrawingBudget::Arc, &wmfFunctionReference::draw_arc>;
        functions->draw_ellipse = &Call<wmfDrawArc_t, &DrawingBudget::Arc, &wmfFunctionReference::draw_ellipse>;
        functions->draw_line = &Call<wmfDrawLine_t, &DrawingBudget::Line, &wmfFunctionReference::draw_line>;
        functions->poly_line = &Call<wmfPolyLine_t, &DrawingBudget::PolyLine, &wmfFunctionReference::poly_line>;
        functions->draw_polygon = &Call<wmfPolyLine_t, &DrawingBudget::Polygon, &wmfFunctionReference::draw_polygon>;
        functions->draw_polypolygon =
            &Call<wmfPolyPoly_t, &DrawingBudget::PolyPolygon, &wmfFunctionReference::draw_polypolygon>;
        functions->draw_rectangle =
            &Call<wmfDrawRectangle_t, &DrawingBudget::Rectangle, &wmfFunctionReference::draw_rectangle>;
        functions->rop_draw = &Call<wmfROP_Draw_t, &DrawingBudget::Rop, &wmfFunctionReference::rop_draw>;
        functions->bmp_draw = &Call<wmfBMP_Draw_t, &DrawingBudget::Bitmap, &wmfFunctionReference::bmp_draw>;
        functions->draw_text = &Call<wmfDrawText_t, &DrawingBudget::Text, &wmfFunctionReference::draw_text>;
        functions->region_frame =
            &Call<wmfPolyRectangle_t, &DrawingBudget::Regions, &wmfFunctionReference::region_frame>;
        functions->region_paint =
            &Call<wmfPolyRectangle_t, &DrawingBudget::Regions, &wmfFunctionReference::region_paint>;
        api->user_data = this;
    }
    DrawingBudget(const DrawingBudget &) = delete;
    DrawingBudget &operator=(const DrawingBudget &) = delete;

    bool Exceeded() const { return m_exceeded; }

private:
    // Costs the call; passes it on to the device only while the total stays within the budget, and
    // otherwise ends the playing (the player stops at the error).
    template <class T, double (DrawingBudget::*Cost)(T *), void (*wmfFunctionReference::*Device)(wmfAPI *, T *)>
    static void Call(wmfAPI *api, T *arguments)
    {
        auto *self = static_cast<DrawingBudget *>(api->user_data);
        if (self->m_exceeded)
            return;
        const double cost = (self->*Cost)(arguments);
        if (!(cost <= double(self->m_work.budget - self->m_work.units))) {
            self->m_exceeded = true;
            api->err = wmf_E_UserExit;
            return;
        }
        self->m_work.units += qint64(cost);
        (self->m_device.*Device)(api, arguments);
    }

    double Dx(const wmfD_Coord &a, const wmfD_Coord &b) const { return std::abs(double(b.x) - double(a.x)) * m_scaleX; }
    double Dy(const wmfD_Coord &a, const wmfD_Coord &b) const { return std::abs(double(b.y) - double(a.y)) * m_scaleY; }
    // Pixels a line through both points visits.
    double Steps(const wmfD_Coord &a, const wmfD_Coord &b) const { return std::max(Dx(a, b), Dy(a, b)) + 1; }
    double Area(const wmfD_Coord &a, const wmfD_Coord &b) const { return (Dx(a, b) + 1) * (Dy(a, b) + 1); }

    // Pixels written per pixel of a line in the DC's pen (0 when it draws no lines), after narrowing a
    // pen wider or taller than the picture: the pen image is made at that size and stamped along.
    double PenArea(wmfDC *dc) const
    {
        wmfPen *pen = dc ? dc->pen : nullptr;
        if (!pen || (pen->lopnStyle & PS_STYLE_MASK) == PS_NULL)
            return 0;
        const double side = std::max(m_width, m_height);
        if (!(std::abs(pen->width) * m_scaleX <= side))
            pen->width = side / m_scaleX;
        if (!(std::abs(pen->height) * m_scaleY <= side))
            pen->height = side / m_scaleY;
        return std::max(1.0, std::ceil(std::abs(pen->width) * m_scaleX)) *
               std::max(1.0, std::ceil(std::abs(pen->height) * m_scaleY));
    }
    static bool Fills(wmfDC *dc) { return dc && dc->brush && dc->brush->lbStyle != BS_NULL; }

    double Outline(wmfDC *dc, const wmfD_Coord &a, const wmfD_Coord &b) const
    {
        return 2 * (Dx(a, b) + Dy(a, b) + 2) * PenArea(dc);
    }
    double Points(wmfDC *dc, const wmfD_Coord *pt, qint64 count, bool closed, bool fill) const
    {
        if (count <= 0 || !pt)
            return 0;
        double cost = double(count);
        const double pen = PenArea(dc);
        double left = pt[0].x, right = pt[0].x, top = pt[0].y, bottom = pt[0].y;
        for (qint64 i = 1; i < count; ++i) {
            cost += Steps(pt[i - 1], pt[i]) * pen;
            left = std::min(left, double(pt[i].x));
            right = std::max(right, double(pt[i].x));
            top = std::min(top, double(pt[i].y));
            bottom = std::max(bottom, double(pt[i].y));
        }
        if (closed)
            cost += Steps(pt[count - 1], pt[0]) * pen;
        if (fill) { // scan line by scan line, each crossing every edge
            const double rows = (bottom - top) * m_scaleY + 1;
            cost += rows * (double(count) + (right - left) * m_scaleX + 1);
        }
        return cost;
    }

    double Flood(wmfFlood_t *) { return m_width * m_height; }
    double Pixel(wmfDrawPixel_t *) { return 1; }
    double Arc(wmfDrawArc_t *a) { return (Fills(a->dc) ? Area(a->TL, a->BR) : 0) + Outline(a->dc, a->TL, a->BR); }
    double Line(wmfDrawLine_t *l) { return Steps(l->from, l->to) * PenArea(l->dc); }
    double PolyLine(wmfPolyLine_t *p) { return Points(p->dc, p->pt, p->count, false, false); }
    double Polygon(wmfPolyLine_t *p) { return Points(p->dc, p->pt, p->count, true, Fills(p->dc)); }
    double PolyPolygon(wmfPolyPoly_t *p)
    {
        double cost = 0;
        for (qint64 i = 0; p->pt && p->count && i < p->npoly; ++i)
            cost += Points(p->dc, p->pt[i], p->count[i], true, Fills(p->dc));
        return cost;
    }
    double Rectangle(wmfDrawRectangle_t *r)
    {
        return (Fills(r->dc) ? Area(r->TL, r->BR) : 0) + Outline(r->dc, r->TL, r->BR);
    }
    double Rop(wmfROP_Draw_t *r) { return Area(r->TL, r->BR); }
    // The bitmap is resampled onto its target, pixel by pixel of the target.
    double Bitmap(wmfBMP_Draw_t *b)
    {
        const double w = double(b->crop.w) * std::abs(b->pixel_width) * m_scaleX + 1;
        const double h = double(b->crop.h) * std::abs(b->pixel_height) * m_scaleY + 1;
        return w * h + double(b->crop.w) * double(b->crop.h);
    }
    // Every character is a glyph of the font's height rendered and copied.
    double Text(wmfDrawText_t *t)
    {
        const double chars = t->str ? double(std::strlen(t->str)) + 1 : 1;
        const double height = std::abs(t->font_height) * m_scaleY + 1;
        const double ratio = std::max(1.0, std::abs(t->font_ratio));
        return chars * std::min(height * height * ratio, m_width * m_height + 1);
    }
    double Regions(wmfPolyRectangle_t *r)
    {
        double cost = double(r->count);
        for (unsigned i = 0; r->TL && r->BR && i < r->count; ++i)
            cost += Area(r->TL[i], r->BR[i]);
        return cost;
    }

    PictureWork &m_work;
    wmfFunctionReference m_device{};
    double m_width = 0, m_height = 0, m_scaleX = 0, m_scaleY = 0;
    bool m_exceeded = false;
};

// One player over one file; destroys everything it made, whatever way the decoding ends.
class WmfPlayer {
public:
    WmfPlayer(const QByteArray &bytes, PictureWork &work) : m_bytes(bytes), m_work(work) {}
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
        // A drawing of no extent has no scale from its units to pixels.
        if (!(double(box.BR.x) > double(box.TL.x)) || !(double(box.BR.y) > double(box.TL.y)))
            throw InvalidMetafile();
        DrawingBudget budget(m_api, *device, m_work); // changed by the calls it costs
        const wmf_error_t played = wmf_play(m_api, 0, &box);
        if (budget.Exceeded())
            throw TooMuchDrawing();
        if (played != wmf_E_None || !device->gd_image)
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
    PictureWork &m_work;
    wmfAPI *m_api = nullptr;
    bool m_open = false;
};
} // namespace

QImage DecodeWmfPicture(const QByteArray &bytes, PictureWork *work)
{
    CheckWmfStructure(bytes);
    PictureWork counted;
    WmfPlayer player(bytes, work ? *work : counted);
    return player.Play();
}

} // namespace tf
