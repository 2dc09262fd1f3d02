#include "RegistryTestSupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace pembry::registry;

namespace {

class Key {
public:
    explicit Key(HKEY h = 0) : handle(h) {}
    ~Key()
    {
        if (handle)
            RegCloseKey(handle);
    }
    HKEY handle = 0;
};

HKEY create(const QString &path, quint32 *disposition = nullptr, HKEY root = HKEY_CURRENT_USER)
{
    HKEY h = 0;
    quint32 d = 0;
    EXPECT_EQ(RegCreateKeyEx(root, path, QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_SUCCESS)
        << qPrintable(lastErrorText());
    if (disposition)
        *disposition = d;
    return h;
}

QStringList valueNames(HKEY h)
{
    QStringList names;
    QString name;
    for (quint32 i = 0; RegEnumValue(h, i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i)
        names << name;
    return names;
}

QStringList subKeyNames(HKEY h)
{
    QStringList names;
    QString name;
    for (quint32 i = 0; RegEnumKeyEx(h, i, &name) == ERROR_SUCCESS; ++i)
        names << name;
    return names;
}

}  // namespace

using RegistryStore = RegistryTest;

TEST_F(RegistryStore, CreatesKeysOnceAndFindsThemWithoutLetterCase)
{
    quint32 disposition = 0;
    Key created(create(QStringLiteral("Software\\Tabulo\\Options"), &disposition));
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    Key again(create(QStringLiteral("SOFTWARE\\tabulo\\options\\"), &disposition));
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    HKEY h = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("software\\TABULO"), 0, KEY_READ, &h), ERROR_SUCCESS);
    Key opened(h);
    EXPECT_EQ(subKeyNames(h), QStringList{QStringLiteral("Options")});   // stored as first written
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Tabulo"), 0, KEY_READ, &h),
              ERROR_FILE_NOT_FOUND);   // roots are separate trees
    EXPECT_TRUE(QFile::exists(storePath()));
}

