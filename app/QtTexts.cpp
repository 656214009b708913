#include "app/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tf {

void UseJapaneseQtTexts(QCoreApplication &app)
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    auto *translator = new QTranslator(&app);
    // "qt_ja" pulls in the module catalogues (qtbase_ja, ...) installed beside it.
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qt"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace tf
