#include "export/EmfPaintDevice.h"

#include "export/EmfFormat.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tf {

using namespace emf;

namespace {

int px(double v)
{
    return int(std::lround(std::clamp(v, -1.0e7, 1.0e7)));
}

QPoint toPoint(const QPointF &p)
{
    return QPoint(px(p.x()), px(p.y()));
}

// Liang-Barsky: the part of segment a-b inside the closed rectangle, if any.
bool clipSegment(QPointF &a, QPointF &b, const QRectF &r)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF start = a;
    a = start + QPointF(dx, dy) * t0;
    b = start + QPointF(dx, dy) * t1;
    return true;
}

// Sutherland-Hodgman against an axis-aligned rectangle.
QPolygonF clipPolygon(const QPolygonF &in, const QRectF &r)
{
    QPolygonF poly = in;
    for (int edge = 0; edge < 4 && !poly.isEmpty(); ++edge) {
        auto inside = [&](const QPointF &p) {
            switch (edge) {
            case 0: return p.x() >= r.left();
            case 1: return p.x() <= r.right();
            case 2: return p.y() >= r.top();
            default: return p.y() <= r.bottom();
            }
        };
        auto cross = [&](const QPointF &a, const QPointF &b) {
            double t;
            switch (edge) {
            case 0: t = (r.left() - a.x()) / (b.x() - a.x()); break;
            case 1: t = (r.right() - a.x()) / (b.x() - a.x()); break;
            case 2: t = (r.top() - a.y()) / (b.y() - a.y()); break;
            default: t = (r.bottom() - a.y()) / (b.y() - a.y()); break;
            }
            return a + (b - a) * t;
        };
        QPolygonF out;
        for (int i = 0; i < poly.size(); ++i) {
            const QPointF &cur = poly[i];
            const QPointF &prev = poly[(i + poly.size() - 1) % poly.size()];
            if (inside(cur)) {
                if (!inside(prev))
                    out << cross(prev, cur);
                out << cur;
            } else if (inside(prev)) {
                out << cross(prev, cur);
            }
        }
        poly = out;
    }
    return poly;
}

// Whole-pixel points without repeats; an area's outline also loses its closing point.
QPolygon rounded(const QPolygonF &poly, bool area)
{
    QPolygon out;
    out.reserve(poly.size());
    for (const QPointF &p : poly) {
        const QPoint q = toPoint(p);
        if (out.isEmpty() || out.back() != q)
            out << q;
    }
    if (area && out.size() > 1 && out.front() == out.back())
        out.pop_back();
    return out;
}

std::uint32_t penStyle(Qt::PenStyle s)
{
    switch (s) {
    case Qt::NoPen: return PS_NULL;
    case Qt::DashLine: return PS_DASH;
    case Qt::DotLine: return PS_DOT;
    case Qt::DashDotLine: return PS_DASHDOT;
    case Qt::DashDotDotLine: return PS_DASHDOTDOT;
    default: return PS_SOLID;
    }
}

// Fontconfig calls a monospaced face with Japanese glyphs "dual width" (its ideographs take two columns),
// which Qt does not count as fixed pitch; a face whose Latin letters, digits and space all advance alike is
// one all the same, and a reader without it must put a monospaced face in its place.
bool monospaced(const QFont &f, const QFontInfo &info)
{
    if (info.fixedPitch())
        return true;
    const QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(QLatin1Char('W'));
    for (const char c : {'i', 'l', '0', '.', ' '})
        if (fm.horizontalAdvance(QLatin1Char(c)) != w)
            return false;
    return w > 0;
}

struct PenKey {
    std::uint32_t style;
    int width;
    QRgb color;
    bool operator==(const PenKey &) const = default;
};

struct BrushKey {
    QRgb color;
    bool operator==(const BrushKey &) const = default;
};

} // namespace

class EmfPaintEngine : public QPaintEngine {
public:
    EmfPaintEngine(QSize size, const EmfReference &reference)
        : QPaintEngine(AllFeatures), m_size(size), m_reference(reference)
    {
    }

