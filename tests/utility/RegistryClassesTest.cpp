#include "RegistryTestSupport.h"
#include "RaisedError.h"

#include "utility/BasicError.h"
#include "utility/CRegistryAdvanced.h"
#include "utility/CRegistryBasic.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

using namespace pembry;
using namespace pembry::registry;

namespace {

using testsupport::raisedError;

void writeRaw(const QString &path, const QString &name, quint32 type, const QByteArray &data)
{
    HKEY h = 0;
    quint32 d = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, QString(), 0, KEY_ALL_ACCESS, &h, &d), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(h, name, type, data), ERROR_SUCCESS);
    RegCloseKey(h);
}

bool rawValue(const QString &path, const QString &name, quint32 *type, QByteArray *data)
{
    HKEY h = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueEx(h, name, type, data) == ERROR_SUCCESS;
    RegCloseKey(h);
    return found;
}

bool keyExists(const QString &path)
{
    HKEY h = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// Points `reg` at the key `path` below HKEY_CURRENT_USER.
template <class Registry>
void openUnderCurrentUser(Registry &reg, const QString &path)
{
    reg.setRoot(HkeyCurrentUser);
    reg.setKey(path);
}

}  // namespace

using RegistryClasses = RegistryTest;

TEST_F(RegistryClasses, BasicListsStringValuesAndSubKeysByZeroBasedPosition)
{
    writeRaw(QStringLiteral("App"), QStringLiteral("Name"), REG_SZ, stringData(QStringLiteral("Tabulo")));
    writeRaw(QStringLiteral("App"), QStringLiteral("Colour"), REG_SZ, stringData(QStringLiteral("blue")));
    writeRaw(QStringLiteral("App\\Beta"), QStringLiteral("x"), REG_SZ, stringData(QStringLiteral("1")));
    writeRaw(QStringLiteral("App\\alpha"), QStringLiteral("x"), REG_SZ, stringData(QStringLiteral("1")));

    CRegistryBasic reg;
    EXPECT_EQ(reg.Root(), HKeyLocalMachine);
    openUnderCurrentUser(reg, QStringLiteral("App"));
    EXPECT_EQ(reg.ValueCount(), 2);
    EXPECT_EQ(reg.GetName(0), "Name");
    EXPECT_EQ(reg.GetName(1), "Colour");
    EXPECT_EQ(reg.GetName(2), "");
    EXPECT_EQ(reg.GetName(-1), "");
    EXPECT_EQ(reg.GetValue(QStringLiteral("colour")), "blue");
    EXPECT_EQ(reg.GetValue(0), "Tabulo");
    EXPECT_EQ(reg.GetValue(QStringLiteral("missing")), "");
    EXPECT_EQ(raisedError([&] { reg.GetValue(2); }).number(), 9);
    EXPECT_EQ(reg.SubKeyCount(), 2);
    EXPECT_EQ(reg.GetSubKey(0), "alpha");
    EXPECT_EQ(reg.GetSubKey(1), "Beta");
    EXPECT_EQ(reg.GetSubKey(2), "");   // an index equal to SubKeyCount

    // A second key replaces both lists.
    reg.setKey(QStringLiteral("App\\Beta"));
    EXPECT_EQ(reg.ValueCount(), 1);
    EXPECT_EQ(reg.GetName(0), "x");
    EXPECT_EQ(reg.SubKeyCount(), 0);
    EXPECT_EQ(reg.GetSubKey(0), "");
}

TEST_F(RegistryClasses, BasicStopsAtTheFirstValueThatIsNotAString)
{
    writeRaw(QStringLiteral("Mixed"), QStringLiteral("Number"), REG_DWORD, dwordData(5));
    writeRaw(QStringLiteral("Mixed"), QStringLiteral("Text"), REG_SZ, stringData(QStringLiteral("t")));
    CRegistryBasic reg;
    openUnderCurrentUser(reg, QStringLiteral("Mixed"));
    EXPECT_EQ(reg.ValueCount(), 0);
    EXPECT_EQ(reg.GetValue(QStringLiteral("Text")), "");
}

