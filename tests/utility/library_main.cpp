// The library tests run inside a QCoreApplication, with the registry pointed
// at a temporary file so that no test touches the user's own registry.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QTemporaryDir registryDir;
    qputenv("PEMBRY31_REGISTRY", registryDir.filePath(QStringLiteral("registry.sqlite3")).toUtf8());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