    QByteArray result;

    bool begin(QPaintDevice *) override
    {
        m_writer.emplace(m_size, m_reference);
        m_writer->setBkMode(TRANSPARENT);
        m_writer->setTextAlign(TA_BASELINE);
        // The device context starts with a black pen and a white brush; start from none instead.
        m_writer->selectObject(NULL_PEN);
        m_writer->selectObject(NULL_BRUSH);
        m_matrix = QTransform();
        m_pen = QPen();
        m_brush = QBrush();
        m_opacity = 1.0;
        m_clip.reset();
        m_clipEnabled = false;
        m_penKey.reset();
        m_brushKey.reset();
        m_fontKey.reset();
        m_penHandle = m_brushHandle = m_fontHandle = 0;
        m_textColor.reset();
        m_fillMode = 0;
        m_backdrop.clear();
        m_run.reset();
        m_decorations = 0;
        result.clear();
        return true;
    }

    bool end() override
    {
        flushText();
        // Leave nothing of ours selected, then free every object.
        if (m_penHandle)
            m_writer->selectObject(NULL_PEN), m_writer->deleteObject(m_penHandle);
        if (m_brushHandle)
            m_writer->selectObject(NULL_BRUSH), m_writer->deleteObject(m_brushHandle);
        if (m_fontHandle)
            m_writer->selectObject(kStockObject | 13), m_writer->deleteObject(m_fontHandle); // SYSTEM_FONT
        result = m_writer->finish();
        m_writer.reset();
        return true;
    }

    Type type() const override { return Type(User + 17); }

