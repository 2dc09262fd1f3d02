// Damaged and hostile encryption headers, made by changing copies of the
// two real files: each gives one clear error, quickly, and never a crash.
#include "AceFiles.h"

#include "reader/acecrypt/AceDecryption.h"
#include "reader/acecrypt/EncryptionInfo.h"
#include "reader/acecrypt/PageCipher.h"

#include <chrono>
#include <random>
#include <gtest/gtest.h>

using namespace acecrypt;
using namespace acetest;
using Kind = AceCryptoError::Kind;

namespace {

struct Case {
    const char *what;
    std::function<void(Bytes &info)> damage;
    Kind kind;
    const char *message;  // a part of the error message
};

void replaceAll(Bytes &info, const std::string &from, const std::string &to)
{
    std::string text(info.begin(), info.end());
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    info.assign(text.begin(), text.end());
}

auto xml(const char *from, const char *to)
{
    return [=](Bytes &info) { replaceAll(info, from, to); };
}

auto field(std::size_t at, std::uint32_t value)
{
    return [=](Bytes &info) { put32(info, at, value); };
}

void expectRefusals(const char *file, const std::vector<Case> &cases)
{
    TABULO_NEED_TESTDATA();
    const Bytes original = readAll(testDataPath(QString::fromLatin1(file)));
    ASSERT_FALSE(original.empty());
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes damaged = original, info = encryptionInfo(original);
        c.damage(info);
        setEncryptionInfo(damaged, info);
        AceCryptoError error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(decryptAceFile(writeFile(dir, "damaged.accdb", damaged), "password", error));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(error.kind, c.kind) << error.message;
        EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
    }
}

// The agile EncryptionInfo: version (4), reserved 0x40 (4), the XML.
constexpr std::size_t XmlStart = 8;

}  // namespace

TEST(AceDamagedHeader, AgileDescriptorFaultsAreNamed)
{
    expectRefusals("ace14-encrypted-agile.accdb", {
        {"truncated descriptor", [](Bytes &i) { i.resize(XmlStart + 700); }, Kind::DamagedHeader, "not well-formed"},
        {"not XML at all", [](Bytes &i) { std::fill(i.begin() + XmlStart, i.end(), 0xFF); }, Kind::DamagedHeader,
         "not well-formed"},
        {"spin count above the cap", xml("spinCount=\"100000\"", "spinCount=\"4000000000\""), Kind::DamagedHeader,
         "spinCount 4000000000 is outside 0 to 1000000"},
        {"negative spin count", xml("spinCount=\"100000\"", "spinCount=\"-1\""), Kind::DamagedHeader, "spinCount"},
        {"key size AES has not", xml("keyBits=\"256\"", "keyBits=\"200\""), Kind::DamagedHeader,
         "keyBits 200 does not fit AES"},
        {"huge key size", xml("keyBits=\"256\"", "keyBits=\"99999999999999999999\""), Kind::DamagedHeader, "keyBits"},
        {"salt shorter than its size", xml("saltSize=\"16\"", "saltSize=\"20\""), Kind::DamagedHeader,
         "the salt has 16 bytes, saltSize says 20"},
        {"huge salt size", xml("saltSize=\"16\"", "saltSize=\"65536\""), Kind::DamagedHeader, "saltSize"},
        {"hash size SHA-512 has not", xml("hashSize=\"64\"", "hashSize=\"20\""), Kind::DamagedHeader, "hashSize"},
        {"salt not base64", xml("saltValue=\"DAyc3C2Oxxe+SnWgRTYBQQ==\"", "saltValue=\"#$%\""), Kind::DamagedHeader,
         "saltValue is not base64"},
        {"encrypted key too short", xml("encryptedKeyValue=\"", "encryptedKeyValue=\"AAAAAAAAAAAAAAAAAAAAAA==\" x=\""),
         Kind::DamagedHeader, "encryptedKeyValue has 16 bytes"},
        {"missing attribute", xml("cipherChaining=", "chaining="), Kind::DamagedHeader, "cipherChaining is missing"},
        {"document type with entities",
         xml("?>", "?><!DOCTYPE encryption [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>"),
         Kind::DamagedHeader, "document type declaration"},
        {"another root", xml("<encryption xmlns=", "<decryption xmlns="), Kind::DamagedHeader, "root is not <encryption>"},
        {"no password key", xml("p:encryptedKey", "p:otherKey"), Kind::DamagedHeader, "password <p:encryptedKey> is missing"},
        {"reserved value", field(4, 0x41), Kind::DamagedHeader, "0x40"},
        {"cipher", xml("cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"DES\""), Kind::UnknownVariant,
         "unknown encryption variant: agile DES ChainingModeCBC"},
        {"chaining", xml("ChainingModeCBC", "ChainingModeCFB"), Kind::UnknownVariant, "ChainingModeCFB"},
        {"hash", xml("SHA512", "MD4"), Kind::UnknownVariant, "unknown encryption variant: agile hash MD4"},
        {"certificate only", xml("keyEncryptor/password\">", "keyEncryptor/certificate\">"), Kind::UnknownVariant,
         "certificate"},
        {"extensible", [](Bytes &i) { i[2] = 3; }, Kind::UnknownVariant, "extensible encryption, version 4.3"},
        {"Office binary RC4", [](Bytes &i) { i[0] = 1, i[2] = 1; }, Kind::UnknownVariant, "version 1.1"},
    });
}

