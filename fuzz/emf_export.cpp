// A chart built and styled from the input (as the drawing target does) exported as an Enhanced Metafile at a
// size from the input, then read back by the project's own record parser: the file must parse, its header
// give the picture's bounds and frame, every record decode, object handles stay inside the header's table,
// every polygon, line and clip lie inside the picture, every kept state is brought back, and the text records
// carry every text the chart draws, in the order it draws them.
#include "FuzzChart.h"
#include "FuzzEmf.h"

#include "chart/ChartRenderer.h"
#include "chart/ChartStyle.h"
#include "export/EmfPaintDevice.h"
#include "export/Export.h"

#include <QPaintEngine>
#include <QPainter>

#include <memory>

namespace {

// The metafile device (so the chart lays out on the same metrics) with an engine that keeps only the texts
// drawn on it, concatenated.
class TextRecorder : public tf::EmfPaintDevice {
public:
    explicit TextRecorder(QSize size)
        : tf::EmfPaintDevice(size, tf::EmfReference::at96Dpi()), m_engine(std::make_unique<Engine>(m_text))
    {
    }
    QPaintEngine *paintEngine() const override { return m_engine.get(); }
    const QString &text() const { return m_text; }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(QString &text) : QPaintEngine(AllFeatures), m_text(text) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override {}
        void drawPath(const QPainterPath &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawPolygon(const QPoint *, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF &, const QTextItem &ti) override { m_text += ti.text(); }
        Type type() const override { return User; }

    private:
        QString &m_text;
    };

    QString m_text;
    std::unique_ptr<Engine> m_engine;
};

QString DrawnText(const tf::TChart &chart, QSize size)
{
    TextRecorder recorder(size);
    QPainter painter(&recorder);
    tf::RenderChart(chart, painter, size);
    painter.end();
    return recorder.text();
}

void CheckHandle(std::uint32_t handle, const tf::EmfDocument &doc, bool stockAllowed)
{
    const bool stock = handle & tf::emf::kStockObject;
    FUZZ_CHECK((stock && stockAllowed) || (handle >= 1 && handle < doc.header.handles),
               QStringLiteral("object handle %1 of a table of %2").arg(handle).arg(doc.header.handles));
}

void CheckPoint(QPoint pt, const QRect &area, std::uint32_t type, QSize picture)
{
    FUZZ_CHECK(area.contains(pt), QStringLiteral("point (%1, %2) of a record of type %3 outside the %4 x %5 picture")
                                      .arg(pt.x()).arg(pt.y()).arg(type).arg(picture.width()).arg(picture.height()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::StartGuiApplication("fuzz_emf_export", true);
    tf::RegisterChartFontSubstitutions();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace tf::emf;
    fuzz::Input in(data, size);
    const QSize asked(in.inRange(0, 200), in.inRange(0, 200));
    const QSize picture = asked.expandedTo(QSize(1, 1)); // the export draws at least one pixel each way
    tf::TChart chart;
    fuzz::BuildStyledChart(in, chart);
    // Before the export, which stores the automatic ranges back into the chart.
    const QString drawn = DrawnText(chart, picture);
    const tf::EmfReference screen = tf::EmfReference::at96Dpi();
    const QByteArray emf = tf::ExportEmf(chart, asked, screen);

    tf::EmfDocument doc;
    try {
        doc = tf::ParseEmf(emf);
    } catch (const tf::Error &e) {
        fuzz::Fail("the exported metafile parses", e.message());
    }
    fuzz::CheckDocument(doc, size_t(emf.size()));
    const tf::EmfHeader &header = doc.header;
    const QSize frame = tf::EmfFrameSize(picture, screen);
    FUZZ_CHECK(header.bounds == QRect(QPoint(0, 0), picture) && header.frame == QRect(0, 0, frame.width() + 1, frame.height() + 1)
                   && header.version == kVersion && header.handles >= 1,
               QStringLiteral("header bounds %1,%2 %3 x %4 for a %5 x %6 picture")
                   .arg(header.bounds.x()).arg(header.bounds.y()).arg(header.bounds.width()).arg(header.bounds.height())
                   .arg(picture.width()).arg(picture.height()));

    // Points may touch the picture's far edges.
    const QRect area(0, 0, picture.width() + 1, picture.height() + 1);
    QString written;
    int kept = 0; // states kept by EMR_SAVEDC and not yet brought back
    for (const tf::EmfRecord &r : doc.records) {
        try {
            fuzz::DecodeRecord(r);
        } catch (const tf::Error &e) {
            fuzz::Fail("every exported record decodes", e.message());
        }
        switch (r.type) {
        case EMR_EXTTEXTOUTW:
            written += tf::ReadTextRecord(r).text;
            break;
        case EMR_EXTCREATEFONTINDIRECTW:
            FUZZ_CHECK(tf::ReadFontRecord(r).face.size() < kFaceNameChars, QStringLiteral("face name without its zero"));
            CheckHandle(r.u32(8), doc, false);
            break;
        case EMR_CREATEPEN: case EMR_CREATEBRUSHINDIRECT: case EMR_DELETEOBJECT:
            CheckHandle(r.u32(8), doc, false);
            break;
        case EMR_SELECTOBJECT:
            CheckHandle(r.u32(8), doc, true);
            break;
        case EMR_POLYGON: case EMR_POLYPOLYGON: case EMR_POLYGON16: case EMR_POLYPOLYGON16:
            for (const QPolygon &p : tf::ReadPolyRecord(r))
                for (const QPoint &pt : p)
                    CheckPoint(pt, area, r.type, picture);
            break;
        case EMR_POLYLINE: case EMR_POLYLINE16:
            // A line leaves out its end pixel, so a thin line that reaches the left or top edge ends one
            // pixel beyond it; every other point lies inside.
            for (const QPolygon &p : tf::ReadPolyRecord(r))
                for (qsizetype i = 0; i < p.size(); ++i)
                    CheckPoint(p[i], i + 1 < p.size() ? area : area.adjusted(-1, -1, 0, 0), r.type, picture);
            break;
        case EMR_SAVEDC:
            ++kept;
            break;
        case EMR_RESTOREDC:
            FUZZ_CHECK(kept > 0 && r.i32(8) == -1, QStringLiteral("a state brought back that was not kept"));
            --kept;
            break;
        case EMR_INTERSECTCLIPRECT:
            // The clip of a text: inside the picture, and only while a state is kept.
            FUZZ_CHECK(kept > 0, QStringLiteral("a clip outside a kept state"));
            CheckPoint(QPoint(r.i32(8), r.i32(12)), area, r.type, picture);
            CheckPoint(QPoint(r.i32(16), r.i32(20)), area, r.type, picture);
            break;
        default:
            break;
        }
    }
    FUZZ_CHECK(kept == 0, QStringLiteral("%1 kept states never brought back").arg(kept));
    FUZZ_CHECK(written == drawn, QStringLiteral("the metafile's texts\n%1\ndiffer from the texts drawn\n%2").arg(written, drawn));
    return 0;
}
