#pragma once
// The one error type of Tabulo and Pembry31: a numbered Basic run-time error
// with the source that raised it, a description and a help reference.
// "Raise again with source X" is `throw e.withSource(X)`.

#include <QString>
#include <exception>
#include <string>

namespace pembry {

class BasicError : public std::exception {
public:
    BasicError() = default;
    BasicError(int number, QString source, QString description = {},
               QString helpFile = {}, int helpContext = 0);

    int number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }
    const QString &helpFile() const { return m_helpFile; }
    int helpContext() const { return m_helpContext; }

    // The same error with another source (number, description, help kept).
    BasicError withSource(const QString &source) const;

    const char *what() const noexcept override { return m_what.c_str(); }

private:
    int m_number = 0;
    QString m_source;
    QString m_description;
    QString m_helpFile;
    int m_helpContext = 0;
    std::string m_what;
};

// Basic's own text for a run-time error number ("Invalid procedure call or
// argument" for 5); "Application-defined or object-defined error" otherwise.
QString standardErrorText(int number);

// Throws BasicError(number, source, description); an empty description takes
// the standard text of the number.
[[noreturn]] void raiseError(int number, const QString &source, const QString &description = {});

// Basic run-time error numbers the libraries raise.
namespace err {
constexpr int InvalidCall = 5;          // Invalid procedure call or argument
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int BadFileNameOrNumber = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91;        // Object variable or With block variable not set
constexpr int InvalidPropertyValue = 380;
constexpr int DuplicateKey = 457;
}  // namespace err

}  // namespace pembry
