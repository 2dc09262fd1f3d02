#include "utility/internal/RegistryStore.h"
#include "utility/internal/RegistryTextFile.h"

#include <gtest/gtest.h>

using namespace pembry::registry;

TEST(RegistryTextFile, WritesRegedit4Text)
{
    QList<SavedKey> keys(2);
    keys[0].values = {{QString(), REG_SZ, stringData(QStringLiteral("d"))},
                      {QStringLiteral("Quote\"d"), REG_SZ, stringData(QStringLiteral("C:\\dir"))},
                      {QStringLiteral("N"), REG_DWORD, dwordData(42)},
                      {QStringLiteral("B"), REG_BINARY, QByteArray("\x01\xab", 2)},
                      {QStringLiteral("M"), REG_MULTI_SZ, multiStringData({QStringLiteral("a")})}};
    keys[1].relativePath = QStringLiteral("Sub");
    const QString text = QString::fromUtf8(formatSavedKeys(QStringLiteral("HKEY_CURRENT_USER\\Software\\X"), keys));
    EXPECT_EQ(text,
              "REGEDIT4\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n"
              "@=\"d\"\r\n"
              "\"Quote\\\"d\"=\"C:\\\\dir\"\r\n"
              "\"N\"=dword:0000002a\r\n"
              "\"B\"=hex:01,ab\r\n"
              "\"M\"=hex(7):61,00,00\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\X\\Sub]\r\n"
              "\r\n; end of saved key\r\n");
}

TEST(RegistryTextFile, WrapsLongHexLinesAndReadsThemBack)
{
    QList<SavedKey> keys(1);
    keys[0].values = {{QStringLiteral("Blob"), REG_BINARY, QByteArray(100, '\x7f')}};
    const QByteArray text = formatSavedKeys(QStringLiteral("HKEY_USERS\\K"), keys);
    for (const QByteArray &line : text.split('\n'))
        EXPECT_LE(line.size(), 80);
    QList<SavedKey> back;
    QString error;
    ASSERT_TRUE(parseSavedKeys(text, &back, &error)) << qPrintable(error);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0].values[0].data, QByteArray(100, '\x7f'));
}

TEST(RegistryTextFile, ReadsHandWrittenFiles)
{
    const QByteArray text = "\xEF\xBB\xBFREGEDIT4\n"
                            "; a comment\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\App]\n"
                            "\"Size\" = DWORD:000000FF\n"
                            "\"Data\"=HEX:0A,0b, \\\n"
                            "   0C\n"
                            "[hkey_local_machine\\software\\app\\Child\\Grand]\n"
                            "@=\"x\"\n"
                            ";  END of saved key \n"
                            "\n";
    QList<SavedKey> keys;
    QString error;
    ASSERT_TRUE(parseSavedKeys(text, &keys, &error)) << qPrintable(error);
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[0].relativePath, "");
    EXPECT_EQ(dwordFromData(keys[0].values[0].data), 255u);
    EXPECT_EQ(keys[0].values[1].data, QByteArray("\x0a\x0b\x0c"));
    EXPECT_EQ(keys[1].relativePath, "Child\\Grand");
    EXPECT_EQ(keys[1].values[0].name, "");
}

TEST(RegistryTextFile, NamesTheLineOfAProblem)
{
    const QList<QPair<QByteArray, QString>> cases = {
        {"Windows Registry Editor Version 5.00\r\n", QStringLiteral("line 1")},
        {"REGEDIT4\r\n\"v\"=\"x\"\r\n", QStringLiteral("before the first key")},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n[HKEY_USERS\\B]\r\n", QStringLiteral("not below")},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"v\"=\"unclosed\r\n", QStringLiteral("line 3")},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"v\"=dword:123456789\r\n", QStringLiteral("dword")},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"v\"=hex:01,\\", QStringLiteral("end of the file")},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"v\"=-\r\n", QStringLiteral("neither")},
        {"REGEDIT4\r\n[-HKEY_USERS\\A]\r\n", QStringLiteral("deletion")},
        {"REGEDIT4\r\n; end of saved key\r\n", QStringLiteral("no key")},
    };
    for (const auto &[text, expected] : cases) {
        QList<SavedKey> keys;
        QString error;
        EXPECT_FALSE(parseSavedKeys(text, &keys, &error)) << text.constData();
        EXPECT_TRUE(error.contains(expected)) << qPrintable(error);
    }
}