TEST_F(RegistryClasses, BasicSetValueWritesATerminatedStringWithoutRereading)
{
    CRegistryBasic reg;
    openUnderCurrentUser(reg, QStringLiteral("Write"));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Greeting"), QStringLiteral("h\u00e9llo")));
    quint32 type = 0;
    QByteArray data;
    ASSERT_TRUE(rawValue(QStringLiteral("Write"), QStringLiteral("greeting"), &type, &data));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(data, QByteArray("h\xc3\xa9llo\0", 7));
    EXPECT_EQ(reg.ValueCount(), 0);
    reg.Refresh();
    EXPECT_EQ(reg.ValueCount(), 1);
    // A position names the listed value.
    EXPECT_TRUE(reg.SetValue(0, QStringLiteral("again")));
    reg.Refresh();
    EXPECT_EQ(reg.GetValue(QStringLiteral("Greeting")), "again");
    EXPECT_EQ(raisedError([&] { reg.SetValue(5, QStringLiteral("x")); }).number(), 9);

    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("GREETING")));
    EXPECT_EQ(reg.ValueCount(), 0);
    EXPECT_FALSE(reg.DeleteValue(QStringLiteral("Greeting")));
}

TEST_F(RegistryClasses, ValueCountCannotBeAssigned)
{
    CRegistryBasic basic;
    CRegistryAdvanced advanced;
    for (const BasicError &e : {raisedError([&] { basic.setValueCount(3); }), raisedError([&] { advanced.setValueCount(3); })}) {
        EXPECT_EQ(e.number(), RegErrorNoLetProperty);
        EXPECT_EQ(e.number(), qint32(0x80040207u));
        EXPECT_EQ(e.source(), "CRegistry.Let ValueCount");
        EXPECT_EQ(e.description(), "The Let Property is not available");
    }
    basic.setSubKeyCount(4);
    EXPECT_EQ(basic.SubKeyCount(), 4);
    basic.setDefault(QStringLiteral("x"));
    EXPECT_EQ(basic.Default(), "");
}

TEST_F(RegistryClasses, WithoutAutoCreateAMissingKeyRaisesAndIsNotMade)
{
    CRegistryBasic reg;
    reg.setRoot(HkeyCurrentUser);
    reg.setAutoCreate(false);
    const BasicError e = raisedError([&] { reg.setKey(QStringLiteral("Nowhere")); });
    EXPECT_EQ(e.number(), RegErrorOpenFail);
    EXPECT_EQ(e.source(), "GetKeyInfo");
    EXPECT_EQ(e.description(), "Unable to open Key");
    EXPECT_FALSE(keyExists(QStringLiteral("Nowhere")));
    EXPECT_FALSE(reg.SetValue(QStringLiteral("v"), QStringLiteral("x")));

    reg.setAutoCreate(true);
    reg.setKey(QStringLiteral("Nowhere"));
    EXPECT_TRUE(keyExists(QStringLiteral("Nowhere")));
}

TEST_F(RegistryClasses, CreationErrorsDifferBetweenTheTwoClasses)
{
    CRegistryBasic basic;
    basic.setRoot(HkeyCurrentUser);
    BasicError e = raisedError([&] { basic.setKey(QStringLiteral("a\\\\b")); });
    EXPECT_EQ(e.number(), RegErrorOpenFail);
    EXPECT_EQ(e.source(), "GetKeyInfo");
    e = raisedError([&] { basic.SetValue(QStringLiteral("v"), QStringLiteral("x")); });
    EXPECT_EQ(e.number(), RegErrorOpenFail);
    EXPECT_EQ(e.source(), "CreateEx");
    EXPECT_EQ(e.description(), "Cannot Open Parent Key");

    CRegistryAdvanced advanced;
    advanced.setRoot(HkeyCurrentUser);
    EXPECT_EQ(raisedError([&] { advanced.setKey(QStringLiteral("a\\\\b")); }).number(), RegErrorOpenFail);
    e = raisedError([&] { advanced.SetValue(QStringLiteral("v"), QStringLiteral("x")); });
    EXPECT_EQ(e.number(), qint32(0x800403F2u));
    EXPECT_EQ(e.source(), "CreateEx");
    EXPECT_EQ(e.description(), "Cannot Open Parent Key");

    // A root this registry does not have: Windows' invalid-handle code 6.
    basic.setKey(QStringLiteral("Fine"));
    advanced.setKey(QStringLiteral("Fine"));
    basic.setRoot(fisEnumRootValues(0x80000004u));
    e = raisedError([&] { basic.SetValue(QStringLiteral("v"), QStringLiteral("x")); });
    EXPECT_EQ(e.number(), REG_ERROR_UNKNOWN);
    EXPECT_EQ(e.description(), "Unknown Error: 6");
    advanced.setRoot(fisEnumRootValues(0x80000004u));
    e = raisedError([&] { advanced.SetValue(QStringLiteral("v"), QStringLiteral("x")); });
    EXPECT_EQ(e.number(), RegAutomationErrorBase + 6);
    EXPECT_EQ(e.description(), "Unknown error");
}

