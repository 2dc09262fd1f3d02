// Decrypting password-protected ACE databases: the two real files (RC4
// CryptoAPI and agile AES), the password, the memory image, and the
// variants no real file here holds (standard AES, 40-bit RC4), encrypted
// by this test from a plain ACE file.
#include "AceFiles.h"

#include "reader/acecrypt/AceDecryption.h"
#include "reader/acecrypt/EncryptionInfo.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <openssl/evp.h>
#include <openssl/provider.h>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace acecrypt;
using namespace acetest;
using Strings = std::vector<std::string>;

namespace {

const char *const RealFiles[] = {"ace14-encrypted-standard.accdb", "ace14-encrypted-agile.accdb"};

std::string corpus(const char *name) { return testDataPath(QString::fromLatin1(name)).toStdString(); }

// The real file `name` with `extra` bytes of pages that hold something
// (not zeros) after it: each is decrypted and kept.
Bytes longCopy(const char *name, std::size_t extra)
{
    Bytes bytes = readAll(testDataPath(QString::fromLatin1(name)));
    bytes.resize(bytes.size() + extra, 0x5A);
    return bytes;
}

AceCryptoError::Kind refusal(const std::string &path, std::string_view password)
{
    AceCryptoError error;
    EXPECT_FALSE(decryptAceFile(path, password, error));
    return error.kind;
}

}  // namespace

TEST(AceRealFiles, DecryptWithTheRightPasswordAndListTable1AsMdbSchemaDoes)
{
    TABULO_NEED_TESTDATA();
    for (const char *name : RealFiles) {
        SCOPED_TRACE(name);
        AceCryptoError error;
        const auto image = decryptAceFile(corpus(name), "password", error);
        ASSERT_TRUE(image) << error.message;
        const Design design = readDesign(image->path());
        EXPECT_EQ(design.tables, Strings{"Table1"});
        EXPECT_EQ(design.columns, (Strings{"ID Long Integer", "Data Text (255)"}));
        EXPECT_EQ(design.rows, (Strings{"1|One", "2|Two", "3|Three"}));  // the data pages decrypt too
    }
}

TEST(AceRealFiles, TheStandardFileIsRc4CryptoApiAndTheAgileOneAes256WithSha512)
{
    TABULO_NEED_TESTDATA();
    AceCryptoError error;
    const auto standard = readEncryptionInfo(readAll(testDataPath("ace14-encrypted-standard.accdb")), error);
    ASSERT_TRUE(standard) << error.message;
    const auto &binary = std::get<BinaryEncryption>(standard->scheme);
    EXPECT_EQ(binary.cipher, BinaryEncryption::Cipher::Rc4);
    EXPECT_EQ(binary.keyBits, 128);

    const auto agileInfo = readEncryptionInfo(readAll(testDataPath("ace14-encrypted-agile.accdb")), error);
    ASSERT_TRUE(agileInfo) << error.message;
    const auto &agile = std::get<AgileEncryption>(agileInfo->scheme);
    EXPECT_EQ(agile.data.keyBits, 256);
    EXPECT_EQ(EVP_MD_get_type(agile.data.hash), NID_sha512);
    EXPECT_EQ(agile.spinCount, 100'000u);
}

TEST(AceRealFiles, AWrongOrMissingPasswordIsRefusedAsSuch)
{
    TABULO_NEED_TESTDATA();
    for (const char *name : RealFiles) {
        SCOPED_TRACE(name);
        for (const char *password : {"wrong", "", "Password", "password "}) {
            AceCryptoError error;
            EXPECT_FALSE(decryptAceFile(corpus(name), password, error)) << password;
            EXPECT_EQ(error.kind, AceCryptoError::Kind::WrongPassword) << password;
            EXPECT_EQ(error.message, "wrong or missing password");
        }
    }
}

TEST(AceRealFiles, TheImageIsASealedMemoryFileThatLibmdbTakesForPlain)
{
    TABULO_NEED_TESTDATA();
    AceCryptoError error;
    const auto image = decryptAceFile(corpus(RealFiles[1]), "password", error);
    ASSERT_TRUE(image) << error.message;
    char target[256] = {};
    ASSERT_GT(::readlink(image->path().c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target).rfind("/memfd:", 0), 0u) << target;
    const char byte = 0;
    EXPECT_EQ(::pwrite(image->fd(), &byte, 1, 0), -1);

    EXPECT_TRUE(isEncryptedAceFile(corpus(RealFiles[0])));
    EXPECT_TRUE(isEncryptedAceFile(corpus(RealFiles[1])));
    EXPECT_FALSE(isEncryptedAceFile(image->path()));  // its encoding key is cleared
    EXPECT_FALSE(isEncryptedAceFile(corpus("ace14-types.accdb")));
    EXPECT_FALSE(isEncryptedAceFile(corpus("jet4-password.mdb")));
}

TEST(AceRealFiles, AFileShortenedWhileItIsDecryptedIsSaidToHaveEndedEarly)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = writeFile(dir, "long.accdb", longCopy(RealFiles[1], 64 << 20));
    // Once the image exists the pages are being decrypted: the file is cut then.
    std::atomic<bool> done = false;
    std::thread cutter([&] {
        const auto imageMade = [] {
            for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd")) {
                std::error_code failed;
                if (std::filesystem::read_symlink(fd.path(), failed).string().find("tabulo-ace-image") !=
                    std::string::npos)
                    return true;
            }
            return false;
        };
        while (!done && !imageMade())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::truncate(path.c_str(), 16 * 4096);
    });
    AceCryptoError error;
    const auto image = decryptAceFile(path, "password", error);
    done = true;
    cutter.join();
    EXPECT_FALSE(image);
    EXPECT_EQ(error.kind, AceCryptoError::Kind::Unreadable);
    EXPECT_NE(error.message.find("the file ended early"), std::string::npos) << error.message;
}