// A file cut anywhere before its end line is refused, with the line where
// it stops, never read as the keys and values before the cut.
TEST(RegistryTextFile, EveryCutOfASavedFileIsRefused)
{
    QList<SavedKey> keys(3);
    keys[0].values = {{QStringLiteral("Text"), REG_SZ, stringData(QStringLiteral("abc"))},
                      {QStringLiteral("N"), REG_DWORD, dwordData(0x12345678)},
                      {QStringLiteral("List"), REG_MULTI_SZ, multiStringData({QStringLiteral("one"), QStringLiteral("two")})},
                      {QStringLiteral("Blob"), REG_BINARY, QByteArray(60, '\x11')}};
    keys[1].relativePath = QStringLiteral("Sub");
    keys[2].relativePath = QStringLiteral("Sub\\Deeper");
    keys[2].values = {{QString(), REG_SZ, stringData(QStringLiteral("d"))}};
    const QByteArray text = formatSavedKeys(QStringLiteral("HKEY_USERS\\K"), keys);
    const qsizetype endLine = text.lastIndexOf("; end of saved key");
    ASSERT_GT(endLine, 0);
    QList<SavedKey> back;
    QString error;
    ASSERT_TRUE(parseSavedKeys(text, &back, &error)) << qPrintable(error);
    for (qsizetype cut = 0; cut < endLine + 18; ++cut) {
        EXPECT_FALSE(parseSavedKeys(text.left(cut), &back, &error)) << "accepted a cut at byte " << cut;
        EXPECT_TRUE(error.startsWith(QStringLiteral("line "))) << qPrintable(error);
    }
    // Cutting only the final line break leaves the file whole.
    EXPECT_TRUE(parseSavedKeys(text.left(endLine + 18), &back, &error)) << qPrintable(error);
}

TEST(RegistryTextFile, RefusesIncompleteOrMalformedValues)
{
    const QByteArray head = "REGEDIT4\r\n\r\n[HKEY_USERS\\A]\r\n";
    const QByteArray end = "\r\n; end of saved key\r\n";
    const QList<QPair<QByteArray, QString>> cases = {
        {"\"v\"=hex:00,01,0", QStringLiteral("line 4")},             // a byte of one digit
        {"\"v\"=hex:00,001", QStringLiteral("line 4")},              // of three
        {"\"v\"=hex:00,01,", QStringLiteral("line 4")},              // a comma and nothing after it
        {"\"v\"=hex:00,,01", QStringLiteral("line 4")},
        {"\"v\"=hex:+1,02", QStringLiteral("line 4")},
        {"\"v\"=dword:ffff", QStringLiteral("line 4")},              // not eight digits
        {"\"v\"=dword:0000ffff0", QStringLiteral("line 4")},
        {"\"v\"=dword:+000ffff", QStringLiteral("line 4")},
        {"\"v\"=hex(7):61,00,\\\r\n\r\n\"w\"=\"x\"", QStringLiteral("line 5")},   // a continuation lost
        {"\"v\"=hex(7):61,00,\\\r\n\"w\"=\"x\"", QStringLiteral("line 5")},
        {"\"v\"=hex(7):61,00,\\\r\n[HKEY_USERS\\A\\B]", QStringLiteral("line 5")},
        {"\"v\"=\"a\\x+1\"", QStringLiteral("line 4")},             // escapes take two hex digits
        {"\"v\"=\"a\\x1\"", QStringLiteral("line 4")},
        {"\"v\"=\"a\\q\"", QStringLiteral("line 4")},               // and only \\, \" and \x
        {"\"v\\x+1\"=\"a\"", QStringLiteral("line 4")},
        {"\"v\"=\"a\" junk", QStringLiteral("line 4")},
        {"\"v\"=hex(fffffffff):00", QStringLiteral("line 4")},
        {"\"v\"=\"\xff\xfe\"", QStringLiteral("line 4")},           // not UTF-8
        {"\"v\"=\"x\"\r\n; end of saved key\r\n\"w\"=\"y\"", QStringLiteral("line 6")},   // after the end
    };
    for (const auto &[body, expected] : cases) {
        QList<SavedKey> keys;
        QString error;
        EXPECT_FALSE(parseSavedKeys(head + body + end, &keys, &error)) << body.constData();
        EXPECT_TRUE(error.startsWith(expected)) << body.constData() << ": " << qPrintable(error);
    }
    // The same values written whole are read.
    QList<SavedKey> keys;
    QString error;
    ASSERT_TRUE(parseSavedKeys(head + "\"v\"=hex:00,01,0a\r\n\"d\"=dword:0000ffff\r\n\"s\"=\"a\\x01\"" + end, &keys, &error))
        << qPrintable(error);
    EXPECT_EQ(keys[0].values[0].data, QByteArray("\x00\x01\x0a", 3));
    EXPECT_EQ(dwordFromData(keys[0].values[1].data), 0xffffu);
    EXPECT_EQ(keys[0].values[2].data, QByteArray("a\x01\0", 3));
}