TEST_F(RegistryClasses, ADamagedStoreGivesErrorsAndFalseNeverAnEmptyKey)
{
    QFile f(storePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2048, '\x01'));
    f.close();
    CRegistryBasic basic;
    basic.setRoot(HkeyCurrentUser);
    const BasicError e = raisedError([&] { basic.setKey(QStringLiteral("Any")); });
    EXPECT_EQ(e.number(), RegErrorOpenFail);
    EXPECT_TRUE(lastErrorText().contains(storePath()));
    EXPECT_FALSE(basic.DeleteValue(QStringLiteral("v")));
    EXPECT_FALSE(basic.DeleteKey(QStringLiteral("Sub")));
    EXPECT_EQ(basic.Create(QStringLiteral("Sub")), 0);
    EXPECT_NE(raisedError([&] { basic.SetValue(QStringLiteral("v"), QStringLiteral("x")); }).number(), 0);
    CRegistryAdvanced advanced;
    advanced.setRoot(HkeyCurrentUser);
    EXPECT_EQ(raisedError([&] { advanced.setKey(QStringLiteral("Any")); }).number(), RegErrorOpenFail);
    EXPECT_EQ(raisedError([&] { advanced.SetValue(QStringLiteral("v"), QStringLiteral("x")); }).number(),
              RegAutomationErrorBase + ERROR_REGISTRY_CORRUPT);
}

TEST_F(RegistryClasses, DeleteKeyRemovesAWholeTree)
{
    writeRaw(QStringLiteral("Top\\Doomed\\A\\A1"), QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    writeRaw(QStringLiteral("Top\\Doomed\\A\\A2"), QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    writeRaw(QStringLiteral("Top\\Doomed\\B"), QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    writeRaw(QStringLiteral("Top\\Kept"), QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    CRegistryBasic reg;
    openUnderCurrentUser(reg, QStringLiteral("Top"));
    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("doomed")));
    EXPECT_FALSE(keyExists(QStringLiteral("Top\\Doomed")));
    EXPECT_TRUE(keyExists(QStringLiteral("Top\\Kept")));
    EXPECT_EQ(reg.key(), "Top");
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("Doomed")));

    CRegistryAdvanced advanced;
    openUnderCurrentUser(advanced, QStringLiteral("Top"));
    EXPECT_TRUE(advanced.DeleteKey(QStringLiteral("Kept")));
    EXPECT_FALSE(keyExists(QStringLiteral("Top\\Kept")));

    CRegistryBasic noKey;   // with no key set nothing below a root is deleted
    noKey.setRoot(HkeyCurrentUser);
    EXPECT_FALSE(noKey.DeleteKey(QStringLiteral("Top")));
    EXPECT_TRUE(keyExists(QStringLiteral("Top")));
}

TEST_F(RegistryClasses, CreateMovesToTheNewKeyAndWritesTheValue)
{
    CRegistryBasic reg;
    openUnderCurrentUser(reg, QStringLiteral("Parent"));
    EXPECT_EQ(reg.Create(QStringLiteral("Child"), Variant(QStringLiteral("Name")), QStringLiteral("Value")), -1);
    EXPECT_EQ(reg.key(), "Parent\\Child");
    QByteArray data;
    ASSERT_TRUE(rawValue(QStringLiteral("Parent\\Child"), QStringLiteral("Name"), nullptr, &data));
    EXPECT_EQ(stringFromData(data), "Value");
    EXPECT_EQ(reg.ValueCount(), 0);   // the lists are not re-read

    // The current key's own name does not extend the path.
    EXPECT_EQ(reg.Create(QStringLiteral("Parent\\Child")), -1);
    EXPECT_EQ(reg.key(), "Parent\\Child");

    // The key is made, but a value cannot be written: the disposition comes back.
    EXPECT_EQ(reg.Create(QStringLiteral("Deeper"), Variant(9), QStringLiteral("v")), 1);
    EXPECT_TRUE(keyExists(QStringLiteral("Parent\\Child\\Deeper")));

    CRegistryAdvanced advanced;
    openUnderCurrentUser(advanced, QStringLiteral("  \\Parent  "));
    EXPECT_EQ(advanced.key(), "Parent");
    EXPECT_EQ(advanced.Create(QStringLiteral("Other"), Variant(QStringLiteral("n")), QStringLiteral("%PATH%")), -1);
    quint32 type = 0;
    ASSERT_TRUE(rawValue(QStringLiteral("Parent\\Other"), QStringLiteral("n"), &type, &data));
    EXPECT_EQ(type, REG_EXPAND_SZ);
}

