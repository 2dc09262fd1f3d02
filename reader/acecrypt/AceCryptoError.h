#pragma once
// Why an encrypted ACE database could not be opened.

#include <string>

namespace acecrypt {

struct AceCryptoError {
    enum class Kind {
        None,
        WrongPassword,   // the password is wrong or was not given (DAO error 3031)
        UnknownVariant,  // an encryption this reader does not implement, named in the message
        DamagedHeader,   // the encryption header contradicts itself or the format
        Unreadable,      // the file cannot be read, is truncated, or no memory image can be made
    };
    Kind kind = Kind::None;
    std::string message;  // one line for the user; never holds the password

    bool set(Kind k, std::string text)
    {
        kind = k;
        message = std::move(text);
        return false;
    }
    bool damaged(const std::string &what) { return set(Kind::DamagedHeader, "damaged encryption header: " + what); }
    bool unknownVariant(const std::string &name) { return set(Kind::UnknownVariant, "unknown encryption variant: " + name); }
};

}  // namespace acecrypt
