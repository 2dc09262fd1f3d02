#include "reader/jetfile/PropertyValue.h"

#include <cmath>
#include <cstring>

namespace jetfile {

namespace {
constexpr int JetDecimal = 16;
}  // namespace

int daoPropertyType(int jetType)
{
    return jetType == JetDecimal ? dao::dbDecimal : jetType;
}

bool fitsType(int daoType, std::size_t size)
{
    switch (daoType) {
    case dao::dbBoolean: return size >= 1;
    case dao::dbByte: case dao::dbInteger: case dao::dbLong: return size == 1 || size == 2 || size == 4;
    case dao::dbSingle: return size == 4;
    case dao::dbCurrency: case dao::dbDouble: case dao::dbDate: return size == 8;
    case dao::dbGUID: return size == 16;
    default: return true;
    }
}

std::int64_t storedInteger(int daoType, std::span<const std::uint8_t> bytes)
{
    std::uint64_t bits = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        bits = (bits << 8) | bytes[i];
    if ((daoType == dao::dbByte && bytes.size() == 1) || bytes.empty() || bytes.size() >= 8)
        return std::int64_t(bits);
    const unsigned shift = unsigned(64 - 8 * bytes.size());
    return std::int64_t(bits << shift) >> shift;   // sign-extends
}

double storedReal(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() == 4) {
        float f;
        std::memcpy(&f, bytes.data(), 4);
        return f;
    }
    double d = 0;
    if (bytes.size() == 8)
        std::memcpy(&d, bytes.data(), 8);
    return d;
}

std::string guidText(std::span<const std::uint8_t> b)
{
    if (b.size() != 16)
        return {};
    // The first three groups are little-endian numbers, the rest bytes in order.
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(hex[b[std::size_t(order[i])] >> 4]);
        text.push_back(hex[b[std::size_t(order[i])] & 0xF]);
    }
    text.push_back('}');
    return text;
}

}  // namespace jetfile
