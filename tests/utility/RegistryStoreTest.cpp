#include "RegistryTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <vector>

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

// Every sub-key below h with its last write time, and every value with its
// type and bytes, one line each.
QStringList dump(HKEY h, const QString &path = QStringLiteral("."))
{
    QStringList lines;
    QString name;
    quint32 type = 0;
    QByteArray data;
    for (quint32 i = 0; RegEnumValue(h, i, &name, &type, &data) == ERROR_SUCCESS; ++i)
        lines << QStringLiteral("%1|%2|%3|%4").arg(path, name).arg(type).arg(QString::fromLatin1(data.toHex()));
    QDateTime written;
    for (quint32 i = 0; RegEnumKeyEx(h, i, &name, nullptr, &written) == ERROR_SUCCESS; ++i) {
        lines << QStringLiteral("%1\\%2 %3").arg(path, name).arg(written.toMSecsSinceEpoch());
        HKEY sub = 0;
        if (RegOpenKeyEx(h, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            lines << dump(sub, path + u'\\' + name);
            RegCloseKey(sub);
        }
    }
    return lines;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A connection of the test's own to the store file, for looking behind the calls.
class RawConnection {
public:
    explicit RawConnection(const QString &path)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~RawConnection()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    }
    bool run(const QString &sql)
    {
        QSqlQuery q(m_db);
        return q.exec(sql);
    }
    QVariant value(const QString &sql)
    {
        QSqlQuery q(m_db);
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }

private:
    QSqlDatabase m_db;
};

QProcess *startHelper(QProcess &p, const QString &store, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PEMBRY31_REGISTRY"), store);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(LIBRARY_HELPER), args);
    return &p;
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

TEST_F(RegistryStore, RestoreOfACutFileLeavesTheKeyExactlyAsItWas)
{
    Key source(create(QStringLiteral("Cut\\Source")));
    RegSetValueEx(source.handle, QStringLiteral("Text"), REG_SZ, stringData(QStringLiteral("first")));
    RegSetValueEx(source.handle, QStringLiteral("Number"), REG_DWORD, dwordData(0xcafe));
    RegSetValueEx(source.handle, QStringLiteral("List"), REG_MULTI_SZ,
                  multiStringData({QStringLiteral("alpha"), QStringLiteral("beta"), QString(40, u'g')}));
    RegSetValueEx(source.handle, QStringLiteral("Blob"), REG_BINARY, QByteArray(90, '\x42'));
    Key sourceSub(create(QStringLiteral("Cut\\Source\\Sub")));
    RegSetValueEx(sourceSub.handle, QStringLiteral("leaf"), REG_SZ, stringData(QStringLiteral("x")));
    const QString file = filePath(QStringLiteral("whole.reg"));
    ASSERT_EQ(RegSaveKey(source.handle, file), ERROR_SUCCESS);
    const QByteArray whole = readFile(file);

    Key target(create(QStringLiteral("Cut\\Target")));
    RegSetValueEx(target.handle, QStringLiteral("old"), REG_SZ, stringData(QStringLiteral("kept")));
    Key oldSub(create(QStringLiteral("Cut\\Target\\OldSub")));
    RegSetValueEx(oldSub.handle, QStringLiteral("deep"), REG_DWORD, dwordData(5));
    const QStringList before = dump(target.handle);
    ASSERT_EQ(before.size(), 3);

    const qsizetype middleLine = whole.indexOf("\r\n", whole.size() / 2) + 2;
    const QList<QPair<const char *, qsizetype>> cuts = {
        {"at a line boundary", middleLine},
        {"inside a hex byte", whole.indexOf("hex:") + 8},
        {"after a comma", whole.indexOf("hex:") + 7},
        {"after a hex byte", whole.indexOf("hex:") + 6},
        {"inside a dword", whole.indexOf("dword:") + 10},
        {"inside a multi-string", whole.indexOf("hex(7):") + 20},
        {"before the end line", whole.lastIndexOf(";")},
    };
    const QString cutFile = filePath(QStringLiteral("cut.reg"));
    for (const auto &[where, size] : cuts) {
        writeFile(cutFile, whole.left(size));
        EXPECT_EQ(RegRestoreKey(target.handle, cutFile, 0), ERROR_BADDB) << where;
        EXPECT_TRUE(lastErrorText().contains(cutFile)) << qPrintable(lastErrorText());
        EXPECT_TRUE(lastErrorText().contains(QStringLiteral("line "))) << qPrintable(lastErrorText());
        EXPECT_EQ(dump(target.handle), before) << where;
    }
    ASSERT_EQ(RegRestoreKey(target.handle, file, 0), ERROR_SUCCESS) << qPrintable(lastErrorText());
    QStringList restored = dump(target.handle), saved = dump(source.handle);
    // The sub-key's write time is the restore's own.
    restored.removeAt(4);
    saved.removeAt(4);
    EXPECT_EQ(restored, saved);
}

TEST_F(RegistryStore, RestoreAppliesTheLimitsOfTheCalls)
{
    Key k(create(QStringLiteral("Limits")));
    RegSetValueEx(k.handle, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    const QStringList before = dump(k.handle);
    EXPECT_EQ(RegSetValueEx(k.handle, QString(16384, u'n'), REG_SZ, stringData(QStringLiteral("x"))),
              ERROR_INVALID_PARAMETER);

    const QByteArray head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Limits]\r\n\"a\"=\"1\"\r\n";
    const QByteArray end = "\r\n; end of saved key\r\n";
    const QString file = filePath(QStringLiteral("limits.reg"));
    writeFile(file, head + '"' + QByteArray(16384, 'n') + "\"=\"x\"" + end);
    EXPECT_EQ(RegRestoreKey(k.handle, file, 0), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(lastErrorText().contains(QStringLiteral("line 5"))) << qPrintable(lastErrorText());
    EXPECT_TRUE(lastErrorText().contains(file));
    writeFile(file, head + "[HKEY_CURRENT_USER\\Limits\\" + QByteArray(256, 'k') + "]" + end);
    EXPECT_EQ(RegRestoreKey(k.handle, file, 0), ERROR_BADKEY);
    EXPECT_TRUE(lastErrorText().contains(QStringLiteral("line 5"))) << qPrintable(lastErrorText());
    EXPECT_EQ(dump(k.handle), before);

    writeFile(file, head + '"' + QByteArray(16383, 'n') + "\"=\"x\"\r\n[HKEY_CURRENT_USER\\Limits\\"
                        + QByteArray(255, 'k') + "]" + end);
    EXPECT_EQ(RegRestoreKey(k.handle, file, 0), ERROR_SUCCESS) << qPrintable(lastErrorText());
    EXPECT_EQ(valueNames(k.handle), (QStringList{QStringLiteral("a"), QString(16383, u'n')}));
    EXPECT_EQ(subKeyNames(k.handle), QStringList{QString(255, u'k')});
}

// The restore reads its file a value at a time: a file of many values, or of
// one huge value, never needs memory of many times its size.
TEST_F(RegistryStore, RestoreMemoryStaysNearOneValue)
{
    const auto peakGrowthKib = [&](const QByteArray &text) {
        const QString file = filePath(QStringLiteral("big.reg"));
        writeFile(file, text);
        QProcess p;
        startHelper(p, storePath(), {QStringLiteral("restore"), QStringLiteral("Big"), file});
        EXPECT_TRUE(p.waitForFinished(60000));
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_TRUE(out.startsWith("rc 0\n")) << out.constData();
        return out.split('\n').value(1).mid(5).toLong();
    };
    const QByteArray head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Big]\r\n";
    const QByteArray end = "\r\n; end of saved key\r\n";
    QByteArray oneValueHex = QByteArray(8192, '\x5a').toHex(',');

    QByteArray many = head;
    for (int i = 0; i < 600; ++i)
        many += "\"v" + QByteArray::number(i) + "\"=hex:" + oneValueHex + "\r\n";
    many += end;
    const long manyKib = peakGrowthKib(many);
    EXPECT_LT(manyKib, many.size() / 1024 / 4) << "file of " << many.size() / 1024 << " KiB";

    const QByteArray huge = head + "\"huge\"=hex:" + QByteArray(3 << 20, '\x5a').toHex(',') + end;
    const long hugeKib = peakGrowthKib(huge);
    EXPECT_LT(hugeKib, huge.size() / 1024 * 2) << "file of " << huge.size() / 1024 << " KiB";
}

TEST_F(RegistryStore, AnotherProgramsDatabaseIsRefusedAndLeftAlone)
{
    {
        RawConnection raw(storePath());
        ASSERT_TRUE(raw.run(QStringLiteral("CREATE TABLE keys(id INTEGER, name TEXT)")));
        ASSERT_TRUE(raw.run(QStringLiteral("PRAGMA user_version = 1")));
    }
    const QByteArray bytes = readFile(storePath());
    HKEY h = 0;
    quint32 d = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QString(), 0, KEY_READ, &h), ERROR_BADDB);
    EXPECT_TRUE(lastErrorText().contains(storePath())) << qPrintable(lastErrorText());
    EXPECT_TRUE(lastErrorText().contains(QStringLiteral("not a registry store"))) << qPrintable(lastErrorText());
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("New"), QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_BADDB);
    EXPECT_EQ(readFile(storePath()), bytes);
    EXPECT_FALSE(QFile::exists(storePath() + QStringLiteral("-wal")));
}

