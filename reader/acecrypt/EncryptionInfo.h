#pragma once
// The encryption header of an encrypted ACE database, read from its first
// page with every size checked against the page.
//
// Page 0 keeps, RC4-encrypted with a fixed key, a 32-bit "encoding key" at
// 0x3E: non-zero in an ACE file, the other pages are encrypted. At 0x299
// follows the Office EncryptionInfo: a 16-bit length, the version
// (major.minor) and, by version, a binary header and verifier (2.2, 3.2,
// 4.2: RC4 CryptoAPI or standard AES) or an XML descriptor (4.4: agile).

#include "reader/acecrypt/AceCryptoError.h"
#include "reader/acecrypt/Crypto.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace acecrypt {

constexpr std::size_t AcePageSize = 4096;

// The most hash rounds a password key may ask for. Access writes 100,000;
// a million costs a few tenths of a second of SHA-512, and anything above is
// refused at once so that a hostile file cannot make the reader spin for
// seconds before a wrong password is told.
constexpr std::uint32_t MaxSpinCount = 1'000'000;

// 2.2, 3.2 or 4.2: the binary EncryptionHeader and EncryptionVerifier.
struct BinaryEncryption {
    enum class Cipher { Rc4, Aes };
    Cipher cipher = Cipher::Rc4;
    int keyBits = 0;
    std::uint32_t spinCount = 0;  // standard AES: 50,000 (0 in the older "non-standard" form)
    Bytes salt;                   // 16 bytes
    Bytes encryptedVerifier;      // 16 bytes
    std::uint32_t verifierHashSize = 0;  // 20 (SHA-1)
    Bytes encryptedVerifierHash;  // 20 bytes (RC4) or 32 (AES)
};

// The parameters of one key in the agile descriptor.
struct AgileKey {
    const EVP_MD *hash = nullptr;
    int hashSize = 0;
    int blockSize = 0;
    int keyBits = 0;
    Bytes salt;
};

// 4.4: the XML descriptor, reduced to what decryption needs.
struct AgileEncryption {
    AgileKey data;      // <keyData>: the key and IVs of the pages
    AgileKey password;  // the password <p:encryptedKey>
    std::uint32_t spinCount = 0;
    Bytes encryptedVerifierHashInput;
    Bytes encryptedVerifierHashValue;
    Bytes encryptedKeyValue;
};

struct EncryptionInfo {
    std::array<std::uint8_t, 4> encodingKey{};  // little-endian, as stored
    std::variant<BinaryEncryption, AgileEncryption> scheme;
};

// The encoding key of an ACE file's first page (at least 0x98 bytes), or
// nothing when the file is not an ACE database or not encrypted. Needs RC4
// (false from `available` when OpenSSL has none).
std::optional<std::array<std::uint8_t, 4>> aceEncodingKey(ByteView firstPage, bool *available = nullptr);

// Reads the encryption header of an encrypted ACE file's whole first page.
std::optional<EncryptionInfo> readEncryptionInfo(ByteView firstPage, AceCryptoError &error);

// The agile XML descriptor (read with Qt's stream reader).
std::optional<AgileEncryption> readAgileDescriptor(ByteView xml, AceCryptoError &error);

}  // namespace acecrypt
