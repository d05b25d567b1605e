#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every suite runs with a QApplication on the offscreen platform and with user preferences
// in a throw-away folder, so no test reads or writes the real configuration.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir config;
    qputenv("KAVELINS_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_CACHE_HOME", (config.path() + "/cache").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (config.path() + "/run").toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
