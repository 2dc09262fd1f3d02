#include "reader/EncryptedAce.h"

#include "wizard/engine/DaoCodes.h"
#include "wizard/engine/ReaderChild.h"
#include "reader/ReaderText.h"

#include <cerrno>
#include <unistd.h>

namespace reader {

std::optional<acecrypt::SecureBytes> readPasswordInput()
{
    // One byte more than allowed tells a password that is too long.
    acecrypt::SecureBytes bytes(dao::kReaderInputMaxBytes + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(STDIN_FILENO, bytes.data() + got, bytes.size() - got);
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        got += std::size_t(n);
    }
    if (got > dao::kReaderInputMaxBytes)
        return std::nullopt;
    bytes.resize(got);
    return bytes;
}

std::optional<acecrypt::DecryptedImage> decryptDatabase(const std::string &path,
                                                        std::optional<std::string_view> password,
                                                        schema::ReaderError &error)
{
    // Without a password there is nothing to derive a key from.
    acecrypt::AceCryptoError failure;
    std::optional<acecrypt::DecryptedImage> image;
    if (password)
        image = acecrypt::decryptAceFile(path, *password, failure);
    else
        failure.set(acecrypt::AceCryptoError::Kind::WrongPassword, "no password");
    if (image)
        return image;
    if (failure.kind == acecrypt::AceCryptoError::Kind::WrongPassword)
        error = {dao::errors::NotValidDbPassword, readerText("Not a valid password for '" + path + "'.")};
    else
        error = {dao::errors::FormatNotRecognised, readerText("Unrecognized database format '" + path + "': " + failure.message + ".")};
    return std::nullopt;
}

}  // namespace reader
