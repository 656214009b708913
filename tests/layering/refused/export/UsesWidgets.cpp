// Not built: the layering test checks that export/ may not include widgets, picture readers or libwmf.
#include <QWidget>
#include "picture/PictureDecoders.h"
#include <libwmf/gd.h>
#include "chart/ChartRenderer.h"
#include <QSvgGenerator>
