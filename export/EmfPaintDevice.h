#pragma once
// A paint device that records what a QPainter draws on it as Enhanced Metafile vector records, so the
// chart renderer that paints the window also produces the metafile export: fills as polygons, lines as
// polylines, every text run as EMR_EXTTEXTOUTW with its font and colour, images as EMR_STRETCHDIBITS.
// Shapes and images are clipped by the device itself (to the painter's clip rectangle and the image area), so
// a reader without clipping support shows the same picture; a text that reaches past the painter's clip is
// cut by the reader, between clip records that keep and restore the state. Logical pixels are device pixels
// (96 per inch).
#include "export/EmfWriter.h"

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>

#include <memory>

namespace tf {

class EmfPaintEngine;

class EmfPaintDevice : public QPaintDevice {
public:
    EmfPaintDevice(QSize size, const EmfReference &reference);
    ~EmfPaintDevice() override;
    EmfPaintDevice(const EmfPaintDevice &) = delete;
    EmfPaintDevice &operator=(const EmfPaintDevice &) = delete;

    QPaintEngine *paintEngine() const override;
    // The finished metafile; empty until a painter on the device has ended.
    QByteArray data() const;
    QSize size() const { return m_size; }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    std::unique_ptr<EmfPaintEngine> m_engine;
};

} // namespace tf
