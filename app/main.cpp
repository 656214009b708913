#include <QApplication>

#include "app/TForm1.h"
#include "chart/ChartRenderer.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tf::RegisterChartFontSubstitutions();
    TForm1 Form1;
    Form1.show();
    return app.exec();
}
