#pragma once
// The reader's side of a password-encrypted ACE database: the password
// comes on standard input (never in argv) and the file is decrypted into a
// memory image that libmdb opens in its place.

#include "wizard/engine/SchemaJson.h"
#include "reader/acecrypt/AceDecryption.h"

#include <optional>
#include <string>
#include <string_view>

namespace reader {

// The password on standard input, read to its end: at most
// dao::kReaderInputMaxBytes bytes. Nothing when there are more or the input
// cannot be read. The answer wipes itself when freed.
std::optional<acecrypt::SecureBytes> readPasswordInput();

// The decrypted image of the encrypted ACE file `path`, for the password
// `password` (UTF-8; nothing when none was given). On failure `error` says
// why, naming `path`: 3031 for a wrong or missing password, 3343 for an
// unknown encryption variant, a damaged encryption header or a file that
// cannot be read.
std::optional<acecrypt::DecryptedImage> decryptDatabase(const std::string &path,
                                                        std::optional<std::string_view> password,
                                                        schema::ReaderError &error);

}  // namespace reader
