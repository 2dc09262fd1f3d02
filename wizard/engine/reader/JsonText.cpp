#include "wizard/engine/reader/JsonText.h"

#include <cstdint>

namespace reader {

namespace {

// Length of the valid UTF-8 sequence at the start of `s`, or 0.
std::size_t validSequence(std::string_view s)
{
    const auto b = [&](std::size_t i) { return std::uint8_t(s[i]); };
    const std::uint8_t lead = b(0);
    std::size_t length;
    std::uint32_t cp;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((b(i) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are invalid.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

void appendJsonString(std::string &out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    while (!text.empty()) {
        // Plain printable ASCII goes over in one piece.
        std::size_t plain = 0;
        while (plain < text.size()) {
            const unsigned char p = std::uint8_t(text[plain]);
            if (p < 0x20 || p >= 0x80 || p == '"' || p == '\\')
                break;
            ++plain;
        }
        if (plain > 0) {
            out.append(text.substr(0, plain));
            text.remove_prefix(plain);
            continue;
        }
        const unsigned char c = std::uint8_t(text[0]);
        const std::size_t length = validSequence(text);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD
            text.remove_prefix(1);
            continue;
        }
        if (length > 1) {
            out.append(text.substr(0, length));
        } else if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(char(c));
        } else if (c < 0x20) {
            switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out.push_back(hex[c >> 4]);
                out.push_back(hex[c & 0xF]);
            }
        } else {
            out.push_back(char(c));
        }
        text.remove_prefix(length);
    }
    out.push_back('"');
}

}  // namespace reader
