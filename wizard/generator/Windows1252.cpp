#include "wizard/generator/Windows1252.h"

#include <QIODevice>

#include <algorithm>
#include <array>

namespace tabulo {
namespace {

// Bytes 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// The byte for `unit`, or -1.
int byteFor(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit && unit != 0)
            return 0x80 + i;
    }
    return -1;
}

// Encodes `text` into `out`, which has room for text.size() bytes. A
// module is nearly all ASCII: whole blocks of it are copied by a loop of
// fixed length, which the compiler vectorises, and only a block holding
// another unit (and the short tail) goes through byteFor.
void encode(QStringView text, char *__restrict out)
{
    constexpr qsizetype Block = 64;
    const char16_t *__restrict in = text.utf16();
    const qsizetype size = text.size();
    qsizetype at = 0;
    for (; at + Block <= size; at += Block) {
        char16_t seen = 0;
        for (qsizetype i = 0; i < Block; ++i) {
            seen |= in[at + i];
            out[at + i] = char(in[at + i]);
        }
        if (seen < 0x80)
            continue;
        for (qsizetype i = at; i < at + Block; ++i) {
            const int b = byteFor(in[i]);
            out[i] = b >= 0 ? char(b) : '?';
        }
    }
    for (; at < size; ++at) {
        const int b = byteFor(in[at]);
        out[at] = b >= 0 ? char(b) : '?';
    }
}

}  // namespace

bool fitsWindows1252(char16_t unit)
{
    return byteFor(unit) >= 0;
}

QByteArray toWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    encode(text, bytes.data());
    return bytes;
}

bool writeWindows1252(QIODevice &device, QStringView text)
{
    std::array<char, 64 * 1024> buffer;
    while (!text.isEmpty()) {
        const QStringView piece = text.first(std::min<qsizetype>(text.size(), buffer.size()));
        encode(piece, buffer.data());
        if (device.write(buffer.data(), piece.size()) != piece.size())
            return false;
        text = text.sliced(piece.size());
    }
    return true;
}

}  // namespace tabulo