// The binary EncryptionInfo: version, flags, header size, the header from 12
// (flags, sizeExtra, algId 20, hash 24, key size 28, ...; 126 bytes here),
// then the verifier from 138 (salt size, salt, verifier, hash size 174, hash).
TEST(AceDamagedHeader, ASpinCountAboveTheCapIsRefusedAtOnceNamingTheCap)
{
    TABULO_NEED_TESTDATA();
    // Ten times what Access writes: seconds of hashing before a wrong
    // password could be told.
    AceCryptoError error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(decryptAceFile(testDataPath(QStringLiteral("damaged/ace-spin-count-10m.accdb")).toStdString(),
                                "password", error));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(error.kind, Kind::DamagedHeader);
    EXPECT_NE(error.message.find("spinCount 10000000 is outside 0 to 1000000"), std::string::npos) << error.message;
}

TEST(AceDamagedHeader, BinaryHeaderFaultsAreNamed)
{
    expectRefusals("ace14-encrypted-standard.accdb", {
        {"RC4 key too long", field(28, 200), Kind::DamagedHeader, "RC4 key size 200 bits"},
        {"key size not whole bytes", field(28, 44), Kind::DamagedHeader, "RC4 key size 44 bits"},
        {"salt size", field(138, 12), Kind::DamagedHeader, "salt size 12 (it must be 16)"},
        {"huge header size", field(8, 0xFFFFFFFF), Kind::DamagedHeader, "header size 4294967295 does not fit"},
        {"verifier cut off", [](Bytes &i) { i.resize(150); }, Kind::DamagedHeader, "the verifier runs past"},
        {"verifier hash size", field(174, 32), Kind::DamagedHeader, "verifier hash size 32"},
        {"AES flag with RC4", field(4, 0x24), Kind::DamagedHeader, "the AES flag is set for RC4"},
        {"AES key size", [](Bytes &i) { put32(i, 4, 0x24), put32(i, 20, 0x660E), put32(i, 28, 256); },
         Kind::DamagedHeader, "key size 256 bits does not fit AES-128"},
        {"algorithm", field(20, 0x1234), Kind::UnknownVariant, "encryption algorithm 0x1234"},
        {"hash", field(24, 0x800C), Kind::UnknownVariant, "hash algorithm 0x800C"},
        {"no CryptoAPI flag", field(4, 0x08), Kind::UnknownVariant, "without the CryptoAPI flag"},
        {"too short for a version", [](Bytes &i) { i.resize(3); }, Kind::DamagedHeader, "too short"},
    });
}

TEST(AceDamagedHeader, ALengthPastThePageOrATruncatedFileIsRefused)
{
    TABULO_NEED_TESTDATA();
    const Bytes original = readAll(testDataPath("ace14-encrypted-standard.accdb"));
    QTemporaryDir dir;
    Bytes longInfo = original;
    longInfo[InfoOffset] = 0xFF, longInfo[InfoOffset + 1] = 0xFF;
    AceCryptoError error;
    EXPECT_FALSE(decryptAceFile(writeFile(dir, "long.accdb", longInfo), "password", error));
    EXPECT_EQ(error.message, "damaged encryption header: its length (65535 bytes) runs past the first page");

    for (std::size_t size : {std::size_t(0), std::size_t(100), std::size_t(4096 + 100), original.size() - 1}) {
        SCOPED_TRACE(size);
        AceCryptoError cut;
        EXPECT_FALSE(decryptAceFile(writeFile(dir, "cut.accdb", Bytes(original.begin(), original.begin() + std::ptrdiff_t(size))),
                                    "password", cut));
        EXPECT_EQ(cut.kind, Kind::Unreadable);
        EXPECT_NE(cut.message.find("truncated"), std::string::npos) << cut.message;
    }
    AceCryptoError missing;
    EXPECT_FALSE(decryptAceFile(dir.filePath("none.accdb").toStdString(), "password", missing));
    EXPECT_EQ(missing.kind, Kind::Unreadable);
}

// Random damage to the first page's EncryptionInfo: every outcome is a
// refusal with a message or a cipher, never a crash or a long wait. The
// agile file's spin count is lowered first so that descriptors that still
// parse are quick to check.
TEST(AceDamagedHeader, RandomDamageGivesAnErrorOrACipher)
{
    TABULO_NEED_TESTDATA();
    std::mt19937 random(20);
    for (const char *file : {"ace14-encrypted-standard.accdb", "ace14-encrypted-agile.accdb"}) {
        SCOPED_TRACE(file);
        Bytes page = readAll(testDataPath(QString::fromLatin1(file)));
        page.resize(AcePageSize);
        Bytes info = encryptionInfo(page);
        replaceAll(info, "spinCount=\"100000\"", "spinCount=\"10\"");
        for (int round = 0; round < 1500; ++round) {
            Bytes damaged = info;
            for (int n = 1 + int(random() % 4); n > 0; --n)
                damaged[random() % damaged.size()] = std::uint8_t(random());
            if (random() % 4 == 0)
                damaged.resize(random() % damaged.size());
            Bytes copy = page;
            setEncryptionInfo(copy, damaged);
            AceCryptoError error;
            const auto parsed = readEncryptionInfo(copy, error);
            if (parsed && unlockPages(*parsed, passwordBytes("password"), error))
                continue;
            EXPECT_NE(error.kind, Kind::None);
            EXPECT_FALSE(error.message.empty());
        }
    }
}