TEST_F(RegistryStore, RefusesBadPathsAndHandles)
{
    HKEY h = 0;
    quint32 d = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("a\\\\b"), QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_BADKEY);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("\\a"), QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_BADKEY);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, QString(300, u'x'), QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_BADKEY);
    EXPECT_EQ(RegOpenKeyEx(0x80000004u, QStringLiteral("x"), 0, KEY_READ, &h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueEx(12345, QStringLiteral("x"), REG_SZ, stringData(QStringLiteral("y"))), ERROR_INVALID_HANDLE);

    h = create(QStringLiteral("Closing"));
    EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryStore, ValuesKeepTheirOrderTypeAndBytes)
{
    Key k(create(QStringLiteral("Values")));
    const QByteArray binary("\x00\xff\x01\x00", 4);
    ASSERT_EQ(RegSetValueEx(k.handle, QStringLiteral("Zeta"), REG_SZ, stringData(QStringLiteral("first"))), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(k.handle, QStringLiteral("alpha"), REG_BINARY, binary), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(k.handle, QString(), REG_DWORD, dwordData(7)), ERROR_SUCCESS);
    // Overwriting under another letter case keeps the position and the first spelling.
    ASSERT_EQ(RegSetValueEx(k.handle, QStringLiteral("ZETA"), REG_EXPAND_SZ, stringData(QStringLiteral("%HOME%"))), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(k.handle), (QStringList{QStringLiteral("Zeta"), QStringLiteral("alpha"), QString()}));

    quint32 type = 0;
    QByteArray data;
    ASSERT_EQ(RegQueryValueEx(k.handle, QStringLiteral("zeta"), &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(stringFromData(data), "%HOME%");
    ASSERT_EQ(RegEnumValue(k.handle, 1, nullptr, &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(data, binary);
    EXPECT_EQ(RegEnumValue(k.handle, 3, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    ASSERT_EQ(RegSetValueEx(k.handle, QStringLiteral("empty"), REG_BINARY, QByteArray()), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueEx(k.handle, QStringLiteral("empty"), &type, &data), ERROR_SUCCESS);
    EXPECT_TRUE(data.isEmpty());

    EXPECT_EQ(RegDeleteValue(k.handle, QStringLiteral("ALPHA")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(k.handle, QStringLiteral("alpha")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueEx(k.handle, QStringLiteral("alpha"), &type, &data), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryStore, EnumerationSeesEveryChangeMadeInBetween)
{
    Key reader(create(QStringLiteral("Live")));
    Key writer(create(QStringLiteral("Live")));
    RegSetValueEx(writer.handle, QStringLiteral("one"), REG_SZ, stringData(QStringLiteral("1")));
    EXPECT_EQ(valueNames(reader.handle), QStringList{QStringLiteral("one")});
    // Another handle (another connection) writes; then the reading handle.
    RegSetValueEx(writer.handle, QStringLiteral("two"), REG_SZ, stringData(QStringLiteral("2")));
    EXPECT_EQ(valueNames(reader.handle), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    RegDeleteValue(reader.handle, QStringLiteral("one"));
    EXPECT_EQ(valueNames(reader.handle), QStringList{QStringLiteral("two")});
    QByteArray data;
    RegSetValueEx(reader.handle, QStringLiteral("two"), REG_SZ, stringData(QStringLiteral("changed")));
    ASSERT_EQ(RegEnumValue(reader.handle, 0, nullptr, nullptr, &data), ERROR_SUCCESS);
    EXPECT_EQ(stringFromData(data), "changed");

    Key sub(create(QStringLiteral("Live\\A")));
    EXPECT_EQ(subKeyNames(reader.handle), QStringList{QStringLiteral("A")});
    Key sub2(create(QStringLiteral("Live\\B")));
    EXPECT_EQ(subKeyNames(reader.handle), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST_F(RegistryStore, NamesAreDataNeverSql)
{
    const QString hostile = QStringLiteral("x'); DROP TABLE keys; --\"\\%_*");
    Key k(create(QStringLiteral("Odd\\") + QStringLiteral("x'); DROP TABLE keys; --")));
    ASSERT_EQ(RegSetValueEx(k.handle, hostile, REG_SZ, stringData(hostile)), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(k.handle, QStringLiteral("%"), REG_SZ, stringData(QStringLiteral("p"))), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(k.handle), (QStringList{hostile, QStringLiteral("%")}));
    QByteArray data;
    ASSERT_EQ(RegQueryValueEx(k.handle, hostile, nullptr, &data), ERROR_SUCCESS);
    EXPECT_EQ(stringFromData(data), hostile);
    HKEY h = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Odd\\x'); drop table KEYS; --"), 0, KEY_READ, &h), ERROR_SUCCESS);
    RegCloseKey(h);
}

TEST_F(RegistryStore, QueryInfoReportsCountsAndLongestNames)
{
    Key k(create(QStringLiteral("Info")));
    Key a(create(QStringLiteral("Info\\Short")));
    Key b(create(QStringLiteral("Info\\AMuchLongerName")));
    RegSetValueEx(k.handle, QStringLiteral("n"), REG_SZ, stringData(QStringLiteral("123456789")));
    RegSetValueEx(k.handle, QStringLiteral("longer"), REG_DWORD, dwordData(1));
    KeyInfo info;
    ASSERT_EQ(RegQueryInfoKey(k.handle, &info), ERROR_SUCCESS);
    EXPECT_EQ(info.subKeys, 2u);
    EXPECT_EQ(info.maxSubKeyLen, 15u);
    EXPECT_EQ(info.values, 2u);
    EXPECT_EQ(info.maxValueNameLen, 6u);
    EXPECT_EQ(info.maxValueLen, 10u);
    EXPECT_TRUE(info.lastWriteTime.isValid());
    EXPECT_EQ(subKeyNames(k.handle), (QStringList{QStringLiteral("AMuchLongerName"), QStringLiteral("Short")}));
}

TEST_F(RegistryStore, HandlesOnlyAllowWhatTheyWereOpenedFor)
{
    Key k(create(QStringLiteral("Rights")));
    HKEY reader = 0, writer = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Rights"), 0, KEY_READ, &reader), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Rights"), 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
    Key r(reader), w(writer);
    EXPECT_EQ(RegSetValueEx(reader, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x"))), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueEx(writer, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x"))), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(writer, QStringLiteral("v"), nullptr, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegEnumKeyEx(writer, 0, nullptr), ERROR_ACCESS_DENIED);
    HKEY h = 0;
    quint32 d = 0;
    EXPECT_EQ(RegCreateKeyEx(reader, QStringLiteral("New"), QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryStore, DeletesOnlyEmptyKeysAndForgetsTheirValues)
{
    Key parent(create(QStringLiteral("Tree")));
    Key child(create(QStringLiteral("Tree\\Child")));
    RegSetValueEx(child.handle, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    Key grandChild(create(QStringLiteral("Tree\\Child\\Leaf")));
    EXPECT_EQ(RegDeleteKey(parent.handle, QStringLiteral("Child")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(parent.handle, QStringLiteral("child\\leaf")), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyEx(grandChild.handle, 0, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKey(parent.handle, QStringLiteral("Child")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(parent.handle, QStringLiteral("Child")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, QString()), ERROR_ACCESS_DENIED);
    // A key made again under the same name starts empty.
    Key again(create(QStringLiteral("Tree\\Child")));
    EXPECT_TRUE(valueNames(again.handle).isEmpty());
}

TEST_F(RegistryStore, ADamagedFileIsReportedNotReadAsEmpty)
{
    QFile f(storePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    HKEY h = 0;
    quint32 d = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Any"), QString(), 0, KEY_ALL_ACCESS, &h, &d),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_TRUE(lastErrorText().contains(storePath())) << qPrintable(lastErrorText());
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QString(), 0, KEY_READ, &h), ERROR_REGISTRY_CORRUPT);
    // The file is left as it was.
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray(4096, 'x'));
}

TEST_F(RegistryStore, ADatabaseOfAnotherKindIsNotTakenOver)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(storePath());
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE customers(id INTEGER)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    HKEY h = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QString(), 0, KEY_READ, &h), ERROR_BADDB);
}

TEST_F(RegistryStore, ALockedFileGivesAnErrorAfterTheBusyTimeout)
{
    Key k(create(QStringLiteral("Locked")));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        db.setDatabaseName(storePath());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        setBusyTimeout(100);
        EXPECT_EQ(RegSetValueEx(k.handle, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x"))),
                  ERROR_LOCK_VIOLATION);
        EXPECT_TRUE(lastErrorText().contains(QStringLiteral("locked")));
        q.exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    EXPECT_EQ(RegSetValueEx(k.handle, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x"))), ERROR_SUCCESS);
}

TEST_F(RegistryStore, SaveAndRestoreReproduceATreeExactly)
{
    Key source(create(QStringLiteral("Source\\Saved")));
    const QList<std::tuple<QString, quint32, QByteArray>> values = {
        {QString(), REG_SZ, stringData(QStringLiteral("default"))},
        {QStringLiteral("Text"), REG_SZ, stringData(QStringLiteral("say \"hi\" \\ there\r\nnext line \u00e9\u4e2d"))},
        {QStringLiteral("Unterminated"), REG_SZ, QByteArray("abc")},
        {QStringLiteral("Embedded NUL"), REG_SZ, QByteArray("a\0b\0", 4)},
        {QStringLiteral("Not UTF-8"), REG_SZ, QByteArray("\xff\xfe\0", 3)},
        {QStringLiteral("Path"), REG_EXPAND_SZ, stringData(QStringLiteral("%HOME%/x"))},
        {QStringLiteral("List"), REG_MULTI_SZ, multiStringData({QStringLiteral("one"), QStringLiteral("two")})},
        {QStringLiteral("Number"), REG_DWORD, dwordData(0xDEADBEEF)},
        {QStringLiteral("Short dword"), REG_DWORD, QByteArray("\x01", 1)},
        {QStringLiteral("Big"), REG_DWORD_BIG_ENDIAN, QByteArray("\x00\x00\x00\x2a", 4)},
        {QStringLiteral("Blob"), REG_BINARY, QByteArray("\x00\x01\x02\xff\x00", 5)},
        {QStringLiteral("Long blob"), REG_BINARY, QByteArray(300, '\x5a')},
        {QStringLiteral("Empty"), REG_BINARY, QByteArray()},
        {QStringLiteral("None"), REG_NONE, QByteArray("\x10", 1)},
        {QStringLiteral("Odd type"), 0x1234, QByteArray("q", 1)},
        {QStringLiteral("name with \"quotes\", \\ and \t tab"), REG_SZ, stringData(QStringLiteral("ok"))},
    };
    for (const auto &[name, type, data] : values)
        ASSERT_EQ(RegSetValueEx(source.handle, name, type, data), ERROR_SUCCESS);
    Key sub(create(QStringLiteral("Source\\Saved\\Sub\\Deeper")));
    RegSetValueEx(sub.handle, QStringLiteral("leaf"), REG_DWORD, dwordData(1));
    Key empty(create(QStringLiteral("Source\\Saved\\Empty sub")));

    const QString file = filePath(QStringLiteral("saved.reg"));
    ASSERT_EQ(RegSaveKey(source.handle, file), ERROR_SUCCESS) << qPrintable(lastErrorText());
    EXPECT_EQ(RegSaveKey(source.handle, file), ERROR_ALREADY_EXISTS);

    // Restore into another key that already holds something: it is replaced.
    Key target(create(QStringLiteral("Elsewhere\\Target")));
    RegSetValueEx(target.handle, QStringLiteral("old"), REG_SZ, stringData(QStringLiteral("gone")));
    Key oldSub(create(QStringLiteral("Elsewhere\\Target\\Old")));
    ASSERT_EQ(RegRestoreKey(target.handle, file, 0), ERROR_SUCCESS) << qPrintable(lastErrorText());

    QString name;
    quint32 type = 0;
    QByteArray data;
    for (quint32 i = 0; i < quint32(values.size()); ++i) {
        ASSERT_EQ(RegEnumValue(target.handle, i, &name, &type, &data), ERROR_SUCCESS);
        EXPECT_EQ(name, std::get<0>(values[i]));
        EXPECT_EQ(type, std::get<1>(values[i])) << qPrintable(name);
        EXPECT_EQ(data, std::get<2>(values[i])) << qPrintable(name);
    }
    EXPECT_EQ(RegEnumValue(target.handle, quint32(values.size()), &name, &type, &data), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(subKeyNames(target.handle), (QStringList{QStringLiteral("Empty sub"), QStringLiteral("Sub")}));
    HKEY h = 0;
    ASSERT_EQ(RegOpenKeyEx(target.handle, QStringLiteral("Sub\\Deeper"), 0, KEY_READ, &h), ERROR_SUCCESS);
    Key deeper(h);
    ASSERT_EQ(RegQueryValueEx(h, QStringLiteral("leaf"), &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(dwordFromData(data), 1u);
    EXPECT_EQ(RegEnumKeyEx(oldSub.handle, 0, nullptr), ERROR_KEY_DELETED);
}

TEST_F(RegistryStore, RestoreRefusesABadFileAndLeavesTheKeyAlone)
{
    Key k(create(QStringLiteral("Kept")));
    RegSetValueEx(k.handle, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    EXPECT_EQ(RegRestoreKey(k.handle, filePath(QStringLiteral("missing.reg")), 0), ERROR_FILE_NOT_FOUND);

    const QString bad = filePath(QStringLiteral("bad.reg"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=hex:zz\r\n");
    f.close();
    EXPECT_EQ(RegRestoreKey(k.handle, bad, 0), ERROR_BADDB);
    EXPECT_TRUE(lastErrorText().contains(bad));
    EXPECT_TRUE(lastErrorText().contains(QStringLiteral("line 4")));
    EXPECT_EQ(valueNames(k.handle), QStringList{QStringLiteral("v")});
}
