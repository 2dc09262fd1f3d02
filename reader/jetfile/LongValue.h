#pragma once
// A long value (memo, OLE object, property block) read with bounds checks
// from the 12-byte reference its row holds: inline after the reference, in
// one row of a long-value page, or in a chain of such rows, each naming the
// next. Read as libmdb's mdb_ole_read_full reads it, except that a chain
// that comes back to a row it has passed is refused at once, where libmdb
// follows it until memory runs out.

#include "reader/jetfile/TableDefinition.h"

#include <cstdint>

namespace jetfile {

constexpr std::size_t LongValueReference = 12;

struct LongValuePages {
    int pageSize = 0;
    int rowCountOffset = 0;     // where a data page holds its row count: 8 in Jet 3, 12 after
    PageReader readPage;
    // The longest value read; a chain that runs past it is refused.
    std::size_t maxSize = SIZE_MAX;
};

// The value `reference` points to; `inlineBytes` are the bytes after the
// reference in the row, the value of an inline one. A row that cannot be
// found ends the value where it is, as in libmdb; a loop in the chain, or
// one longer than `pages.maxSize`, answers nothing, with `problem` saying so.
std::optional<std::vector<std::uint8_t>> readLongValue(std::span<const std::uint8_t> reference,
                                                       std::span<const std::uint8_t> inlineBytes,
                                                       const LongValuePages &pages,
                                                       std::string *problem = nullptr);

}  // namespace jetfile
