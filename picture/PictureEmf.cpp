#include "picture/PictureDecoders.h"

#include "engine/Error.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QtEndian>

#include <emf2svg.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace tf {

namespace {
constexpr quint32 EmrHeader = 1;
constexpr quint32 EmrEof = 14;
constexpr quint32 EmfSignature = 0x464D4520; // " EMF"
constexpr qsizetype EmfHeaderMinimum = 88;

// Points, characters and records the converter writes out as SVG text and Qt SVG then parses and lays out
// one by one: about a million is more detail than a background of at most MaxPictureSide squared pixels
// shows, and the most that is read in about a second.
constexpr qint64 MaxMetafileElements = 1 << 20;
// A text record costs a font look-up and a layout of its own, besides its characters.
constexpr qint64 TextRecordElements = 256;
constexpr qint64 TextCharacterElements = 16;

Error InvalidMetafile()
{
    return Error(QStringLiteral("メタファイルの内容が正しくありません"));
}

Error TooMuchDrawing()
{
    return Error(QStringLiteral("メタファイルの描画が画像の大きさに比べて多すぎるため読み込めません"));
}

quint32 U32At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

// The elements one record holds: its points or characters, by the counts it states, which must fit in the
// record (the converter trusts them). 1 for a record of any other type.
qint64 RecordElements(const QByteArray &bytes, qsizetype offset, quint32 type, quint32 size)
{
    // Where the count stands, and the bytes per element after the fixed part.
    qsizetype countAt = 0, fixed = 0, each = 0, extraPerPolygon = 0;
    switch (type) {
    case 2: case 3: case 4: case 5: case 6: // POLYBEZIER, POLYGON, POLYLINE, POLYBEZIERTO, POLYLINETO
        countAt = 24, fixed = 28, each = 8;
        break;
    case 85: case 86: case 87: case 88: case 89: // the same with 16-bit points
        countAt = 24, fixed = 28, each = 4;
        break;
    case 7: case 8: // POLYPOLYLINE, POLYPOLYGON: nPolys at 24, then the point count, then a count per polygon
        countAt = 28, fixed = 32, each = 8, extraPerPolygon = 4;
        break;
    case 90: case 91:
        countAt = 28, fixed = 32, each = 4, extraPerPolygon = 4;
        break;
    case 56: // POLYDRAW: a point and a type byte each
        countAt = 24, fixed = 28, each = 9;
        break;
    case 92:
        countAt = 24, fixed = 28, each = 5;
        break;
    case 83: case 84: { // EXTTEXTOUTA, EXTTEXTOUTW: the character count of the one text
        if (size < 48)
            throw InvalidMetafile();
        const quint32 chars = U32At(bytes, offset + 44);
        if (chars > size)
            throw InvalidMetafile();
        return TextRecordElements + TextCharacterElements * qint64(chars);
    }
    default:
        return 1;
    }
    if (size < quint32(fixed))
        throw InvalidMetafile();
    const quint64 count = U32At(bytes, offset + countAt);
    const quint64 polygons = extraPerPolygon ? U32At(bytes, offset + 24) : 0;
    if (count * quint64(each) + polygons * quint64(extraPerPolygon) > quint64(size) - quint64(fixed))
        throw InvalidMetafile();
    return 1 + qint64(count) + qint64(polygons);
}

// The converter trusts record sizes; a file is handed over only when its header is an EMF header and its
// records, walked by their sizes, stay inside the file and end with the end-of-file record, and when all
// of them together hold no more than MaxMetafileElements.
void CheckEmfStructure(const QByteArray &bytes)
{
    if (bytes.size() < EmfHeaderMinimum || bytes.size() > MaxMetafileBytes)
        throw InvalidMetafile();
    if (U32At(bytes, 0) != EmrHeader || U32At(bytes, 40) != EmfSignature)
        throw InvalidMetafile();
    const quint32 headerSize = U32At(bytes, 4);
    if (headerSize < EmfHeaderMinimum)
        throw InvalidMetafile();
    qsizetype offset = 0;
    qint64 elements = 0;
    while (offset + 8 <= bytes.size()) {
        const quint32 type = U32At(bytes, offset);
        const quint32 size = U32At(bytes, offset + 4);
        if (size < 8 || size % 4 != 0 || size > quint64(bytes.size() - offset))
            throw InvalidMetafile();
        if (type == EmrEof)
            return;
        elements += RecordElements(bytes, offset, type, size);
        if (elements > MaxMetafileElements)
            throw TooMuchDrawing();
        offset += size;
    }
    throw InvalidMetafile();
}

// A paint device that draws nothing and costs every drawing call in pixel writes, the way the raster
// engine would make them: the covered area of each fill, the length times the pen's width of each outline
// (the pen no wider than the picture), the glyph area of each text, the target area of each image. The
// SVG is played into it first; the picture is drawn only when the total stays within the budget.
class WorkCountingEngine : public QPaintEngine {
public:
    explicit WorkCountingEngine(QSize size) : QPaintEngine(QPaintEngine::AllFeatures), m_size(size) {}

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    double Units() const { return m_units; }

    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyPen)
            m_pen = state.pen();
        if (state.state() & DirtyBrush)
            m_brush = state.brush();
        if (state.state() & DirtyTransform)
            m_transform = state.transform();
    }

    void drawPath(const QPainterPath &path) override
    {
        Shape(path.boundingRect(), PathLength(path), path.elementCount());
    }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (count <= 0)
            return;
        QPolygonF polygon(count);
        std::copy(points, points + count, polygon.begin());
        double length = 0;
        for (int i = 1; i < count; ++i)
            length += Distance(points[i - 1], points[i]);
        if (mode != PolylineMode)
            length += Distance(points[count - 1], points[0]);
        Shape(polygon.boundingRect(), length, count, mode != PolylineMode);
    }
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &) override
    {
        m_units += Area(r) + double(pm.width()) * pm.height();
    }
    void drawImage(const QRectF &r, const QImage &image, const QRectF &, Qt::ImageConversionFlags) override
    {
        m_units += Area(r) + double(image.width()) * image.height();
    }
    void drawTextItem(const QPointF &, const QTextItem &item) override
    {
        const double height = std::min(Scale() * item.font().pixelSize() + Scale() * item.font().pointSizeF() + 1,
                                       double(std::max(m_size.width(), m_size.height())));
        m_units += double(item.text().size() + 1) * (height * height + 1);
    }

