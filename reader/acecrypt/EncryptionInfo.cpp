#include "reader/acecrypt/EncryptionInfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace acecrypt {
namespace {

constexpr std::size_t HeaderStart = 0x18;     // the RC4-encrypted part of page 0
constexpr std::size_t HeaderLength = 128;
constexpr std::size_t EncodingKeyOffset = 0x3E;
constexpr std::size_t InfoOffset = 0x299;     // 16-bit length, then the EncryptionInfo
constexpr std::uint8_t HeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};

// EncryptionHeader flags.
constexpr std::uint32_t FlagCryptoApi = 0x04;
constexpr std::uint32_t FlagExternal = 0x10;
constexpr std::uint32_t FlagAes = 0x20;

constexpr std::uint32_t AlgRc4 = 0x6801, AlgAes128 = 0x660E, AlgAes192 = 0x660F, AlgAes256 = 0x6610;
constexpr std::uint32_t AlgSha1 = 0x8004;
constexpr std::uint32_t StandardSpinCount = 50'000;

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string number(std::uint32_t value) { return std::to_string(value); }

// Reads little-endian fields in order; every read stays inside the bytes.
class Cursor {
public:
    explicit Cursor(ByteView bytes) : bytes_(bytes) {}
    std::size_t left() const { return bytes_.size() - pos_; }
    bool u16(std::uint32_t &out)
    {
        if (left() < 2)
            return false;
        out = std::uint32_t(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool u32(std::uint32_t &out)
    {
        if (left() < 4)
            return false;
        out = 0;
        for (int i = 3; i >= 0; --i)
            out = (out << 8) | bytes_[pos_ + std::size_t(i)];
        pos_ += 4;
        return true;
    }
    bool take(std::size_t n, Bytes &out)
    {
        if (left() < n)
            return false;
        out.assign(bytes_.begin() + std::ptrdiff_t(pos_), bytes_.begin() + std::ptrdiff_t(pos_ + n));
        pos_ += n;
        return true;
    }
    ByteView rest() const { return bytes_.subspan(pos_); }

private:
    ByteView bytes_;
    std::size_t pos_ = 0;
};

// Whether the CSP name (UTF-16, NUL-terminated) names a "Base" provider,
// whose RC4 keys default to 40 bits.
bool baseProvider(ByteView cspName)
{
    std::string ascii;
    for (std::size_t i = 0; i + 1 < cspName.size(); i += 2) {
        const unsigned unit = cspName[i] | (cspName[i + 1] << 8);
        if (unit == 0)
            break;
        ascii.push_back(unit < 0x80 ? char(std::tolower(int(unit))) : '?');
    }
    const auto first = ascii.find_first_not_of(' ');
    return first == std::string::npos || ascii.find(" base ") != std::string::npos;
}

std::optional<BinaryEncryption> readBinary(Cursor &in, std::uint32_t major, AceCryptoError &error)
{
    const std::string version = number(major) + ".2";
    std::uint32_t infoFlags = 0, headerSize = 0;
    if (!in.u32(infoFlags) || !in.u32(headerSize))
        return error.damaged("the EncryptionInfo ends before its header"), std::nullopt;
    if (!(infoFlags & FlagCryptoApi))
        return error.unknownVariant("version " + version + " without the CryptoAPI flag"), std::nullopt;
    if (headerSize < 32 || headerSize > in.left())
        return error.damaged("header size " + number(headerSize) + " does not fit the EncryptionInfo"), std::nullopt;

    Bytes headerBytes;
    in.take(headerSize, headerBytes);
    Cursor header(headerBytes);
    std::uint32_t flags = 0, sizeExtra = 0, algId = 0, hashId = 0, keySize = 0, providerType = 0, reserved1 = 0,
                  reserved2 = 0;
    header.u32(flags), header.u32(sizeExtra), header.u32(algId), header.u32(hashId);
    header.u32(keySize), header.u32(providerType), header.u32(reserved1), header.u32(reserved2);

    BinaryEncryption result;
    int aesBits = 0;
    switch (algId) {
    case 0:
        if (flags & FlagExternal)
            return error.unknownVariant("external encryption provider"), std::nullopt;
        if (!(flags & FlagCryptoApi))
            return error.damaged("no encryption algorithm is named"), std::nullopt;
        aesBits = (flags & FlagAes) ? 128 : 0;
        break;
    case AlgRc4: break;
    case AlgAes128: aesBits = 128; break;
    case AlgAes192: aesBits = 192; break;
    case AlgAes256: aesBits = 256; break;
    default: return error.unknownVariant("encryption algorithm " + hex(algId)), std::nullopt;
    }
    if (hashId != 0 && hashId != AlgSha1)
        return error.unknownVariant("hash algorithm " + hex(hashId)), std::nullopt;
    if (hashId == 0 && (flags & FlagExternal))
        return error.unknownVariant("external hash provider"), std::nullopt;

    if (aesBits == 0) {
        if (infoFlags & FlagAes)
            return error.damaged("the AES flag is set for RC4"), std::nullopt;
        result.cipher = BinaryEncryption::Cipher::Rc4;
        if (keySize == 0)
            keySize = baseProvider(header.rest()) ? 40 : 128;
        if (keySize < 40 || keySize > 128 || keySize % 8 != 0)
            return error.damaged("RC4 key size " + number(keySize) + " bits (40 to 128 fit)"), std::nullopt;
    } else {
        result.cipher = BinaryEncryption::Cipher::Aes;
        // Without the AES flag the file holds the older form of standard
        // AES, whose password key is hashed without further rounds.
        result.spinCount = (infoFlags & FlagAes) ? StandardSpinCount : 0;
        if (keySize == 0)
            keySize = std::uint32_t(aesBits);
        if (keySize != std::uint32_t(aesBits))
            return error.damaged("key size " + number(keySize) + " bits does not fit AES-" + number(aesBits)), std::nullopt;
    }
    result.keyBits = int(keySize);

    std::uint32_t saltSize = 0;
    if (!in.u32(saltSize))
        return error.damaged("the verifier is missing"), std::nullopt;
    if (saltSize != 16)
        return error.damaged("salt size " + number(saltSize) + " (it must be 16)"), std::nullopt;
    const std::size_t hashBytes = result.cipher == BinaryEncryption::Cipher::Rc4 ? 20 : 32;
    if (!in.take(16, result.salt) || !in.take(16, result.encryptedVerifier) ||
        !in.u32(result.verifierHashSize) || !in.take(hashBytes, result.encryptedVerifierHash))
        return error.damaged("the verifier runs past the EncryptionInfo"), std::nullopt;
    if (result.verifierHashSize != 20)
        return error.damaged("verifier hash size " + number(result.verifierHashSize) + " (SHA-1 gives 20)"), std::nullopt;
    return result;
}

}  // namespace

std::optional<std::array<std::uint8_t, 4>> aceEncodingKey(ByteView firstPage, bool *available)
{
    if (available)
        *available = true;
    static constexpr std::uint8_t start[4] = {0x00, 0x01, 0x00, 0x00};
    if (firstPage.size() < HeaderStart + HeaderLength || std::memcmp(firstPage.data(), start, 4) != 0 ||
        (std::memcmp(firstPage.data() + 4, "Standard ACE DB", 16) != 0 &&
         std::memcmp(firstPage.data() + 4, "Standard Jet DB", 16) != 0) ||
        firstPage[0x14] < 2)
        return std::nullopt;

    std::uint8_t header[HeaderLength];
    Decrypter rc4;
    if (!rc4.decrypt(rc4Cipher(), HeaderKey, {}, firstPage.subspan(HeaderStart, HeaderLength), header)) {
        if (available)
            *available = false;
        return std::nullopt;
    }
    std::array<std::uint8_t, 4> key;
    std::copy_n(header + (EncodingKeyOffset - HeaderStart), 4, key.begin());
    if (std::all_of(key.begin(), key.end(), [](std::uint8_t b) { return b == 0; }))
        return std::nullopt;
    return key;
}

std::optional<EncryptionInfo> readEncryptionInfo(ByteView firstPage, AceCryptoError &error)
{
    bool available = true;
    const auto key = aceEncodingKey(firstPage, &available);
    if (!key) {
        if (!available)
            error.set(AceCryptoError::Kind::UnknownVariant,
                      "RC4 is not available: OpenSSL's legacy provider is not installed");
        else
            error.damaged("the file is not an encrypted ACE database");
        return std::nullopt;
    }
    if (firstPage.size() < AcePageSize)
        return error.damaged("the first page is incomplete"), std::nullopt;

    Cursor page(firstPage.subspan(InfoOffset, AcePageSize - InfoOffset));
    std::uint32_t length = 0;
    page.u16(length);
    Bytes infoBytes;
    if (!page.take(length, infoBytes))
        return error.damaged("its length (" + number(length) + " bytes) runs past the first page"), std::nullopt;
    Cursor info(infoBytes);
    std::uint32_t major = 0, minor = 0;
    if (!info.u16(major) || !info.u16(minor))
        return error.damaged("the EncryptionInfo is too short to hold its version"), std::nullopt;
    const std::string version = number(major) + "." + number(minor);

    EncryptionInfo result;
    result.encodingKey = *key;
    if (major == 4 && minor == 4) {
        std::uint32_t reserved = 0;
        if (!info.u32(reserved) || reserved != 0x40)
            return error.damaged("the agile header does not start with 0x40"), std::nullopt;
        auto agile = readAgileDescriptor(info.rest(), error);
        if (!agile)
            return std::nullopt;
        result.scheme = std::move(*agile);
        return result;
    }
    if (minor == 2 && major >= 2 && major <= 4) {
        auto binary = readBinary(info, major, error);
        if (!binary)
            return std::nullopt;
        result.scheme = std::move(*binary);
        return result;
    }
    if (minor == 3 && (major == 3 || major == 4))
        return error.unknownVariant("extensible encryption, version " + version), std::nullopt;
    if (major == 1 && minor == 1)
        return error.unknownVariant("Office binary RC4, version 1.1"), std::nullopt;
    return error.unknownVariant("version " + version), std::nullopt;
}

}  // namespace acecrypt
