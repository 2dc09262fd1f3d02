#include "reader/acecrypt/PageCipher.h"

#include <algorithm>

namespace acecrypt {
namespace {

std::array<std::uint8_t, 4> blockKey(const std::array<std::uint8_t, 4> &encodingKey, std::uint32_t page)
{
    auto key = littleEndian(page);
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] ^= encodingKey[i];
    return key;
}

// Whether the first `size` bytes of the decrypted verifier hash equal the
// hash of the decrypted verifier (compared in constant time).
bool sameHash(ByteView computed, ByteView stored, std::size_t size)
{
    return computed.size() >= size && stored.size() >= size && sameBytes(computed.data(), stored.data(), size);
}

bool wrongPassword(AceCryptoError &error)
{
    return error.set(AceCryptoError::Kind::WrongPassword, "wrong or missing password");
}

// RC4 CryptoAPI: key = SHA-1(SHA-1(salt || password) || block), cut to the
// key size (a 40-bit key padded with zeros to 128 bits).
class Rc4CryptoApi final : public PageCipher {
public:
    Rc4CryptoApi(const BinaryEncryption &info, ByteView password)
        : info_(info), sha1_(sha1()), base_(sha1_.digest({info.salt, password})) {}

    bool verify()
    {
        SecureBytes verifier(info_.encryptedVerifier.size()), hash(info_.encryptedVerifierHash.size());
        // One RC4 stream runs over the verifier and then its hash.
        if (!rc4_.start(rc4Cipher(), key(littleEndian(0))) || !rc4_.update(info_.encryptedVerifier, verifier.data()) ||
            !rc4_.update(info_.encryptedVerifierHash, hash.data()))
            return false;
        return sameHash(sha1_.digest({verifier}), hash, info_.verifierHashSize);
    }

    bool decryptPage(std::uint32_t number, ByteView in, std::uint8_t *out) override
    {
        return rc4_.decrypt(rc4Cipher(), key(blockKey(encodingKey, number)), {}, in, out);
    }

    std::array<std::uint8_t, 4> encodingKey{};

private:
    SecureBytes key(ByteView block)
    {
        SecureBytes k = fitted(sha1_.digest({base_, block}), std::size_t(info_.keyBits / 8), 0);
        return info_.keyBits == 40 ? fitted(k, 16, 0) : k;
    }

    const BinaryEncryption info_;
    Hasher sha1_;
    SecureBytes base_;
    Decrypter rc4_;
};

// Standard AES: the SHA-1 password hash spun 50,000 times, then per block
// key = (SHA-1(0x36.. XOR Hf) || SHA-1(0x5C.. XOR Hf)) cut to the key size,
// with Hf = SHA-1(spun || block). The pages are in ECB mode.
class StandardAes final : public PageCipher {
public:
    StandardAes(const BinaryEncryption &info, ByteView password)
        : info_(info), sha1_(sha1()), spun_(sha1_.spun(info.salt, password, info.spinCount)),
          cipher_(aesCipher(info.keyBits, false)) {}

    bool verify()
    {
        SecureBytes verifier(info_.encryptedVerifier.size()), hash(info_.encryptedVerifierHash.size());
        const SecureBytes k = key(littleEndian(0));
        if (!aes_.decrypt(cipher_, k, {}, info_.encryptedVerifier, verifier.data()) ||
            !aes_.decrypt(cipher_, k, {}, info_.encryptedVerifierHash, hash.data()))
            return false;
        return sameHash(sha1_.digest({verifier}), hash, info_.verifierHashSize);
    }

    bool decryptPage(std::uint32_t number, ByteView in, std::uint8_t *out) override
    {
        return aes_.decrypt(cipher_, key(blockKey(encodingKey, number)), {}, in, out);
    }

    std::array<std::uint8_t, 4> encodingKey{};

private:
    SecureBytes key(ByteView block)
    {
        const SecureBytes final = sha1_.digest({spun_, block});
        SecureBytes inner(64, 0x36), outer(64, 0x5C);
        for (std::size_t i = 0; i < final.size(); ++i) {
            inner[i] ^= final[i];
            outer[i] ^= final[i];
        }
        SecureBytes both = sha1_.digest({inner});
        const SecureBytes x2 = sha1_.digest({outer});
        both.insert(both.end(), x2.begin(), x2.end());
        return fitted(both, std::size_t(info_.keyBits / 8), 0);
    }