TEST_F(RegistryStore, AStoreCarriesItsMarkAndAnUnmarkedOneOfTheSameShapeIsAdopted)
{
    RegCloseKey(create(QStringLiteral("Marked")));
    {
        RawConnection raw(storePath());
        EXPECT_NE(raw.value(QStringLiteral("PRAGMA application_id")).toInt(), 0);
        EXPECT_EQ(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(), "wal");
    }
    // A store written before stores were marked: the same tables, no mark.
    const QString older = filePath(QStringLiteral("older.sqlite3"));
    {
        RawConnection raw(older);
        for (const char *sql : {
                 "CREATE TABLE keys (id INTEGER PRIMARY KEY AUTOINCREMENT,"
                 " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE, name TEXT NOT NULL,"
                 " fold TEXT NOT NULL, class TEXT NOT NULL DEFAULT '', written INTEGER NOT NULL DEFAULT 0)",
                 "CREATE UNIQUE INDEX keys_by_parent ON keys(parent, fold)",
                 "CREATE TABLE key_values (id INTEGER PRIMARY KEY, key INTEGER NOT NULL REFERENCES keys(id)"
                 " ON DELETE CASCADE, name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL)",
                 "CREATE UNIQUE INDEX values_by_key ON key_values(key, fold)",
                 "INSERT INTO keys(id, parent, name, fold) VALUES (2, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER')",
                 "INSERT INTO keys(id, parent, name, fold) VALUES (3, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE')",
                 "INSERT INTO keys(id, parent, name, fold) VALUES (10, 2, 'Old', 'OLD')",
                 "INSERT INTO key_values(key, name, fold, type, data) VALUES (10, 'v', 'V', 1, X'6f6c6400')",
                 "PRAGMA user_version = 1"})
            ASSERT_TRUE(raw.run(QString::fromLatin1(sql))) << sql;
    }
    qputenv("PEMBRY31_REGISTRY", older.toUtf8());
    HKEY h = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("old"), 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS)
        << qPrintable(lastErrorText());
    Key old(h);
    QByteArray data;
    ASSERT_EQ(RegQueryValueEx(h, QStringLiteral("v"), nullptr, &data), ERROR_SUCCESS);
    EXPECT_EQ(stringFromData(data), "old");
    EXPECT_EQ(RegSetValueEx(h, QStringLiteral("w"), REG_SZ, stringData(QStringLiteral("new"))), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(h), (QStringList{QStringLiteral("v"), QStringLiteral("w")}));
    RawConnection raw(older);
    EXPECT_NE(raw.value(QStringLiteral("PRAGMA application_id")).toInt(), 0);
}

