#pragma once
// Design property values: the DAO type (DaoCodes.h) of a stored value, reading its
// stored bytes, and the exact text forms the schema JSON writes for the
// types JSON numbers cannot carry exactly (docs/schema-json.md). Plain C++,
// shared by tabulo-schema-reader and the schema model's JSON form.

#include "wizard/engine/DaoCodes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace jetfile {

// The DAO type of a value stored with Jet type `jetType`: the same code,
// except Jet's decimal (16), which DAO calls 20.
int daoPropertyType(int jetType);

// Whether `size` stored bytes make one value of DAO type `daoType`. Jet
// writes some Integer and Boolean values in four bytes, so whole numbers
// take 1, 2 or 4 bytes and Booleans any number; Single, Currency, Double,
// Date and GUID have their fixed sizes; texts and binaries any size.
bool fitsType(int daoType, std::size_t size);

// A little-endian whole number, signed (a one-byte Byte is unsigned).
std::int64_t storedInteger(int daoType, std::span<const std::uint8_t> bytes);
// Single (4 bytes) or Double and Date (8 bytes), IEEE 754 little-endian.
double storedReal(std::span<const std::uint8_t> bytes);

// A GUID's 16 stored bytes as DAO shows it: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
std::string guidText(std::span<const std::uint8_t> bytes);

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

// Standard base64 with padding, for binary values.
std::string base64(std::span<const std::uint8_t> bytes);

}  // namespace jetfile
