#include "wizard/engine/ValueText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace schema {

namespace {
constexpr std::int64_t CurrencyScale = 10000;
}  // namespace

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

}  // namespace schema