TEST(AceRealFiles, ASparseFileCostsOnlyItsPagesAndALongerOneIsBoundedByTheLimit)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string sparse = writeFile(dir, "sparse.accdb", readAll(testDataPath(QString::fromLatin1(RealFiles[1]))));
    ASSERT_EQ(::truncate(sparse.c_str(), off_t(2) << 30), 0);
    AceCryptoError error;
    const auto start = std::chrono::steady_clock::now();
    const auto image = decryptAceFile(sparse, "password", error, 1 << 20);
    ASSERT_TRUE(image) << error.message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    struct stat status {};
    ASSERT_EQ(::fstat(image->fd(), &status), 0);
    EXPECT_EQ(status.st_size, off_t(2) << 30);
    EXPECT_LT(status.st_blocks * 512, 1 << 20);   // the holes stay holes
    EXPECT_EQ(readDesign(image->path()).rows, (Strings{"1|One", "2|Two", "3|Three"}));

    const std::string dense = writeFile(dir, "dense.accdb", longCopy(RealFiles[1], 2 << 20));
    EXPECT_FALSE(decryptAceFile(dense, "password", error, 2 << 20));
    EXPECT_EQ(error.kind, AceCryptoError::Kind::Unreadable);
    EXPECT_NE(error.message.find("more than the reader's memory limit of 2 MiB"), std::string::npos) << error.message;
    EXPECT_TRUE(decryptAceFile(dense, "password", error, 3 << 20)) << error.message;
}

TEST(AcePassword, IsUtf16LittleEndianOfAtMost255Units)
{
    const auto bytes = passwordBytes("p\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xFF");
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()),
              (Bytes{0x70, 0, 0xE4, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0xFD, 0xFF}));
    EXPECT_EQ(passwordBytes(std::string(300, 'a')).size(), 510u);
    EXPECT_EQ(passwordBytes(std::string(254, 'a') + "\xF0\x9F\x98\x80").size(), 508u);  // no half pair
}

