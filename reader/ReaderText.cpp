#include "reader/ReaderText.h"

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

QString readerText(std::string_view utf8)
{
    const QByteArrayView bytes(utf8.data(), qsizetype(utf8.size()));
    // Names and most values are ASCII, which needs no decoding.
    unsigned char high = 0;
    for (const char c : utf8)
        high |= static_cast<unsigned char>(c);
    if (high < 0x80)
        return QString::fromLatin1(bytes);
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    while (!utf8.empty()) {
        const std::size_t length = validSequence(utf8);
        if (length == 0) {
            out += QChar(QChar::ReplacementCharacter);
            utf8.remove_prefix(1);
            continue;
        }
        out += QString::fromUtf8(utf8.data(), qsizetype(length));
        utf8.remove_prefix(length);
    }
    return out;
}

}  // namespace reader
