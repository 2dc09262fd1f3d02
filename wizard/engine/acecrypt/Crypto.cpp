#include "wizard/engine/acecrypt/Crypto.h"

#include <algorithm>

#include <openssl/provider.h>

namespace acecrypt {

SecureBytes fitted(ByteView bytes, std::size_t size, std::uint8_t pad)
{
    SecureBytes out(size, pad);
    std::copy_n(bytes.begin(), std::min(size, bytes.size()), out.begin());
    return out;
}

std::array<std::uint8_t, 4> littleEndian(std::uint32_t value)
{
    return {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
            std::uint8_t(value >> 24)};
}

Hasher::Hasher(const EVP_MD *md) : md_(md), ctx_(EVP_MD_CTX_new())
{
    EVP_DigestInit_ex2(ctx_, md_, nullptr);
}

Hasher::~Hasher() { EVP_MD_CTX_free(ctx_); }

std::size_t Hasher::size() const { return std::size_t(EVP_MD_get_size(md_)); }

void Hasher::run(std::initializer_list<ByteView> parts, std::uint8_t *out)
{
    // Restarting the digest the context already holds skips the provider
    // look-up, which costs more than hashing a block: it halves the spin.
    EVP_DigestInit_ex2(ctx_, nullptr, nullptr);
    for (ByteView part : parts)
        EVP_DigestUpdate(ctx_, part.data(), part.size());
    EVP_DigestFinal_ex(ctx_, out, nullptr);
}

SecureBytes Hasher::digest(std::initializer_list<ByteView> parts)
{
    SecureBytes out(size());
    run(parts, out.data());
    return out;
}

SecureBytes Hasher::spun(ByteView salt, ByteView password, std::uint32_t spinCount)
{
    SecureBytes h = digest({salt, password});
    for (std::uint32_t i = 0; i < spinCount; ++i) {
        const auto counter = littleEndian(i);
        run({counter, h}, h.data());  // OpenSSL reads all input before it writes the digest
    }
    return h;
}

Decrypter::Decrypter() : ctx_(EVP_CIPHER_CTX_new()) {}

Decrypter::~Decrypter() { EVP_CIPHER_CTX_free(ctx_); }

bool Decrypter::start(const EVP_CIPHER *cipher, ByteView key, ByteView iv)
{
    if (!cipher || !EVP_DecryptInit_ex2(ctx_, cipher, nullptr, nullptr, nullptr))
        return false;
    // RC4 takes keys of any length; the block ciphers have fixed ones.
    if (int(key.size()) != EVP_CIPHER_CTX_get_key_length(ctx_) &&
        !EVP_CIPHER_CTX_set_key_length(ctx_, int(key.size())))
        return false;
    if (!iv.empty() && int(iv.size()) != EVP_CIPHER_CTX_get_iv_length(ctx_))
        return false;
    return EVP_DecryptInit_ex2(ctx_, nullptr, key.data(), iv.empty() ? nullptr : iv.data(), nullptr) &&
           EVP_CIPHER_CTX_set_padding(ctx_, 0);
}

bool Decrypter::update(ByteView in, std::uint8_t *out)
{
    const int blockSize = EVP_CIPHER_CTX_get_block_size(ctx_);
    if (blockSize > 1 && in.size() % std::size_t(blockSize) != 0)
        return false;
    int written = 0;
    return EVP_DecryptUpdate(ctx_, out, &written, in.data(), int(in.size())) &&
           std::size_t(written) == in.size();
}

const EVP_MD *officeDigest(std::string_view name)
{
    if (name == "SHA1")
        return EVP_sha1();
    if (name == "SHA256")
        return EVP_sha256();
    if (name == "SHA384")
        return EVP_sha384();
    if (name == "SHA512")
        return EVP_sha512();
    return nullptr;
}

const EVP_CIPHER *aesCipher(int keyBits, bool cbc)
{
    switch (keyBits) {
    case 128: return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 192: return cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 256: return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    default: return nullptr;
    }
}

const EVP_CIPHER *rc4Cipher()
{
    // Loaded once and kept for the life of the process.
    static const EVP_CIPHER *const cipher = [] () -> const EVP_CIPHER * {
        OSSL_LIB_CTX *context = OSSL_LIB_CTX_new();
        if (!context || !OSSL_PROVIDER_load(context, "legacy") || !OSSL_PROVIDER_load(context, "default"))
            return nullptr;
        return EVP_CIPHER_fetch(context, "RC4", nullptr);
    }();
    return cipher;
}

}  // namespace acecrypt