    void updateState(const QPaintEngineState &state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyTransform)
            m_matrix = state.transform();
        if (flags & DirtyPen)
            m_pen = state.pen();
        if (flags & DirtyBrush)
            m_brush = state.brush();
        if (flags & DirtyOpacity)
            m_opacity = state.opacity();
        if (flags & DirtyClipEnabled)
            m_clipEnabled = state.isClipEnabled();
        if (flags & DirtyClipRegion)
            applyClip(QRectF(state.clipRegion().boundingRect()), state.clipOperation());
        if (flags & DirtyClipPath)
            applyClip(state.clipPath().boundingRect(), state.clipOperation());
    }

    void drawRects(const QRect *rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }

    void drawRects(const QRectF *rects, int count) override
    {
        flushText();
        for (int i = 0; i < count; ++i) {
            const QRectF &r = rects[i];
            const QPolygonF corners = m_matrix.map(QPolygonF(r));
            if (m_brush.style() != Qt::NoBrush)
                fillPolygon(corners, WINDING);
            if (m_pen.style() != Qt::NoPen)
                strokePolyline(corners, true);
        }
    }

    void drawLines(const QLine *lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QLineF l(lines[i]);
            drawLines(&l, 1);
        }
    }

    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QLineF &l = lines[i];
            if (swallowDecoration(l))
                continue;
            flushText();
            if (m_pen.style() == Qt::NoPen)
                continue;
            strokePolyline(QPolygonF{m_matrix.map(l.p1()), m_matrix.map(l.p2())}, false);
        }
    }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        flushText();
        QPolygonF poly;
        poly.reserve(count);
        for (int i = 0; i < count; ++i)
            poly << m_matrix.map(points[i]);
        if (mode == PolylineMode) {
            if (m_pen.style() != Qt::NoPen)
                strokePolyline(poly, false);
            return;
        }
        if (m_brush.style() != Qt::NoBrush)
            fillPolygon(poly, mode == OddEvenMode ? ALTERNATE : WINDING);
        if (m_pen.style() != Qt::NoPen)
            strokePolyline(poly, true);
    }

    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        QVector<QPointF> f(count);
        for (int i = 0; i < count; ++i)
            f[i] = points[i];
        drawPolygon(f.constData(), count, mode);
    }

    void drawPath(const QPainterPath &path) override
    {
        flushText();
        const QPainterPath device = m_matrix.map(path);
        if (m_brush.style() != Qt::NoBrush) {
            const std::uint32_t mode = path.fillRule() == Qt::OddEvenFill ? ALTERNATE : WINDING;
            QVector<QPolygon> polys;
            for (const QPolygonF &p : device.toFillPolygons())
                polys << rounded(clipPolygon(p, clipArea()), true);
            QRectF area = device.boundingRect() & clipArea();
            if (selectFill(m_brush.color(), area)) {
                setFillMode(mode);
                m_writer->polyPolygon(polys);
            }
        }
        if (m_pen.style() != Qt::NoPen) {
            for (const QPolygonF &p : device.toSubpathPolygons())
                strokePolyline(p, p.size() > 2 && p.isClosed());
        }
    }

    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override
    {
        drawImage(r, pm.toImage(), sr, Qt::AutoColor);
    }

    void drawImage(const QRectF &r, const QImage &image, const QRectF &sr, Qt::ImageConversionFlags) override
    {
        flushText();
        if (image.isNull() || r.isEmpty() || sr.isEmpty())
            return;
        const QRectF dest = m_matrix.mapRect(r);
        const QRectF shown = dest & clipArea();
        if (shown.isEmpty())
            return;
        // The source part that stays visible, in proportion to the clipped destination.
        const double sx = sr.width() / dest.width(), sy = sr.height() / dest.height();
        const QRectF src(sr.left() + (shown.left() - dest.left()) * sx, sr.top() + (shown.top() - dest.top()) * sy,
                         shown.width() * sx, shown.height() * sy);
        const QRect srcPixels = src.toAlignedRect() & image.rect();
        const QRect destPixels(toPoint(shown.topLeft()), toPoint(shown.bottomRight()) - QPoint(1, 1));
        if (srcPixels.isEmpty() || destPixels.isEmpty())
            return;
        QImage part = image.copy(srcPixels).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        // More pixels than the destination shows would only make the file larger.
        if (part.width() > destPixels.width() || part.height() > destPixels.height())
            part = part.scaled(std::min(part.width(), destPixels.width()), std::min(part.height(), destPixels.height()),
                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (part.hasAlphaChannel() || m_opacity < 1.0) {
            QImage flat(part.size(), QImage::Format_RGB32);
            flat.fill(backdrop(shown));
            QPainter p(&flat);
            p.setOpacity(m_opacity);
            p.drawImage(0, 0, part);
            p.end();
            part = flat;
        }
        m_writer->stretchDIBits(destPixels, part);
    }

    void drawTextItem(const QPointF &p, const QTextItem &ti) override
    {
        const QString text = ti.text();
        if (text.isEmpty())
            return;
        const QFont f = ti.font();
        const QFontInfo info(f);
        const double along = QLineF(m_matrix.map(QPointF(0, 0)), m_matrix.map(QPointF(1, 0))).length();
        const double across = QLineF(m_matrix.map(QPointF(0, 0)), m_matrix.map(QPointF(0, 1))).length();
        const double size = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * 96.0 / 72.0;
        int escapement = int(std::lround(-std::atan2(m_matrix.m12(), m_matrix.m11()) * 1800.0 / M_PI));
        escapement = ((escapement % 3600) + 3600) % 3600;

        EmfFont font;
        font.height = -std::max(1, px(size * across));
        font.escapement = escapement;
        font.weight = f.weight();
        font.italic = f.italic();
        font.underline = f.underline();
        font.strikeOut = f.strikeOut();
        font.fixedPitch = monospaced(f, info);
        font.face = info.family();

        // Each UTF-16 unit's start along the baseline, from the font's advances scaled to the item's width.
        const QFontMetricsF fm(f);
        const int n = int(text.size());
        QVector<double> starts(n + 1, 0.0);
        for (int i = 1; i <= n; ++i) {
            const bool insidePair = i < n && text[i].isLowSurrogate();
            starts[i] = insidePair ? starts[i - 1] : fm.horizontalAdvance(text, i);
        }
        const double width = ti.width() > 0 ? ti.width() : starts[n];
        const double k = starts[n] > 0 ? width / starts[n] * along : along;
        for (double &s : starts)
            s *= k;

        const QPointF origin = m_matrix.map(p);
        const QRectF box = m_matrix.mapRect(QRectF(p.x(), p.y() - ti.ascent(), width, ti.ascent() + ti.descent()));
        const QRgb color = flatten(m_pen.color(), box);
        const std::optional<QRectF> clip = m_clipEnabled && m_clip ? std::optional<QRectF>(clipArea()) : std::nullopt;
        if (m_run && m_run->font == font && m_run->color == color && m_run->clip == clip && escapement == 0 &&
            std::fabs(m_run->origin.y() - origin.y()) < 0.01 &&
            std::fabs(m_run->origin.x() + m_run->starts.back() - origin.x()) < 0.5) {
            const double shift = m_run->starts.back();
            m_run->text += text;
            for (int i = 1; i <= n; ++i)
                m_run->starts.push_back(shift + starts[i]);
            m_run->box = m_run->box.united(box);
        } else {
            flushText();
            m_run = TextRun{font, color, origin, text, starts, box, clip};
        }
        // The painter draws underline and strike-out lines itself after the text; the font carries them.
        m_decorations = (font.underline ? 1 : 0) + (font.strikeOut ? 1 : 0);
        m_decorationSpan = QRectF(p.x() - 1, p.y() - ti.ascent() - 1, width + 2, ti.ascent() + ti.descent() + 2);
    }

private:
    struct TextRun {
        EmfFont font;
        QRgb color;
        QPointF origin;
        QString text;
        QVector<double> starts; // per unit, relative to the origin along the baseline, plus the end
        QRectF box;
        std::optional<QRectF> clip; // the painter's clip, in device pixels
    };

    QRectF deviceArea() const { return QRectF(0, 0, m_size.width(), m_size.height()); }

    // Where drawing may land, in device pixels: the image area and the painter's clip.
    QRectF clipArea() const
    {
        if (m_clipEnabled && m_clip)
            return *m_clip & deviceArea();
        return deviceArea();
    }

    void applyClip(const QRectF &logical, Qt::ClipOperation op)
    {
        const QRectF device = m_matrix.mapRect(logical);
        switch (op) {
        case Qt::NoClip:
            m_clip.reset();
            m_clipEnabled = false;
            break;
        case Qt::ReplaceClip:
            m_clip = device;
            m_clipEnabled = true;
            break;
        case Qt::IntersectClip:
            m_clip = m_clip ? (*m_clip & device) : device;
            m_clipEnabled = true;
            break;
        }
    }

    // The colour last filled opaquely under the whole area, white when none is known.
    QRgb backdrop(const QRectF &area) const
    {
        const QRectF a = area & deviceArea();
        for (auto it = m_backdrop.rbegin(); it != m_backdrop.rend(); ++it) {
            if (it->first.contains(a))
                return it->second;
        }
        return qRgb(255, 255, 255);
    }

    // A metafile colour has no alpha: a translucent colour is mixed with what lies under it.
    QRgb flatten(QColor c, const QRectF &area) const
    {
        const double alpha = c.alphaF() * m_opacity;
        if (alpha >= 1.0)
            return c.rgb();
        const QRgb under = backdrop(area);
        auto mix = [alpha](int top, int bottom) { return int(std::lround(top * alpha + bottom * (1 - alpha))); };
        return qRgb(mix(c.red(), qRed(under)), mix(c.green(), qGreen(under)), mix(c.blue(), qBlue(under)));
    }

    void selectPen(std::optional<PenKey> key)
    {
        if (key == m_penKey)
            return;
        const std::uint32_t old = m_penHandle;
        if (key) {
            m_penHandle = m_writer->createPen(key->style, key->width, key->color);
            m_writer->selectObject(m_penHandle);
        } else {
            m_penHandle = 0;
            m_writer->selectObject(NULL_PEN);
        }
        if (old)
            m_writer->deleteObject(old);
        m_penKey = key;
    }

    void selectBrush(std::optional<BrushKey> key)
    {
        if (key == m_brushKey)
            return;
        const std::uint32_t old = m_brushHandle;
        if (key) {
            m_brushHandle = m_writer->createBrush(BS_SOLID, key->color);
            m_writer->selectObject(m_brushHandle);
        } else {
            m_brushHandle = 0;
            m_writer->selectObject(NULL_BRUSH);
        }
        if (old)
            m_writer->deleteObject(old);
        m_brushKey = key;
    }

    void setFillMode(std::uint32_t mode)
    {
        if (mode != m_fillMode) {
            m_writer->setPolyFillMode(mode);
            m_fillMode = mode;
        }
    }

    bool cosmetic() const
    {
        return m_pen.isCosmetic() || m_pen.widthF() * std::sqrt(std::fabs(m_matrix.determinant())) <= 1.0;
    }

    // Selects the pen for a stroke over `area`; false when it draws nothing.
    bool selectStroke(const QRectF &area)
    {
        if (m_pen.style() == Qt::NoPen || m_pen.color().alpha() == 0)
            return false;
        const int width = cosmetic() ? 1 : std::max(1, px(m_pen.widthF() * std::sqrt(std::fabs(m_matrix.determinant()))));
        selectPen(PenKey{penStyle(m_pen.style()), width, flatten(m_pen.color(), area)});
        return true;
    }

    // Selects a null pen and the brush for a fill over `area`; false when it fills nothing.
    bool selectFill(const QColor &color, const QRectF &area)
    {
        if (area.isEmpty() || color.alpha() == 0 || m_opacity <= 0)
            return false;
        selectPen(std::nullopt);
        selectBrush(BrushKey{flatten(color, area)});
        return true;
    }

    void fillPolygon(const QPolygonF &devicePoly, std::uint32_t mode)
    {
        const QPolygon poly = rounded(clipPolygon(devicePoly, clipArea()), true);
        if (poly.size() < 3)
            return;
        const QRect corners = poly.boundingRect();
        const QRectF area(QPointF(corners.topLeft()), QPointF(corners.bottomRight()));
        if (!selectFill(m_brush.color(), area))
            return;
        setFillMode(mode);
        m_writer->polygon(poly);
        // Remember opaque rectangles: a later translucent colour above them is mixed with theirs.
        const bool rectangle = poly.size() == 4 && std::all_of(poly.begin(), poly.end(), [&](const QPoint &p) {
            return (p.x() == corners.left() || p.x() == corners.right()) &&
                   (p.y() == corners.top() || p.y() == corners.bottom());
        });
        if (rectangle && m_brush.color().alpha() == 255 && m_opacity >= 1.0) {
            if (m_backdrop.size() > 256)
                m_backdrop.erase(m_backdrop.begin());
            m_backdrop.push_back({area, m_brush.color().rgb()});
        }
    }

    // A stroke through device points. A thin pen draws on the pixels the points name, including the last
    // (as the screen does); the metafile's line leaves its end pixel out, so each run ends one pixel further.
    void strokePolyline(const QPolygonF &points, bool closed)
    {
        if (points.size() < 2)
            return;
        QPolygonF path = points;
        if (closed && path.front() != path.back())
            path << path.front();
        const bool thin = cosmetic();
        QRectF limit = clipArea();
        if (thin)
            limit.adjust(0, 0, -1, -1); // pixel positions inside the clip
        const QRectF bounds = path.boundingRect();
        if (!selectStroke(bounds & limit))
            return;
        if (limit.contains(bounds)) {
            QPolygon out = rounded(path, false);
            if (out.size() == 1 || (thin && !closed))
                extendEnd(out);
            m_writer->polyline(out);
            return;
        }
        for (int i = 0; i + 1 < path.size(); ++i) {
            QPointF a = path[i], b = path[i + 1];
            if (!clipSegment(a, b, limit))
                continue;
            QPolygon out = rounded(QPolygonF{a, b}, false);
            if (thin)
                extendEnd(out);
            m_writer->polyline(out);
        }
    }

    static void extendEnd(QPolygon &out)
    {
        const QPoint last = out.back();
        const QPoint before = out.size() > 1 ? out[out.size() - 2] : last - QPoint(1, 0);
        const QPoint d = last - before;
        QPoint step(0, 0);
        if (std::abs(d.x()) >= std::abs(d.y()))
            step.setX(d.x() >= 0 ? 1 : -1);
        else
            step.setY(d.y() >= 0 ? 1 : -1);
        if (out.size() == 1)
            out << last + step;
        else
            out.back() = last + step;
    }

    bool swallowDecoration(const QLineF &l)
    {
        if (m_decorations <= 0)
            return false;
        const bool horizontal = std::fabs(l.dy()) < 0.01;
        if (horizontal && m_decorationSpan.contains(l.p1()) && m_decorationSpan.contains(l.p2())) {
            --m_decorations;
            return true;
        }
        m_decorations = 0;
        return false;
    }

    void flushText()
    {
        m_decorations = 0;
        if (!m_run)
            return;
        TextRun run = std::move(*m_run);
        m_run.reset();
        if (!(m_fontKey && *m_fontKey == run.font)) {
            const std::uint32_t old = m_fontHandle;
            m_fontHandle = m_writer->createFont(run.font);
            m_writer->selectObject(m_fontHandle);
            if (old)
                m_writer->deleteObject(old);
            m_fontKey = run.font;
        }
        if (m_textColor != run.color) {
            m_writer->setTextColor(run.color);
            m_textColor = run.color;
        }
        QVector<int> dx(run.text.size());
        for (int i = 0; i < dx.size(); ++i)
            dx[i] = px(run.starts[i + 1]) - px(run.starts[i]);
        const QRect box(toPoint(run.box.topLeft()), toPoint(run.box.bottomRight()) - QPoint(1, 1));
        // A text that reaches past the painter's clip is cut by the reader, as the screen cuts it. The font
        // and colour are chosen before the state is kept, so that bringing it back leaves them selected.
        const bool cut = run.clip && !run.clip->contains(run.box);
        if (cut) {
            m_writer->saveDC();
            m_writer->intersectClipRect(QRect(toPoint(run.clip->topLeft()), toPoint(run.clip->bottomRight()) - QPoint(1, 1)));
        }
        m_writer->textOut(toPoint(run.origin), run.text, dx, box);
        if (cut)
            m_writer->restoreDC();
    }

    QSize m_size;
    EmfReference m_reference;
    std::optional<EmfWriter> m_writer;
    QTransform m_matrix;
    QPen m_pen;
    QBrush m_brush;
    double m_opacity = 1.0;
    std::optional<QRectF> m_clip;
    bool m_clipEnabled = false;
    std::optional<PenKey> m_penKey;
    std::optional<BrushKey> m_brushKey;
    std::optional<EmfFont> m_fontKey;
    std::uint32_t m_penHandle = 0, m_brushHandle = 0, m_fontHandle = 0;
    std::optional<QRgb> m_textColor;
    std::uint32_t m_fillMode = 0;
    std::vector<std::pair<QRectF, QRgb>> m_backdrop;
    std::optional<TextRun> m_run;
    int m_decorations = 0;
    QRectF m_decorationSpan;
};

EmfPaintDevice::EmfPaintDevice(QSize size, const EmfReference &reference)
    : m_size(size.expandedTo(QSize(1, 1))), m_engine(std::make_unique<EmfPaintEngine>(m_size, reference))
{
}

EmfPaintDevice::~EmfPaintDevice() = default;

QPaintEngine *EmfPaintDevice::paintEngine() const
{
    return m_engine.get();
}

QByteArray EmfPaintDevice::data() const
{
    return m_engine->result;
}

int EmfPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return m_size.width();
    case PdmHeight: return m_size.height();
    case PdmWidthMM: return int(std::lround(m_size.width() * 25.4 / 96.0));
    case PdmHeightMM: return int(std::lround(m_size.height() * 25.4 / 96.0));
    case PdmNumColors: return 0x7fffffff;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return 96;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    }
    return 0;
}

} // namespace tf
