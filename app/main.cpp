#include <QApplication>

#include "app/QtTexts.h"
#include "app/StyleManager.h"
#include "app/TForm1.h"
#include "chart/ChartRenderer.h"

int main(int argc, char **argv)
{
    // The program takes no command line: Qt sees only the program's name, so a stray "-reverse" or
    // "-style" changes nothing.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    tf::UseJapaneseQtTexts(app);
    tf::RegisterChartFontSubstitutions();
    // The built-in look first; the window's settings then choose the look the user sees.
    tf::TStyleManager::TrySetStyle(QStringLiteral("Turquoise Gray"), true);
    TForm1 Form1;
    Form1.show();
    return app.exec();
}