TEST_F(RegistryClasses, AdvancedChoosesTheTypeFromTheData)
{
    CRegistryAdvanced reg;
    openUnderCurrentUser(reg, QStringLiteral("Typed"));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Count"), 42));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Negative"), -5));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Plain"), QStringLiteral("hello")));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Path"), QStringLiteral("%HOME%/bin")));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("List"), QString::fromUtf16(u"one\0two", 7)));
    EXPECT_TRUE(reg.SetValue(QString(), QStringLiteral("the default")));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Forced"), 7, RegSz));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("FromText"), QStringLiteral("12"), RegDword));
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Items"), Variant(Variant::Array{QStringLiteral("a"), QStringLiteral("b")}), RegMultiSz));

    EXPECT_EQ(reg.ValueCount(), 9);   // every write re-reads the key
    EXPECT_EQ(reg.GetName(1), "Count");
    EXPECT_EQ(reg.GetName(6), "<DEFAULT>");
    EXPECT_EQ(reg.GetValue(QStringLiteral("count")), "42");
    EXPECT_EQ(reg.GetValue(QStringLiteral("Negative")), "-5");
    EXPECT_EQ(reg.GetValue(QStringLiteral("Plain")), "hello");   // nothing cut off
    EXPECT_EQ(reg.GetValue(QStringLiteral("Path")), "%HOME%/bin");
    EXPECT_EQ(reg.GetValue(QStringLiteral("List")), QString::fromUtf16(u"one\0two\0\0", 9));
    EXPECT_EQ(reg.GetValue(QString()), "the default");
    EXPECT_EQ(reg.GetValue(QStringLiteral("<default>")), "the default");
    EXPECT_EQ(reg.GetValue(1), "42");
    EXPECT_EQ(reg.GetValue(QStringLiteral("Forced")), "7");
    EXPECT_EQ(reg.GetValue(QStringLiteral("FromText")), "12");
    EXPECT_EQ(reg.GetValue(QStringLiteral("missing")), "");
    EXPECT_EQ(reg.GetValue(99), "");

    const colRegistry &values = reg.Values();
    EXPECT_EQ(values.Item(QStringLiteral("Count")).DataType(), REG_DWORD);
    EXPECT_EQ(values.Item(QStringLiteral("Path")).DataType(), REG_EXPAND_SZ);
    EXPECT_EQ(values.Item(QStringLiteral("List")).DataType(), REG_MULTI_SZ);
    EXPECT_EQ(values.Item(QStringLiteral("List")).MultiStringCount(), 2);
    EXPECT_EQ(values.Item(QStringLiteral("Items")).MultiStringData(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(values.Item(QStringLiteral("Negative")).LongData(), -5);

    // Writing under "<DEFAULT>" or a position writes the default value itself.
    EXPECT_TRUE(reg.SetValue(QStringLiteral("<DEFAULT>"), QStringLiteral("changed")));
    EXPECT_TRUE(reg.SetValue(6, QStringLiteral("changed twice")));
    EXPECT_EQ(reg.ValueCount(), 9);
    EXPECT_EQ(reg.GetValue(QString()), "changed twice");
    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("<DEFAULT>")));
    EXPECT_EQ(reg.ValueCount(), 8);
}

