#include "wizard/engine/jetfile/PropertyValue.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace jetfile {

namespace {
constexpr int JetDecimal = 16;
constexpr std::int64_t CurrencyScale = 10000;
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

std::string currencyText(std::int64_t value)
{
    // Magnitudes as unsigned, so that the lowest value has one too.
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / CurrencyScale);
    std::uint64_t fraction = magnitude % CurrencyScale;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction + CurrencyScale).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += "." + digits;
    }
    return text;
}

std::optional<std::int64_t> currencyFromText(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digitsOnly = [](std::string_view s) {
        return s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (whole.empty() || !digitsOnly(whole) || !digitsOnly(fraction) || fraction.size() > 4 ||
        (point != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    std::uint64_t units = 0;
    const auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), units);
    if (error != std::errc() || end != whole.data() + whole.size())
        return std::nullopt;
    std::uint64_t ten = 0;
    for (std::size_t i = 0; i < 4; ++i)
        ten = ten * 10 + (i < fraction.size() ? std::uint64_t(fraction[i] - '0') : 0);
    const std::uint64_t limit = negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    if (units > (limit - ten) / CurrencyScale)
        return std::nullopt;
    const std::uint64_t magnitude = units * CurrencyScale + ten;
    return negative ? std::int64_t(std::uint64_t(0) - magnitude) : std::int64_t(magnitude);
}

double singleAsDouble(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double shortest = 0;
    const auto read = std::from_chars(text, written.ptr, shortest);
    if (written.ec != std::errc() || read.ec != std::errc() || float(shortest) != value)
        return value;
    return shortest;
}

std::string_view specialRealText(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0 && std::signbit(value))
        return "-0";
    return {};
}

std::optional<double> specialRealFromText(std::string_view text)
{
    if (text == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (text == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (text == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    if (text == "-0")
        return -0.0;
    return std::nullopt;
}

std::string base64(std::span<const std::uint8_t> bytes)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = std::uint32_t(bytes[i]) << 16;
        if (n > 1)
            group |= std::uint32_t(bytes[i + 1]) << 8;
        if (n > 2)
            group |= bytes[i + 2];
        for (std::size_t k = 0; k < 4; ++k)
            text.push_back(k <= n ? alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
    return text;
}

}  // namespace jetfile
