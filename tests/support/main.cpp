#include "support/TestSupport.h"

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// One QApplication for every test executable: the UI tests need it, and the
// engine tests use its event loop to receive queued results.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests never send usage events anywhere unless they build their own service.
    if (qEnvironmentVariableIsEmpty("VARNEL_TELEMETRY_DISABLED"))
        qputenv("VARNEL_TELEMETRY_DISABLED", "1");
    QApplication app(argc, argv);
    // Screens look as on a Mac in light mode; screenshots add dark mode.
    QApplication::setPalette(varnel::testing::macPalette(false));
    // Application Support, caches and settings resolve to test folders
    // (~/.qttest/…), never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
