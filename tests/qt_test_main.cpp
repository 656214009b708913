// Shared test entry: creates the Qt application object the test program needs, headless by default.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

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
    TestApp app(argc, argv);
#if defined(TF_PICTURE_HELPER)
    tf::SetPictureHelperPath(QStringLiteral(TF_PICTURE_HELPER));
#endif
#if defined(TF_TEST_APP_WIDGETS)
    tf::UseJapaneseQtTexts(app); // as the program does at start
#endif
    return RUN_ALL_TESTS();
}
