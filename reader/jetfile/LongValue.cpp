#include "reader/jetfile/LongValue.h"

#include "reader/jetfile/LittleEndian.h"

#include <set>

namespace jetfile {

namespace {

constexpr std::uint32_t InlineValue = 0x80000000, SinglePageValue = 0x40000000, KindBits = 0xF0000000;
constexpr std::uint16_t RowOffsetBits = 0x1FFF;
constexpr std::size_t NextRowBytes = 4;   // a chained row starts with the next row's page and number

// The bytes of row `pageRow` (page number << 8 | row number), found as
// libmdb's mdb_find_pg_row finds it: from the row's offset to the offset of
// the row before it, or the page's end for row 0.
class RowFinder {
public:
    explicit RowFinder(const LongValuePages &pages) : m_pages(pages), m_page(std::size_t(pages.pageSize), 0) {}

    std::optional<std::span<const std::uint8_t>> row(std::uint32_t pageRow)
    {
        const std::size_t number = pageRow & 0xFF;
        const std::size_t size = m_page.size();
        const std::size_t slot = std::size_t(m_pages.rowCountOffset) + 2 + number * 2;
        if (slot + 2 > size || !m_pages.readPage(pageRow >> 8, m_page))
            return std::nullopt;
        const std::size_t start = u16(m_page, slot) & RowOffsetBits;
        const std::size_t end = number == 0 ? size : u16(m_page, slot - 2) & RowOffsetBits;
        if (start >= size || start > end || end > size)
            return std::nullopt;
        return std::span<const std::uint8_t>(m_page).subspan(start, end - start);
    }

private:
    const LongValuePages &m_pages;
    std::vector<std::uint8_t> m_page;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> readLongValue(std::span<const std::uint8_t> reference,
                                                       std::span<const std::uint8_t> inlineBytes,
                                                       const LongValuePages &pages, std::string *problem)
{
    std::vector<std::uint8_t> value;
    if (reference.size() < LongValueReference || pages.pageSize < 64 || pages.pageSize > 65536)
        return value;
    const std::uint32_t kind = u32(reference, 0);
    std::uint32_t next = u32(reference, 4);
    if (kind & InlineValue)
        return std::vector<std::uint8_t>(inlineBytes.begin(), inlineBytes.end());
    RowFinder finder(pages);
    if (kind & SinglePageValue) {
        if (const auto row = finder.row(next))
            value.assign(row->begin(), row->end());
        return value;
    }
    if (kind & KindBits)
        return value;
    // A chain. Its first row is read whatever its pointer, and may hold no
    // more than the pointer to the next; a later such row ends the value.
    std::set<std::uint32_t> passed;
    do {
        if (!passed.insert(next).second) {
            if (problem)
                *problem = "its chain of long-value pages loops";
            return std::nullopt;
        }
        const auto row = finder.row(next);
        if (!row || row->size() < NextRowBytes || (row->size() == NextRowBytes && passed.size() > 1))
            break;
        if (row->size() - NextRowBytes > pages.maxSize - value.size()) {
            if (problem)
                *problem = "its long value is longer than " + std::to_string(pages.maxSize) + " bytes";
            return std::nullopt;
        }
        value.insert(value.end(), row->begin() + NextRowBytes, row->end());
        next = u32(*row, 0);
    } while (next != 0);
    return value;
}

}  // namespace jetfile
