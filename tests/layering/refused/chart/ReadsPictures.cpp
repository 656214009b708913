// Not built: the layering test checks that chart/ may not include any of these.
#include <libwmf/api.h>
#include <emf2svg.h>
#include <QSvgGenerator>
#include "picture/Picture.h"
#include "export/Export.h"
#include "chart/ChartModel.h"
