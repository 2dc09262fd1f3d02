#pragma once
// The reader's texts (names and values as libmdb hands them over in UTF-8,
// the file's path) as the model's QStrings: each byte that starts no valid
// UTF-8 sequence becomes U+FFFD, so that whatever the file holds makes a
// valid document.

#include <QString>

#include <string_view>

namespace reader {

QString readerText(std::string_view utf8);

}  // namespace reader
