#pragma once
// The decryption of an encrypted ACE database's pages, unlocked by its
// password. Each page after the first is encrypted on its own, with a key
// (RC4, standard AES) or an IV (agile AES) derived from its "block key":
// the file's encoding key XOR the page number, both little-endian.

#include "reader/acecrypt/EncryptionInfo.h"

#include <memory>

namespace acecrypt {

class PageCipher {
public:
    virtual ~PageCipher() = default;
    // Decrypts page `number` (> 0; AcePageSize bytes) into `out`.
    virtual bool decryptPage(std::uint32_t number, ByteView in, std::uint8_t *out) = 0;
};

// Checks `password` (UTF-16LE bytes) against the file's verifier and answers
// the page cipher; nothing, with WrongPassword, when it does not match.
std::unique_ptr<PageCipher> unlockPages(const EncryptionInfo &info, ByteView password, AceCryptoError &error);

}  // namespace acecrypt
