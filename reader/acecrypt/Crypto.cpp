#include "reader/acecrypt/Crypto.h"

#include <algorithm>

#include <openssl/opensslv.h>
#include <openssl/provider.h>

#include <dlfcn.h>

namespace acecrypt {

namespace {

#define ACECRYPT_TEXT(x) #x
#define ACECRYPT_SONAME(major) "libcrypto.so." ACECRYPT_TEXT(major)

// Every libcrypto function the decryption calls.
#define ACECRYPT_FUNCTIONS(X)                                                                        \
    X(EVP_MD_CTX_new) X(EVP_MD_CTX_free) X(EVP_DigestInit_ex2) X(EVP_DigestUpdate) X(EVP_DigestFinal_ex) \
    X(EVP_MD_get_size) X(EVP_CIPHER_CTX_new) X(EVP_CIPHER_CTX_free) X(EVP_DecryptInit_ex2)            \
    X(EVP_DecryptUpdate) X(EVP_CIPHER_CTX_get_key_length) X(EVP_CIPHER_CTX_set_key_length)             \
    X(EVP_CIPHER_CTX_get_iv_length) X(EVP_CIPHER_CTX_get_block_size) X(EVP_CIPHER_CTX_set_padding)     \
    X(EVP_sha1) X(EVP_sha256) X(EVP_sha384) X(EVP_sha512) X(EVP_aes_128_cbc) X(EVP_aes_128_ecb)        \
    X(EVP_aes_192_cbc) X(EVP_aes_192_ecb) X(EVP_aes_256_cbc) X(EVP_aes_256_ecb) X(OSSL_LIB_CTX_new)    \
    X(OSSL_PROVIDER_load) X(EVP_CIPHER_fetch) X(CRYPTO_memcmp)

struct LibCrypto {
#define ACECRYPT_POINTER(name) decltype(&::name) name = nullptr;
    ACECRYPT_FUNCTIONS(ACECRYPT_POINTER)
#undef ACECRYPT_POINTER
    std::string problem;        // why it could not be loaded; empty once loaded
};

LibCrypto loaded()
{
    LibCrypto lib;
    const char *const soname = ACECRYPT_SONAME(OPENSSL_VERSION_MAJOR);
    void *handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        lib.problem = std::string("OpenSSL's ") + soname + " cannot be loaded" + (why ? std::string(" (") + why + ")" : "");
        return lib;
    }
#define ACECRYPT_LOOKUP(name)                                                                         \
    lib.name = reinterpret_cast<decltype(lib.name)>(dlsym(handle, #name));                          \
    if (!lib.name && lib.problem.empty())                                                            \
        lib.problem = std::string("OpenSSL's ") + soname + " has no " #name;
    ACECRYPT_FUNCTIONS(ACECRYPT_LOOKUP)
#undef ACECRYPT_LOOKUP
    return lib;
}

// The loaded library; loaded once, on first use, for the life of the process.
const LibCrypto &crypto()
{
    static const LibCrypto lib = loaded();
    return lib;
}

}  // namespace

bool loadLibCrypto(std::string *why)
{
    if (why)
        *why = crypto().problem;
    return crypto().problem.empty();
}

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

Hasher::Hasher(const EVP_MD *md) : md_(md), ctx_(crypto().EVP_MD_CTX_new())
{
    crypto().EVP_DigestInit_ex2(ctx_, md_, nullptr);
}

Hasher::~Hasher() { crypto().EVP_MD_CTX_free(ctx_); }

std::size_t Hasher::size() const { return std::size_t(crypto().EVP_MD_get_size(md_)); }

void Hasher::run(std::initializer_list<ByteView> parts, std::uint8_t *out)
{
    // Restarting the digest the context already holds skips the provider
    // look-up, which costs more than hashing a block: it halves the spin.
    crypto().EVP_DigestInit_ex2(ctx_, nullptr, nullptr);
    for (ByteView part : parts)
        crypto().EVP_DigestUpdate(ctx_, part.data(), part.size());
    crypto().EVP_DigestFinal_ex(ctx_, out, nullptr);
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

Decrypter::Decrypter() : ctx_(crypto().EVP_CIPHER_CTX_new()) {}

Decrypter::~Decrypter() { crypto().EVP_CIPHER_CTX_free(ctx_); }

bool Decrypter::start(const EVP_CIPHER *cipher, ByteView key, ByteView iv)
{
    if (!cipher || !crypto().EVP_DecryptInit_ex2(ctx_, cipher, nullptr, nullptr, nullptr))
        return false;
    // RC4 takes keys of any length; the block ciphers have fixed ones.
    if (int(key.size()) != crypto().EVP_CIPHER_CTX_get_key_length(ctx_) &&
        !crypto().EVP_CIPHER_CTX_set_key_length(ctx_, int(key.size())))
        return false;
    if (!iv.empty() && int(iv.size()) != crypto().EVP_CIPHER_CTX_get_iv_length(ctx_))
        return false;
    return crypto().EVP_DecryptInit_ex2(ctx_, nullptr, key.data(), iv.empty() ? nullptr : iv.data(), nullptr) &&
           crypto().EVP_CIPHER_CTX_set_padding(ctx_, 0);
}

bool Decrypter::update(ByteView in, std::uint8_t *out)
{
    const int blockSize = crypto().EVP_CIPHER_CTX_get_block_size(ctx_);
    if (blockSize > 1 && in.size() % std::size_t(blockSize) != 0)
        return false;
    int written = 0;
    return crypto().EVP_DecryptUpdate(ctx_, out, &written, in.data(), int(in.size())) &&
           std::size_t(written) == in.size();
}

const EVP_MD *officeDigest(std::string_view name)
{
    if (name == "SHA1")
        return crypto().EVP_sha1();
    if (name == "SHA256")
        return crypto().EVP_sha256();
    if (name == "SHA384")
        return crypto().EVP_sha384();
    if (name == "SHA512")
        return crypto().EVP_sha512();
    return nullptr;
}

bool sameBytes(const void *a, const void *b, std::size_t size)
{
    return crypto().CRYPTO_memcmp(a, b, size) == 0;
}

const EVP_MD *sha1()
{
    return crypto().EVP_sha1();
}

int digestSize(const EVP_MD *md)
{
    return crypto().EVP_MD_get_size(md);
}

const EVP_CIPHER *aesCipher(int keyBits, bool cbc)
{
    switch (keyBits) {
    case 128: return cbc ? crypto().EVP_aes_128_cbc() : crypto().EVP_aes_128_ecb();
    case 192: return cbc ? crypto().EVP_aes_192_cbc() : crypto().EVP_aes_192_ecb();
    case 256: return cbc ? crypto().EVP_aes_256_cbc() : crypto().EVP_aes_256_ecb();
    default: return nullptr;
    }
}

const EVP_CIPHER *rc4Cipher()
{
    // Loaded once and kept for the life of the process.
    static const EVP_CIPHER *const cipher = [] () -> const EVP_CIPHER * {
        if (!loadLibCrypto())
            return nullptr;
        OSSL_LIB_CTX *context = crypto().OSSL_LIB_CTX_new();
        if (!context || !crypto().OSSL_PROVIDER_load(context, "legacy") || !crypto().OSSL_PROVIDER_load(context, "default"))
            return nullptr;
        return crypto().EVP_CIPHER_fetch(context, "RC4", nullptr);
    }();
    return cipher;
}

}  // namespace acecrypt