    const BinaryEncryption info_;
    Hasher sha1_;
    SecureBytes spun_;
    const EVP_CIPHER *cipher_;
    Decrypter aes_;
};

// Agile AES: the password key decrypts the verifier and the file's own key;
// each page is in CBC mode under that key with IV = H(keyData salt || block).
class AgileAes final : public PageCipher {
public:
    AgileAes(const AgileEncryption &info, ByteView password)
        : info_(info), passwordHash_(info.password.hash), dataHash_(info.data.hash),
          spun_(passwordHash_.spun(info.password.salt, password, info.spinCount)),
          passwordCipher_(aesCipher(info.password.keyBits, true)), dataCipher_(aesCipher(info.data.keyBits, true)) {}

    bool verify()
    {
        static constexpr std::uint8_t VerifierInputBlock[] = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
        static constexpr std::uint8_t VerifierValueBlock[] = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
        static constexpr std::uint8_t KeyValueBlock[] = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};
        SecureBytes input, value;
        if (!unwrap(VerifierInputBlock, info_.encryptedVerifierHashInput, input) ||
            !unwrap(VerifierValueBlock, info_.encryptedVerifierHashValue, value))
            return false;
        input.resize(info_.password.salt.size());  // the verifier is saltSize random bytes
        if (!sameHash(passwordHash_.digest({input}), value, std::size_t(info_.password.hashSize)))
            return false;
        if (!unwrap(KeyValueBlock, info_.encryptedKeyValue, key_))
            return false;
        key_.resize(std::size_t(info_.data.keyBits / 8));
        return true;
    }

    bool decryptPage(std::uint32_t number, ByteView in, std::uint8_t *out) override
    {
        const SecureBytes iv = fitted(dataHash_.digest({info_.data.salt, blockKey(encodingKey, number)}),
                                      std::size_t(info_.data.blockSize), 0x36);
        return aes_.decrypt(dataCipher_, key_, iv, in, out);
    }

    std::array<std::uint8_t, 4> encodingKey{};

private:
    bool unwrap(ByteView block, ByteView encrypted, SecureBytes &out)
    {
        const SecureBytes k = fitted(passwordHash_.digest({spun_, block}), std::size_t(info_.password.keyBits / 8), 0x36);
        const SecureBytes iv = fitted(info_.password.salt, std::size_t(info_.password.blockSize), 0x36);
        out.assign(encrypted.size(), 0);
        return aes_.decrypt(passwordCipher_, k, iv, encrypted, out.data());
    }

    const AgileEncryption info_;
    Hasher passwordHash_, dataHash_;
    SecureBytes spun_, key_;
    const EVP_CIPHER *passwordCipher_, *dataCipher_;
    Decrypter aes_;
};

template <typename Cipher, typename Info>
std::unique_ptr<PageCipher> unlock(const Info &scheme, const EncryptionInfo &info, ByteView password,
                                   AceCryptoError &error)
{
    auto cipher = std::make_unique<Cipher>(scheme, password);
    cipher->encodingKey = info.encodingKey;
    if (!cipher->verify())
        return wrongPassword(error), nullptr;
    return cipher;
}

}  // namespace

std::unique_ptr<PageCipher> unlockPages(const EncryptionInfo &info, ByteView password, AceCryptoError &error)
{
    if (const auto *agile = std::get_if<AgileEncryption>(&info.scheme))
        return unlock<AgileAes>(*agile, info, password, error);
    const auto &binary = std::get<BinaryEncryption>(info.scheme);
    if (binary.cipher == BinaryEncryption::Cipher::Aes)
        return unlock<StandardAes>(binary, info, password, error);
    if (!rc4Cipher())
        return error.set(AceCryptoError::Kind::UnknownVariant,
                         "RC4 is not available: OpenSSL's legacy provider is not installed"),
               nullptr;
    return unlock<Rc4CryptoApi>(binary, info, password, error);
}

}  // namespace acecrypt
