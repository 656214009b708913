// Not built: the layering test checks that picture/ may not include the chart or the export writers.
#include "chart/ChartModel.h"
#include "export/EmfWriter.h"
#include <QSvgRenderer>
#include <libwmf/api.h>
