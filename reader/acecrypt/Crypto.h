#pragma once
// Thin wrappers over OpenSSL's libcrypto for the ACE decryption: digests,
// the iterated password hash, block and stream ciphers, and byte buffers
// that are wiped when they are freed. No primitive is implemented here.
// libcrypto is loaded when first needed, not with the program: few files
// are encrypted, and loading it costs every run a millisecond. Everything
// below but the byte helpers needs loadLibCrypto() to have succeeded.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QtGlobal>

#include <openssl/evp.h>

#include <string.h>

namespace acecrypt {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// An allocator that overwrites memory before giving it back, so that
// passwords and keys do not linger in freed memory (also on reallocation).
template <typename T>
struct CleansingAllocator {
    using value_type = T;
    CleansingAllocator() = default;
    template <typename U>
    CleansingAllocator(const CleansingAllocator<U> &) {}
    T *allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T *p, std::size_t n)
    {
        explicit_bzero(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U>
    bool operator==(const CleansingAllocator<U> &) const { return true; }
};

// Secret bytes: a password, a hash derived from it, a key.
using SecureBytes = std::vector<std::uint8_t, CleansingAllocator<std::uint8_t>>;

// `bytes` cut or padded with `pad` to `size` bytes (the fitting rule of the
// Office key derivation).
SecureBytes fitted(ByteView bytes, std::size_t size, std::uint8_t pad);

// The little-endian bytes of a 32-bit number.
std::array<std::uint8_t, 4> littleEndian(std::uint32_t value);

// Loads libcrypto once; false, with the reason in `why`, when it cannot.
bool loadLibCrypto(std::string *why = nullptr);

// A digest (SHA-1, SHA-512, ...) over several parts, reusing one context.
class Hasher {
public:
    explicit Hasher(const EVP_MD *md);
    ~Hasher();
    Q_DISABLE_COPY(Hasher)

    std::size_t size() const;
    SecureBytes digest(std::initializer_list<ByteView> parts);
    // H0 = H(salt || password), then H(i) = H(LE32(i) || H(i-1)) `spinCount` times.
    SecureBytes spun(ByteView salt, ByteView password, std::uint32_t spinCount);

private:
    void run(std::initializer_list<ByteView> parts, std::uint8_t *out);
    const EVP_MD *md_;
    EVP_MD_CTX *ctx_;
};

// One cipher context, re-keyed for each call. Decrypts without padding;
// an empty `iv` means the cipher takes none (ECB, RC4). False when OpenSSL
// refuses (a length that is not a whole number of blocks).
class Decrypter {
public:
    Decrypter();
    ~Decrypter();
    Q_DISABLE_COPY(Decrypter)

    bool start(const EVP_CIPHER *cipher, ByteView key, ByteView iv = {});
    // Continues the stream started by start().
    bool update(ByteView in, std::uint8_t *out);
    bool decrypt(const EVP_CIPHER *cipher, ByteView key, ByteView iv, ByteView in, std::uint8_t *out)
    {
        return start(cipher, key, iv) && update(in, out);
    }

private:
    EVP_CIPHER_CTX *ctx_;
};

// The digest named as the agile descriptor names it ("SHA1", "SHA512", ...);
// nullptr for a name this reader does not know.
const EVP_MD *officeDigest(std::string_view name);

// Whether `size` bytes at `a` and `b` are equal, compared in constant time.
bool sameBytes(const void *a, const void *b, std::size_t size);

// SHA-1, and the size of any digest's hash in bytes.
const EVP_MD *sha1();
int digestSize(const EVP_MD *md);

// AES with a key of `keyBits` bits, in CBC or ECB mode; nullptr for another size.
const EVP_CIPHER *aesCipher(int keyBits, bool cbc);

// RC4, which OpenSSL 3 keeps in its legacy provider; that provider is loaded
// into a context of this library's own, leaving the program's defaults alone.
// nullptr when the provider is not installed.
const EVP_CIPHER *rc4Cipher();

}  // namespace acecrypt
