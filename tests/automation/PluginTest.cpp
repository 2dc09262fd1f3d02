// Creation by programmatic identifier, as a host does it: this program links
// nothing of the wizard and finds the plugins in folders.

#include "wizard/automation/CreateObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kBuiltPlugins = QStringLiteral(TABULO_BINARY_DIR "/lib/tabulo");

// A plugin folder holding copies of the named builds.
// A plugin folder laid out as installed: the plugins in a folder of their
// own, the library they find through their run path in the one above.
class PluginFolder {
public:
    explicit PluginFolder(const QStringList &builds)
    {
        EXPECT_TRUE(QDir(m_dir.path()).mkdir(u"tabulo"_s));
        for (const QString &build : builds)
            EXPECT_TRUE(QFile::copy(kBuiltPlugins + u"/"_s + build + u".so"_s, path() + u"/"_s + build + u".so"_s));
        const QString library = kBuiltPlugins + u"/../libPembry31.so.31"_s;
        EXPECT_TRUE(QFile::link(QFileInfo(library).canonicalFilePath(), m_dir.filePath(u"libPembry31.so.31"_s)));
    }
    QString path() const { return m_dir.filePath(u"tabulo"_s); }

private:
    QTemporaryDir m_dir;
};

std::unique_ptr<QObject> create(const QString &progId, const PluginFolder &folder, QString *error = nullptr)
{
    return std::unique_ptr<QObject>(tabulo::CreateObject(progId, {folder.path()}, error));
}

TEST(CreateObject, FindsEachBuildByItsIdentifier)
{
    PluginFolder both({u"Tabulo40"_s, u"Tabulo35"_s});
    for (const QString &progId : {u"Tabulo40.Application"_s, u"Tabulo35.Application"_s}) {
        QString error;
        auto app = create(progId, both, &error);
        ASSERT_NE(app, nullptr) << error.toStdString();
        EXPECT_EQ(app->metaObject()->className(), "tabulo::Application"_ba);
        EXPECT_FALSE(app->property("Succeeded").toBool());
        EXPECT_GE(app->metaObject()->indexOfMethod("ShowWizard(int)"), 0);
    }
}

TEST(CreateObject, MetadataNamesTheTypeLibraryAndDescription)
{
    const std::pair<QString, QString> builds[] = {{u"Tabulo120"_s, u"ACE 12.0"_s},
                                                  {u"Tabulo40"_s, u"Jet 4.0"_s},
                                                  {u"Tabulo35"_s, u"Jet 3.5"_s}};
    for (const auto &[build, engine] : builds) {
        QPluginLoader loader(kBuiltPlugins + u"/"_s + build + u".so"_s);
        const QJsonObject meta = tabulo::pluginMetaData(loader);
        EXPECT_EQ(meta.value(u"ProgID"_s).toString(), build + u".Application"_s);
        EXPECT_EQ(meta.value(u"TypeLibrary"_s).toString(), build);
        EXPECT_EQ(meta.value(u"Description"_s).toString(), u"Morvane Tabulo Wizard ("_s + engine + u")"_s);
        EXPECT_FALSE(loader.isLoaded());   // reading the metadata loads nothing
    }
}

TEST(CreateObject, OnlyTheJet35BuildPresent)
{
    PluginFolder only35({u"Tabulo35"_s});
    QString error;
    EXPECT_EQ(create(u"Tabulo40.Application"_s, only35, &error), nullptr);
    EXPECT_TRUE(error.contains(u"Tabulo40.Application"_s)) << error.toStdString();
    EXPECT_NE(create(u"Tabulo35.Application"_s, only35), nullptr);
}

TEST(CreateObject, NeitherBuildPresentFailsWithAReason)
{
    PluginFolder none({});
    QString error;
    EXPECT_EQ(create(u"Tabulo40.Application"_s, none, &error), nullptr);
    EXPECT_TRUE(error.startsWith(u"No plugin for \"Tabulo40.Application\""_s)) << error.toStdString();
    EXPECT_EQ(tabulo::CreateObject(u"Tabulo40.Application"_s, QStringList{u"/nonexistent/folder"_s}), nullptr);
}

// The launcher and hosts take the newest build there is, and fall back to
// the older ones in turn.
TEST(CreateObject, TheNewestBuildIsPreferred)
{
    const auto newest = [](const QStringList &builds) {
        PluginFolder folder(builds);
        QString chosen;
        std::unique_ptr<QObject> app(tabulo::CreateNewestWizard({folder.path()}, nullptr, &chosen));
        return app ? chosen : QString();
    };
    EXPECT_EQ(newest({u"Tabulo35"_s, u"Tabulo40"_s, u"Tabulo120"_s}), u"Tabulo120.Application"_s);
    EXPECT_EQ(newest({u"Tabulo35"_s, u"Tabulo40"_s}), u"Tabulo40.Application"_s);
    EXPECT_EQ(newest({u"Tabulo35"_s}), u"Tabulo35.Application"_s);

    PluginFolder none({});
    QString error;
    EXPECT_EQ(tabulo::CreateNewestWizard({none.path()}, &error), nullptr);
    EXPECT_TRUE(error.startsWith(u"No plugin for \"Tabulo120.Application\""_s)) << error.toStdString();
}

TEST(CreateObject, TheEnvironmentAddsPluginFolders)
{
    PluginFolder only40({u"Tabulo40"_s});
    qputenv("TABULO_PLUGIN_PATH", (u"/nonexistent:"_s + only40.path()).toLocal8Bit());
    EXPECT_TRUE(tabulo::pluginFolders().contains(only40.path()));
    qunsetenv("TABULO_PLUGIN_PATH");
}

}  // namespace
