// Test entry: before anything runs, the process gets its own HOME, APPDATA, TEMP and working folder
// inside a temporary folder, so no test can touch the real user's files.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/test_env.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir top(QDir::tempPath() + QStringLiteral("/bo-test-XXXXXX"));
    if (!top.isValid())
        return 2;
    testenv::isolateProcess(top.path());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    QDir::setCurrent(QDir::rootPath());
    return rc;
}