private:
    double Scale() const { return std::sqrt(std::abs(m_transform.determinant())); }
    double Distance(const QPointF &a, const QPointF &b) const
    {
        const QPointF d = m_transform.map(b) - m_transform.map(a);
        return std::abs(d.x()) + std::abs(d.y());
    }
    double PathLength(const QPainterPath &path) const
    {
        double length = 0;
        for (int i = 1; i < path.elementCount(); ++i)
            length += Distance(path.elementAt(i - 1), path.elementAt(i));
        return length;
    }
    // The device pixels of a rectangle in drawing units, as far as they lie on the picture.
    double Area(const QRectF &r) const
    {
        const QRectF on = m_transform.mapRect(r).intersected(QRectF(QPointF(0, 0), QSizeF(m_size)));
        return on.isValid() ? (on.width() + 1) * (on.height() + 1) : 0;
    }
    void Shape(const QRectF &bounds, double length, int elements, bool filled = true)
    {
        double units = double(elements) + 1;
        if (filled && m_brush.style() != Qt::NoBrush)
            units += Area(bounds) + double(elements) * (m_transform.mapRect(bounds).height() + 1);
        if (m_pen.style() != Qt::NoPen) {
            const double side = double(std::max(m_size.width(), m_size.height()));
            const double width = std::min(m_pen.widthF() * (m_pen.isCosmetic() ? 1.0 : Scale()), side) + 1;
            units += (length + 1) * width * 2;
        }
        m_units += units;
    }

    QSize m_size;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
    double m_units = 0;
};

class WorkCountingDevice : public QPaintDevice {
public:
    explicit WorkCountingDevice(QSize size) : m_engine(size), m_size(size) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    double Units() const { return m_engine.Units(); }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    mutable WorkCountingEngine m_engine;
    QSize m_size;
};

struct FreeDeleter {
    void operator()(char *p) const { std::free(p); }
};
} // namespace

QByteArray ConvertEmfToSvg(const QByteArray &bytes)
{
    CheckEmfStructure(bytes);

    generatorOptions options{};
    options.nameSpace = const_cast<char *>("");
    options.verbose = false;
    // Files with EMF+ records carry plain EMF records for readers without EMF+; those are the ones drawn.
    options.emfplus = false;
    options.svgDelimiter = true;
    QByteArray input = bytes; // the converter takes a writable buffer
    char *out = nullptr;
    size_t outLength = 0;
    const int ok = emf2svg(input.data(), size_t(input.size()), &out, &outLength, &options);
    std::unique_ptr<char, FreeDeleter> converted(out);
    if (!ok || !out || outLength == 0)
        throw InvalidMetafile();
    QByteArray svg(out, qsizetype(outLength));
    // Every text is written with "white-space:pre", which Qt SVG ignores: it would fold the spaces that
    // set out columns (statistics lines, for one). The XML attribute says the same in a form it reads.
    const qsizetype root = svg.indexOf("<svg");
    const qsizetype rootEnd = root < 0 ? -1 : svg.indexOf('>', root);
    if (rootEnd > root && !svg.mid(root, rootEnd - root).contains("xml:space"))
        svg.insert(root + 4, " xml:space=\"preserve\"");
    return svg;
}

QImage DecodeEmfPicture(const QByteArray &bytes, PictureWork *work)
{
    PictureWork counted;
    PictureWork &report = work ? *work : counted;
    const QByteArray svg = ConvertEmfToSvg(bytes);
    report.converted = svg.size();
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        throw InvalidMetafile();
    const QSizeF natural = renderer.viewBoxF().size();
    const QSize size = BoundedPictureSize(natural.width(), natural.height());
    // Played first into a device that only counts; drawn only when the count stays within the budget.
    WorkCountingDevice counter(size);
    {
        QPainter painter(&counter);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    report.budget = MetafileWorkBudget(size);
    report.units = qint64(std::min(counter.Units(), 1e18));
    if (!(counter.Units() <= double(report.budget)))
        throw TooMuchDrawing();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw InvalidMetafile();
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace tf