TEST_F(RegistryClasses, AdvancedPositionsAreOneBased)
{
    CRegistryAdvanced reg;
    openUnderCurrentUser(reg, QStringLiteral("Positions"));
    reg.SetValue(QStringLiteral("first"), 1);
    const BasicError e = raisedError([&] { reg.GetName(0); });
    EXPECT_EQ(e.number(), 1200);
    EXPECT_EQ(e.source(), "Registry Collection");
    EXPECT_EQ(e.description(), "Invalid Index");
    EXPECT_EQ(reg.GetName(1), "first");
    EXPECT_EQ(raisedError([&] { reg.GetName(2); }).number(), 1200);
}

TEST_F(RegistryClasses, AdvancedBinaryDataAndRefusedInput)
{
    CRegistryAdvanced reg;
    openUnderCurrentUser(reg, QStringLiteral("Binary"));
    const QByteArray bytes("\x00\x10\xff", 3);
    EXPECT_TRUE(reg.SetValue(QStringLiteral("Blob"), bytes));
    EXPECT_EQ(reg.Values().Item(QStringLiteral("blob")).ByteData(), bytes);
    EXPECT_EQ(raisedError([&] { reg.GetValue(QStringLiteral("Blob")); }).number(), RegErrorBinaryData);

    BasicError e = raisedError([&] { reg.SetValue(QStringLiteral("x"), bytes, RegNone); });
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(e.description(), "Byte Array");
    e = raisedError([&] { reg.SetValue(QStringLiteral("x"), Variant(Variant::Array{1, 2})); });
    EXPECT_EQ(e.description(), "Byte Array");
    EXPECT_TRUE(reg.SetValue(QStringLiteral("FromArray"), Variant(Variant::Array{1, 255}), RegBinary));
    EXPECT_EQ(reg.Values().Item(QStringLiteral("FromArray")).ByteData(), QByteArray("\x01\xff", 2));
    // Data with no registry type is refused instead of silently not written.
    EXPECT_EQ(raisedError([&] { reg.SetValue(QStringLiteral("x"), true); }).number(), 13);
    EXPECT_EQ(raisedError([&] { reg.SetValue(QStringLiteral("x"), qint64(1) << 40); }).number(), 6);
    EXPECT_FALSE(reg.Values().Contains(QStringLiteral("x")));
}

TEST_F(RegistryClasses, AccessMaskGovernsAnOpenedKey)
{
    writeRaw(QStringLiteral("Guarded"), QStringLiteral("v"), REG_SZ, stringData(QStringLiteral("x")));
    CRegistryAdvanced reg;
    EXPECT_EQ(reg.Access(), 0x2001F);
    reg.setRoot(HkeyCurrentUser);
    reg.setAutoCreate(false);
    reg.setAccess(qint32(KEY_READ));
    reg.setKey(QStringLiteral("Guarded"));
    EXPECT_EQ(reg.ValueCount(), 1);
    EXPECT_FALSE(reg.DeleteValue(QStringLiteral("v")));   // a read-only opening cannot delete
    reg.setAccess(0x2001F);
    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("v")));
    EXPECT_EQ(reg.ValueCount(), 0);
}

