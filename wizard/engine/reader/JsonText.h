#pragma once
// Writing JSON text without Qt, for tabulo-schema-reader: strings are
// escaped as JSON requires, and bytes that are not valid UTF-8 become
// U+FFFD, so that what libmdb hands over always makes a valid document.

#include <string>
#include <string_view>

namespace reader {

// Appends `text` (UTF-8) as a JSON string literal, quotes included.
void appendJsonString(std::string &out, std::string_view text);

}  // namespace reader
