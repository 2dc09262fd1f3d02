#pragma once
// Design property values: the DAO type (DaoCodes.h) of a stored value and
// reading its stored bytes. Plain C++.

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

}  // namespace jetfile
