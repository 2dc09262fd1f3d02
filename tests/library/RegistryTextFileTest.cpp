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
              "\r\n");
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
                            "\"Size\" = DWORD:FF\n"
                            "\"Data\"=HEX:0A,0b, \\\n"
                            "   0C\n"
                            "[hkey_local_machine\\software\\app\\Child\\Grand]\n"
                            "@=\"x\"\n";
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
        {"REGEDIT4\r\n", QStringLiteral("no key")},
    };
    for (const auto &[text, expected] : cases) {
        QList<SavedKey> keys;
        QString error;
        EXPECT_FALSE(parseSavedKeys(text, &keys, &error)) << text.constData();
        EXPECT_TRUE(error.contains(expected)) << qPrintable(error);
    }
}
