#pragma once
// Passwords that stay out of the process list: a --...-password-file option
// names a file whose first line is the password, or "-" for standard input.

#include <QString>

#include <optional>

namespace tabulo::cli {

// The first line of `file` (a name as pembry::decodeFileName gives it, so
// that any name the file system holds opens) without its line end, or for
// "-" the next line of standard input: on a terminal `prompt` is shown on
// standard error and the typing is not echoed. None when the file cannot be read; `problem`
// then says why, naming the file.
std::optional<QString> readPassword(const QString &file, const QString &prompt, QString &problem);

}  // namespace tabulo::cli