TEST_F(RegistryClasses, ExportAndImportRoundTrip)
{
    CRegistryAdvanced reg;
    openUnderCurrentUser(reg, QStringLiteral("Software\\Exported"));
    reg.SetValue(QStringLiteral("Text"), QStringLiteral("quote \" and \\ and \u00fc"));
    reg.SetValue(QStringLiteral("Number"), 123456);
    reg.SetValue(QStringLiteral("Path"), QStringLiteral("%TEMP%"));
    reg.SetValue(QStringLiteral("List"), QString::fromUtf16(u"x\0y\0\0", 5));
    reg.SetValue(QStringLiteral("Blob"), QByteArray("\x00\x01\x00\xfe", 4));
    reg.SetValue(QString(), QStringLiteral("default"));
    writeRaw(QStringLiteral("Software\\Exported\\Sub\\Leaf"), QStringLiteral("deep"), REG_DWORD, dwordData(9));

    const QString file = filePath(QStringLiteral("export.reg"));
    reg.ExportKey(file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("REGEDIT4\r\n"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Exported\\Sub\\Leaf]"));
    EXPECT_TRUE(text.contains("\"Number\"=dword:0001e240"));

    // Exporting over an existing file is refused with an error naming it.
    const BasicError e = raisedError([&] { reg.ExportKey(file); });
    EXPECT_EQ(e.number(), RegAutomationErrorBase + ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(e.description().contains(file));

    CRegistryBasic remover;
    openUnderCurrentUser(remover, QStringLiteral("Software"));
    ASSERT_TRUE(remover.DeleteKey(QStringLiteral("Exported")));

    CRegistryAdvanced restored;
    openUnderCurrentUser(restored, QStringLiteral("Software\\Exported"));
    EXPECT_EQ(restored.ValueCount(), 0);
    restored.ImportKey(file);
    ASSERT_EQ(restored.ValueCount(), 6);
    EXPECT_EQ(restored.GetValue(QStringLiteral("Text")), QStringLiteral("quote \" and \\ and \u00fc"));
    EXPECT_EQ(restored.GetValue(QStringLiteral("Number")), "123456");
    EXPECT_EQ(restored.Values().Item(QStringLiteral("Path")).DataType(), REG_EXPAND_SZ);
    EXPECT_EQ(restored.GetValue(QStringLiteral("List")), QString::fromUtf16(u"x\0y\0\0", 5));
    EXPECT_EQ(restored.Values().Item(QStringLiteral("Blob")).ByteData(), QByteArray("\x00\x01\x00\xfe", 4));
    EXPECT_EQ(restored.GetValue(QString()), "default");
    QByteArray data;
    ASSERT_TRUE(rawValue(QStringLiteral("Software\\Exported\\Sub\\Leaf"), QStringLiteral("deep"), nullptr, &data));
    EXPECT_EQ(dwordFromData(data), 9u);

    const BasicError missing = raisedError([&] { restored.ImportKey(filePath(QStringLiteral("none.reg"))); });
    EXPECT_EQ(missing.number(), RegAutomationErrorBase + ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.source(), "CRegistry.ImportKey");
}

TEST_F(RegistryClasses, TwoProcessesWritingTheSameKeyLoseNothing)
{
    constexpr int kWrites = 60;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PEMBRY31_REGISTRY"), storePath());
    QProcess first, second;
    for (QProcess *p : {&first, &second}) {
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    const QString program = QStringLiteral(LIBRARY_HELPER);
    first.start(program, {QStringLiteral("write"), QStringLiteral("a"), QString::number(kWrites)});
    second.start(program, {QStringLiteral("write"), QStringLiteral("b"), QString::number(kWrites)});
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardOutput().constData();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardOutput().constData();

    CRegistryBasic reg;
    openUnderCurrentUser(reg, QStringLiteral("Software\\Shared"));
    EXPECT_EQ(reg.ValueCount(), 2 * kWrites + 1);
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(reg.GetValue(QStringLiteral("a%1").arg(i)), QString::number(i));
        EXPECT_EQ(reg.GetValue(QStringLiteral("b%1").arg(i)), QString::number(i));
    }
    // Both made the same sub-keys; each exists once.
    EXPECT_EQ(reg.SubKeyCount(), 10);
}

TEST_F(RegistryClasses, ImportOfACutFileRaisesAndKeepsTheKey)
{
    CRegistryBasic reg;
    openUnderCurrentUser(reg, QStringLiteral("Software\\Imported"));
    reg.SetValue(QStringLiteral("first"), QStringLiteral("1"));
    reg.SetValue(QStringLiteral("second"), QStringLiteral("2"));
    reg.Create(QStringLiteral("Sub"));
    reg.setKey(QStringLiteral("Software\\Imported"));
    const QString file = filePath(QStringLiteral("imported.reg"));
    reg.ExportKey(file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray text = f.readAll();
    ASSERT_TRUE(f.resize(text.indexOf("\"second\"")));   // cut at the start of a line
    f.close();

    const BasicError e = raisedError([&] { reg.ImportKey(file); });
    EXPECT_EQ(e.number(), RegAutomationErrorBase + ERROR_BADDB);
    EXPECT_EQ(e.source(), "CRegistry.ImportKey");
    EXPECT_TRUE(e.description().contains(file)) << qPrintable(e.description());
    EXPECT_TRUE(e.description().contains(QStringLiteral("line "))) << qPrintable(e.description());
    reg.Refresh();
    EXPECT_EQ(reg.ValueCount(), 2);
    EXPECT_EQ(reg.GetValue(QStringLiteral("second")), "2");
    EXPECT_EQ(reg.SubKeyCount(), 1);
}
