#pragma once
// Opens a password-encrypted Access 2007+ database (.accdb) for libmdb:
// checks the password against the file's verifier, then decrypts every page
// into an anonymous memory file (memfd), which libmdb opens by its
// /proc/self/fd path. The plaintext never reaches the disk, the password and
// the keys derived from it are wiped after use, and nothing here logs.
//
// Variants: RC4 CryptoAPI (EncryptionInfo 2.2/3.2/4.2 with RC4, 40 to 128-bit
// keys, the "legacy" encryption of Access 2007 and later), standard AES
// (x.2 with AES, also its older form without hash rounds) and agile AES
// (4.4: AES-128/192/256 in CBC mode with SHA-1/256/384/512). Anything else is
// refused as an unknown variant, named.

#include "reader/acecrypt/AceCryptoError.h"
#include "reader/acecrypt/Crypto.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace acecrypt {

// The decrypted database: an anonymous memory file, sealed against change,
// closed with this object.
class DecryptedImage {
public:
    explicit DecryptedImage(int fd) : fd_(fd) {}
    DecryptedImage(DecryptedImage &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    DecryptedImage &operator=(DecryptedImage &&other) noexcept;
    DecryptedImage(const DecryptedImage &) = delete;
    DecryptedImage &operator=(const DecryptedImage &) = delete;
    ~DecryptedImage();

    int fd() const { return fd_; }
    // "/proc/self/fd/N": the name libmdb's mdb_open takes, valid in this process.
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

// Whether the file is an ACE database whose pages are encrypted (false for
// anything else, including a file that cannot be read).
bool isEncryptedAceFile(const std::string &path);

// The password as the key derivation takes it: UTF-16LE of the UTF-8 text
// (an invalid sequence reads as U+FFFD), at most 255 code units.
SecureBytes passwordBytes(std::string_view utf8);

// The most plaintext an image may hold: this process's address-space limit
// (the reader's memory limit), which does not see the image otherwise.
std::uint64_t imageLimit();

// Decrypts the file at `path` with `password` (UTF-8). Nothing, with the
// reason in `error`, for a wrong or missing password, an unknown variant, a
// damaged header, a file that cannot be read, or one whose pages that hold
// something take more than `limit` bytes (the holes of a sparse file and
// pages of zeros cost nothing).
std::optional<DecryptedImage> decryptAceFile(const std::string &path, std::string_view password, AceCryptoError &error,
                                             std::uint64_t limit = imageLimit());

}  // namespace acecrypt
