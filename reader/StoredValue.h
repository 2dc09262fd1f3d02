#pragma once
// A design property's stored bytes as the model's value of its DAO type
// (see schema::Property): Boolean, the whole numbers, Currency, Single,
// Double, Date and GUID decoded, any other type as its bytes. Texts are
// decoded by the reader, which knows the file's code page.

#include <QVariant>

#include <cstdint>
#include <span>

namespace reader {

// `bytes` must fit the type (jetfile::fitsType).
QVariant storedValue(int daoType, std::span<const std::uint8_t> bytes);

}  // namespace reader