namespace {

// Encrypts a plain ACE file as Access does with a binary (x.2) header: the
// test's own rendering of the key derivation, through OpenSSL.
struct Scheme {
    const char *name;
    bool aes;
    int keyBits;         // as stored; 0 takes the provider's default
    int effectiveBits;
    bool aesFlag;        // false with AES: the older form without hash rounds
    const char *provider;
};

Bytes sha1(std::initializer_list<Bytes> parts)
{
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
    for (const Bytes &part : parts)
        EVP_DigestUpdate(ctx, part.data(), part.size());
    Bytes out(20);
    EVP_DigestFinal_ex(ctx, out.data(), nullptr);
    EVP_MD_CTX_free(ctx);
    return out;
}

Bytes le32(std::uint32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }

Bytes encrypt(const Scheme &s, const Bytes &key, const Bytes &data)
{
    OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER_load(nullptr, "default");
    EVP_CIPHER *cipher = EVP_CIPHER_fetch(nullptr, s.aes ? (key.size() == 16 ? "AES-128-ECB" : "AES-256-ECB") : "RC4", nullptr);
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex2(ctx, cipher, nullptr, nullptr, nullptr);
    EVP_CIPHER_CTX_set_key_length(ctx, int(key.size()));
    EVP_EncryptInit_ex2(ctx, nullptr, key.data(), nullptr, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(data.size());
    int n = 0;
    EVP_EncryptUpdate(ctx, out.data(), &n, data.data(), int(data.size()));
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    return out;
}

Bytes encryptFile(const Bytes &plain, const Scheme &s, const Bytes &password)
{
    const Bytes encodingKey{0x5A, 0x13, 0xC4, 0x7E}, salt(16, 0x42);
    Bytes verifier(16);
    for (int i = 0; i < 16; ++i)
        verifier[std::size_t(i)] = std::uint8_t(0xA0 + i);
    Bytes spun = sha1({salt, password});
    for (std::uint32_t i = 0; s.aes && s.aesFlag && i < 50'000; ++i)
        spun = sha1({le32(i), spun});
    auto keyFor = [&](const Bytes &block) {
        Bytes key = sha1({spun, block});
        if (s.aes) {
            Bytes inner(64, 0x36), outer(64, 0x5C);
            for (std::size_t i = 0; i < 20; ++i)
                inner[i] ^= key[i], outer[i] ^= key[i];
            key = sha1({inner});
            const Bytes x2 = sha1({outer});
            key.insert(key.end(), x2.begin(), x2.end());
        }
        key.resize(std::size_t(s.effectiveBits / 8));
        if (!s.aes && s.effectiveBits == 40)
            key.resize(16, 0);
        return key;
    };

    Bytes file = plain;
    for (std::size_t i = 0; i < 4; ++i)
        file[0x3E + i] ^= encodingKey[i];  // plain key 0: the RC4 stream then decrypts to encodingKey
    for (std::size_t page = 1; page < file.size() / 4096; ++page) {
        Bytes block = le32(std::uint32_t(page));
        for (std::size_t i = 0; i < 4; ++i)
            block[i] ^= encodingKey[i];
        const Bytes in(file.begin() + std::ptrdiff_t(page * 4096), file.begin() + std::ptrdiff_t((page + 1) * 4096));
        const Bytes out = encrypt(s, keyFor(block), in);
        std::copy(out.begin(), out.end(), file.begin() + std::ptrdiff_t(page * 4096));
    }

    const std::uint32_t flags = 0x04 | (s.aesFlag ? 0x20 : 0);
    Bytes header(32, 0);
    put32(header, 0, flags);
    put32(header, 8, s.aes ? (s.keyBits == 256 ? 0x6610 : 0x660E) : 0x6801);
    put32(header, 12, 0x8004);
    put32(header, 16, std::uint32_t(s.keyBits));
    for (const char *c = s.provider; ; ++c) {
        header.push_back(std::uint8_t(*c));
        header.push_back(0);
        if (!*c)
            break;
    }
    Bytes info(12, 0);
    info[0] = 4, info[2] = 2;
    put32(info, 4, flags);
    put32(info, 8, std::uint32_t(header.size()));
    info.insert(info.end(), header.begin(), header.end());
    Bytes verifierPart = le32(16);
    verifierPart.insert(verifierPart.end(), salt.begin(), salt.end());
    Bytes hash = sha1({verifier});
    Bytes sealed;
    if (s.aes) {
        hash.resize(32, 0);
        sealed = encrypt(s, keyFor(le32(0)), verifier);
        const Bytes sealedHash = encrypt(s, keyFor(le32(0)), hash);
        sealed.insert(sealed.end(), sealedHash.begin(), sealedHash.end());
    } else {
        Bytes both = verifier;
        both.insert(both.end(), hash.begin(), hash.end());
        sealed = encrypt(s, keyFor(le32(0)), both);  // one RC4 stream over both
    }
    verifierPart.insert(verifierPart.end(), sealed.begin(), sealed.begin() + 16);
    const Bytes hashSize = le32(20);
    verifierPart.insert(verifierPart.end(), hashSize.begin(), hashSize.end());
    verifierPart.insert(verifierPart.end(), sealed.begin() + 16, sealed.end());
    info.insert(info.end(), verifierPart.begin(), verifierPart.end());
    setEncryptionInfo(file, info);
    return file;
}

}  // namespace

TEST(AceOtherVariants, StandardAesAndFortyBitRc4DecryptToThePlainFile)
{
    TABULO_NEED_TESTDATA();
    const Scheme schemes[] = {
        {"standard AES-128", true, 128, 128, true, "Microsoft Enhanced RSA and AES Cryptographic Provider"},
        {"standard AES-256", true, 256, 256, true, "Microsoft Enhanced RSA and AES Cryptographic Provider"},
        {"AES-128 without hash rounds", true, 128, 128, false, "Microsoft Enhanced RSA and AES Cryptographic Provider"},
        {"RC4 40-bit by default", false, 0, 40, false, "Microsoft Base Cryptographic Provider v1.0"},
        {"RC4 56-bit", false, 56, 56, false, "Microsoft Strong Cryptographic Provider"},
    };
    const QString plainPath = testDataPath("ace14-types.accdb");
    const Design plain = readDesign(plainPath.toStdString());
    ASSERT_EQ(plain.tables.size(), 4u);
    QTemporaryDir dir;
    for (const Scheme &scheme : schemes) {
        SCOPED_TRACE(scheme.name);
        const auto password = passwordBytes("s\xC3\xA9same");
        const std::string path = writeFile(dir, "variant.accdb",
                                           encryptFile(readAll(plainPath), scheme, Bytes(password.begin(), password.end())));
        AceCryptoError error;
        const auto image = decryptAceFile(path, "s\xC3\xA9same", error);
        ASSERT_TRUE(image) << error.message;
        const Design design = readDesign(image->path());
        EXPECT_EQ(design.tables, plain.tables);
        EXPECT_EQ(design.columns, plain.columns);
        EXPECT_EQ(design.rows, plain.rows);
        EXPECT_EQ(refusal(path, "sesame"), AceCryptoError::Kind::WrongPassword);
    }
}