TEST_F(RegistryStore, TheStoreMustBeARegularFileOrNotExistYet)
{
    const QString link = filePath(QStringLiteral("null-link"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), link));
    const QString folder = filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString dangling = filePath(QStringLiteral("dangling"));
    ASSERT_TRUE(QFile::link(filePath(QStringLiteral("nowhere/x")), dangling));
    HKEY h = 0;
    quint32 d = 0;
    for (const QString &path : {link, folder, dangling}) {
        qputenv("PEMBRY31_REGISTRY", path.toUtf8());
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Any"), QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_BADDB)
            << qPrintable(path);
        EXPECT_TRUE(lastErrorText().contains(path)) << qPrintable(lastErrorText());
        EXPECT_TRUE(lastErrorText().contains(QStringLiteral("not a regular file"))) << qPrintable(lastErrorText());
        for (const char *suffix : {"-journal", "-wal", "-shm"})
            EXPECT_FALSE(QFileInfo::exists(path + QLatin1String(suffix))) << qPrintable(path) << suffix;
    }
    EXPECT_FALSE(QFileInfo::exists(filePath(QStringLiteral("nowhere"))));

    // A FIFO would make SQLite wait for a writer that never comes: the helper
    // must answer at once.
    const QString fifo = filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QProcess p;
    startHelper(p, fifo, {QStringLiteral("open")});
    const bool finished = p.waitForFinished(5000);
    if (!finished)
        p.kill();
    ASSERT_TRUE(finished);
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_TRUE(out.startsWith("rc 1009\n")) << out.constData();
    EXPECT_TRUE(out.contains("not a regular file")) << out.constData();
    EXPECT_FALSE(QFileInfo::exists(fifo + QStringLiteral("-journal")));
}

