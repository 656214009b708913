// Shared test entry: creates the Qt application object the test program needs, headless by default.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#if defined(TF_PICTURE_HELPER)
#include "picture/PictureProcess.h"
#endif

#if defined(TF_TEST_APP_WIDGETS)
#include <QApplication>

#include "app/QtTexts.h"
using TestApp = QApplication;
#elif defined(TF_TEST_APP_GUI)
#include <QGuiApplication>
using TestApp = QGuiApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Qt's own dialogs keep what they last showed (folders visited, history) in the user's configuration
    // folder. Each test program gets a folder of its own, so that no run depends on what another left there.
    const QTemporaryDir config;
    if (config.isValid())
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    TestApp app(argc, argv);
#if defined(TF_PICTURE_HELPER)
    tf::SetPictureHelperPath(QStringLiteral(TF_PICTURE_HELPER));
#endif
#if defined(TF_TEST_APP_WIDGETS)
    tf::UseJapaneseQtTexts(app); // as the program does at start
#endif
    return RUN_ALL_TESTS();
}
