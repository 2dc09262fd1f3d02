#pragma once
// The exact text forms the schema JSON writes for the values JSON numbers
// cannot carry exactly (docs/schema-json.md), and that the module prints.
// Plain C++.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace schema {

// Currency is a 64-bit count of ten-thousandths. Its text is the exact
// decimal: "-12.5", "0.0001", "922337203685477.5807"; the reading takes
// an optional "-", digits and up to four decimals, and refuses anything
// else or a value beyond 64 bits.
std::string currencyText(std::int64_t tenThousandths);
std::optional<std::int64_t> currencyFromText(std::string_view text);

// The double a Single is written as: the one nearest the Single's shortest
// decimal form ("0.1", not "0.10000000149011612") when that reads back as
// the same Single, else the Single's exact value.
double singleAsDouble(float value);

// JSON has no form for these doubles, nor keeps the sign of zero; the
// schema JSON writes them as the texts "NaN", "Infinity", "-Infinity",
// "-0". Empty for any other double.
std::string_view specialRealText(double value);
std::optional<double> specialRealFromText(std::string_view text);

}  // namespace schema