TEST_F(RegistryStore, ReadersDoNotWaitForAWriter)
{
    Key k(create(QStringLiteral("Read")));
    ASSERT_EQ(RegSetValueEx(k.handle, QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("before"))), ERROR_SUCCESS);
    RawConnection raw(storePath());
    ASSERT_TRUE(raw.run(QStringLiteral("BEGIN EXCLUSIVE")));
    ASSERT_TRUE(raw.run(QStringLiteral("UPDATE key_values SET data = X'00'")));
    setBusyTimeout(200);
    QByteArray data;
    EXPECT_EQ(RegQueryValueEx(k.handle, QStringLiteral("v"), nullptr, &data), ERROR_SUCCESS) << qPrintable(lastErrorText());
    EXPECT_EQ(stringFromData(data), "before");
    EXPECT_EQ(valueNames(k.handle), QStringList{QStringLiteral("v")});
    EXPECT_EQ(RegSetValueEx(k.handle, QStringLiteral("w"), REG_SZ, stringData(QStringLiteral("x"))), ERROR_LOCK_VIOLATION);
    raw.run(QStringLiteral("ROLLBACK"));
}

// A handle keeps its key's listing while only other keys change, so a walk
// by index reads the key once; a change to the key itself, or to what its
// sub-key list shows, is seen at once.
TEST_F(RegistryStore, AListingIsReadAgainOnlyWhenItsOwnKeyChanged)
{
    Key walked(create(QStringLiteral("Walked")));
    for (int i = 0; i < 20; ++i)
        RegSetValueEx(walked.handle, QStringLiteral("v%1").arg(i), REG_DWORD, dwordData(quint32(i)));
    Key child(create(QStringLiteral("Walked\\Child")));
    Key other(create(QStringLiteral("Other")));
    HKEY h = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Walked"), 0, KEY_READ, &h), ERROR_SUCCESS);
    Key reader(h);

    const quint64 start = listingReads();
    QString name;
    quint32 i = 0;
    for (; RegEnumValue(h, i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        EXPECT_EQ(name, QStringLiteral("v%1").arg(i));
        RegSetValueEx(other.handle, QStringLiteral("n"), REG_DWORD, dwordData(i));   // another key, another connection
    }
    EXPECT_EQ(i, 20u);
    EXPECT_EQ(listingReads() - start, 1u);

    RegSetValueEx(walked.handle, QStringLiteral("v20"), REG_DWORD, dwordData(20));
    ASSERT_EQ(RegEnumValue(h, 20, &name, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(name, QStringLiteral("v20"));
    EXPECT_EQ(listingReads() - start, 2u);

    QDateTime first, second;
    ASSERT_EQ(RegEnumKeyEx(h, 0, &name, nullptr, &first), ERROR_SUCCESS);
    QThread::msleep(5);
    RegSetValueEx(child.handle, QStringLiteral("c"), REG_DWORD, dwordData(1));   // the child's write time moves
    ASSERT_EQ(RegEnumKeyEx(h, 0, &name, nullptr, &second), ERROR_SUCCESS);
    EXPECT_GT(second, first);
}

// A program that links the library loads SQLite only once it opens the
// store, and the store then waits for locks with its own fair wait.
TEST_F(RegistryStore, SQLiteIsLoadedWithTheStoreAndWaitsFairly)
{
    QProcess p;
    startHelper(p, storePath(), {QStringLiteral("open")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_TRUE(out.contains("sqlite 0 1 fair 1\n")) << out.constData();
}

// Four processes write in a loop. The wait for the lock is fair: no call is
// overtaken by more than a quarter of the other writers' calls, however slow
// the machine. How long a call takes is the machine's affair: on a loaded
// one a single commit (its fsync) can stall every writer for seconds, so the
// writers wait as long as the test may run rather than a tight budget.
TEST_F(RegistryStore, ConcurrentWritersAllGetTheirTurn)
{
    constexpr int kWriters = 4;
    constexpr int kWrites = 100;
    constexpr int kMostOvertakes = (kWriters - 1) * kWrites / 4;
    RegCloseKey(create(QStringLiteral("Software\\Shared")));
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(std::make_unique<QProcess>());
        startHelper(*writers.back(), storePath(),
                    {QStringLiteral("timed"), QStringLiteral("w%1_").arg(w), QString::number(kWrites),
                     QStringLiteral("120000")});
    }
    struct Call {
        int writer;
        qint64 start;
        qint64 end;
    };
    std::vector<Call> calls;
    for (int w = 0; w < kWriters; ++w) {
        QProcess &p = *writers[w];
        ASSERT_TRUE(p.waitForFinished(240000));
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_EQ(p.exitCode(), 0) << out.constData();
        for (const QByteArray &line : out.split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() == 3 && words[0] == "call")
                calls.push_back({w, words[1].toLongLong(), words[2].toLongLong()});
        }
    }
    ASSERT_EQ(calls.size(), size_t(kWriters * kWrites));
    // A call is overtaken by each call of another writer that ended while it waited.
    int mostOvertaken = 0;
    for (const Call &waiting : calls) {
        int overtakes = 0;
        for (const Call &other : calls)
            overtakes += other.writer != waiting.writer && other.end > waiting.start && other.end < waiting.end;
        mostOvertaken = std::max(mostOvertaken, overtakes);
    }
    EXPECT_LE(mostOvertaken, kMostOvertakes) << "a writer waited while the others wrote on";
    HKEY h = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Shared"), 0, KEY_READ, &h), ERROR_SUCCESS);
    Key shared(h);
    EXPECT_EQ(valueNames(h).size(), kWriters * kWrites);
}

TEST_F(RegistryStore, AKilledWriterLosesNoAcknowledgedWrite)
{
    int round = 0;
    for (const int stopAfter : {3, 17, 41}) {
        QProcess p;
        const QString prefix = QStringLiteral("r%1_").arg(round++);
        startHelper(p, storePath(), {QStringLiteral("acked"), prefix, QStringLiteral("100000")});
        int acknowledged = -1;
        QByteArray pending;
        while (acknowledged < stopAfter && p.waitForReadyRead(10000)) {
            pending += p.readAllStandardOutput();
            const qsizetype lastBreak = pending.lastIndexOf('\n');
            if (lastBreak >= 0) {
                acknowledged = pending.left(lastBreak).split('\n').last().toInt();
                pending.remove(0, lastBreak + 1);
            }
        }
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(10000);
        ASSERT_GE(acknowledged, stopAfter);
        HKEY h = 0;
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Acked"), 0, KEY_READ, &h), ERROR_SUCCESS)
            << qPrintable(lastErrorText());
        Key acked(h);
        for (int i = 0; i <= acknowledged; ++i)
            EXPECT_EQ(RegQueryValueEx(h, prefix + QString::number(i), nullptr, nullptr), ERROR_SUCCESS) << i;
    }
    RawConnection raw(storePath());
    EXPECT_EQ(raw.value(QStringLiteral("PRAGMA integrity_check")).toString(), "ok");
}
