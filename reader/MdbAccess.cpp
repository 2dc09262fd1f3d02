#include "reader/MdbAccess.h"

#include "reader/ReaderText.h"
#include "reader/jetfile/LittleEndian.h"
#include "reader/jetfile/LongValue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <iconv.h>

namespace reader {

namespace {

// Jet 3 texts are in the database's code page; libmdb converts them with
// iconv from the charset named in MDB_JET3_CHARSET.
void chooseJet3Charset(const jetfile::Header &header)
{
    std::string charset = "CP1252";
    if (header.codePage != 0) {
        const std::string wanted = "CP" + std::to_string(header.codePage);
        iconv_t probe = iconv_open("UTF-8", wanted.c_str());
        if (probe != iconv_t(-1)) {
            iconv_close(probe);
            charset = wanted;
        }
    }
    setenv("MDB_JET3_CHARSET", charset.c_str(), 1);
}

}  // namespace

namespace {

// The file's first `size` bytes (fewer when it is shorter); false when it cannot be opened.
bool firstBytes(const std::string &path, std::vector<std::uint8_t> &bytes, std::size_t size, std::string &problem)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        problem = "the file cannot be opened";
        return false;
    }
    bytes.resize(size);
    bytes.resize(std::fread(bytes.data(), 1, size, file));
    std::fclose(file);
    return true;
}

}  // namespace

std::optional<jetfile::Header> readHeader(const std::string &path, std::string &problem)
{
    std::vector<std::uint8_t> bytes;
    if (!firstBytes(path, bytes, jetfile::HeaderBytes, problem))
        return std::nullopt;
    return jetfile::parseHeader(bytes, &problem);
}

std::optional<jetfile::AceHeader> readAceHeader(const std::string &path, std::string &problem)
{
    std::vector<std::uint8_t> bytes;
    if (!firstBytes(path, bytes, jetfile::AceHeaderBytes, problem))
        return std::nullopt;
    return jetfile::parseAceHeader(bytes, &problem);
}

MdbPtr openJet(const std::string &path, const jetfile::Header &header)
{
    if (header.format == jetfile::Format::Jet3)
        chooseJet3Charset(header);
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (mdb)
        mdb_set_boolean_fmt_numbers(mdb.get());
    return mdb;
}

std::unique_ptr<MdbCatalogEntry> tableEntry(MdbHandle *mdb, const std::string &name, std::uint32_t page)
{
    auto entry = std::make_unique<MdbCatalogEntry>();
    entry->mdb = mdb;
    std::snprintf(entry->object_name, sizeof entry->object_name, "%s", name.c_str());
    entry->object_type = MDB_TABLE;
    entry->table_pg = page;
    return entry;
}

namespace {

// Reads whole pages straight from the file, one system call a page, which
// leaves libmdb's page buffers and stream where they are. A file whose
// pages are RC4-encoded (a Jet database key) is read through libmdb's second
// page buffer, which decodes them.
jetfile::PageReader pageReader(MdbHandle *mdb)
{
    return [mdb](std::uint32_t number, std::span<std::uint8_t> page) {
        const auto pageSize = std::size_t(mdb->fmt->pg_size);
        if (mdb->f->db_key == 0 && page.size() == pageSize) {
            const off_t offset = off_t(number) * off_t(pageSize);
            return pread(fileno(mdb->f->stream), page.data(), pageSize, offset) == ssize_t(pageSize);
        }
        if (mdb_read_alt_pg(mdb, number) != ssize_t(pageSize))
            return false;
        std::memcpy(page.data(), mdb->alt_pg_buf, std::min(page.size(), pageSize));
        return true;
    };
}

}  // namespace

RowReader::RowReader(MdbHandle *mdb, MdbCatalogEntry *entry, const std::vector<const char *> &columns)
    : m_mdb(mdb)
{
    if (!entry)
        return;
    m_table.reset(mdb_read_table(entry));
    if (!m_table || !m_table->usage_map || !mdb_read_columns(m_table.get()))
        return;
    mdb_rewind_table(m_table.get());
    m_bindSize = mdb->bind_size > 0 ? mdb->bind_size : 16384;
    m_buffers.resize(columns.size());
    m_lengths.assign(columns.size(), 0);
    m_columns.assign(columns.size(), nullptr);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int number = mdb_bind_column_by_name(m_table.get(), const_cast<char *>(columns[i]), nullptr, nullptr);
        if (number <= 0 || unsigned(number) > m_table->columns->len)
            continue;
        MdbColumn *column = static_cast<MdbColumn *>(g_ptr_array_index(m_table->columns, unsigned(number - 1)));
        m_columns[i] = column;
        const int type = column->col_type;
        if (type == MDB_TEXT || type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT)
            continue;
        m_buffers[i].assign(m_bindSize + 1, 0);
        mdb_bind_column(m_table.get(), number, m_buffers[i].data(), &m_lengths[i]);
    }
    m_ok = true;
}

bool RowReader::next()
{
    for (std::size_t i = 0; i < m_buffers.size(); ++i) {
        if (bound(i))
            m_buffers[i][0] = '\0';
        m_lengths[i] = 0;
    }
    return m_ok && mdb_fetch_row(m_table.get());
}

std::string RowReader::text(std::size_t i) const
{
    if (bound(i)) {
        const std::size_t length = std::min<std::size_t>(std::size_t(std::max(m_lengths[i], 0)), m_bindSize);
        return std::string(m_buffers[i].data(), strnlen(m_buffers[i].data(), length));
    }
    const MdbColumn *column = m_columns[i];
    // A null (or missing) value reads as libmdb's empty text.
    if (!column || column->cur_value_len <= 0 || column->cur_value_start < 0)
        return {};
    const auto start = std::size_t(column->cur_value_start);
    const std::span<const std::uint8_t> page(reinterpret_cast<const std::uint8_t *>(m_mdb->pg_buf),
                                             std::size_t(m_mdb->fmt->pg_size));
    const auto has = [&](std::size_t bytes) { return start + bytes <= page.size(); };
    switch (column->col_type) {
    case MDB_BYTE:
        return has(1) ? std::to_string(page[start]) : std::string();
    case MDB_INT:
        return has(2) ? std::to_string(std::int16_t(jetfile::u16(page, start))) : std::string();
    case MDB_LONGINT:
        // libmdb prints the four bytes unsigned.
        return has(4) ? std::to_string(jetfile::u32(page, start)) : std::string();
    default: {
        const std::size_t length = std::min(std::size_t(column->cur_value_len), page.size() - std::min(start, page.size()));
        std::string text = decodeText(m_mdb, page.subspan(std::min(start, page.size()), length));
        // libmdb's buffer holds that much.
        if (text.size() >= m_bindSize)
            text.resize(m_bindSize - 1);
        return text;
    }
    }
}

std::optional<std::vector<std::uint8_t>> RowReader::longValue(std::size_t i, std::size_t maxSize,
                                                              std::string &problem) const
{
    const MdbColumn *column = m_columns[i];
    if (!column || m_lengths[i] <= 0)
        return std::vector<std::uint8_t>();
    // An inline value follows its reference in the row, on the page just read.
    std::span<const std::uint8_t> inlineBytes;
    const auto start = std::size_t(std::max(column->cur_value_start, 0)) + jetfile::LongValueReference;
    const auto end = std::size_t(std::max(column->cur_value_start + column->cur_value_len, 0));
    if (start <= end && end <= sizeof m_mdb->pg_buf)
        inlineBytes = std::span<const std::uint8_t>(m_mdb->pg_buf + start, end - start);
    const auto reference = std::span(reinterpret_cast<const std::uint8_t *>(m_buffers[i].data()),
                                     jetfile::LongValueReference);
    return jetfile::readLongValue(reference, inlineBytes, {int(m_mdb->fmt->pg_size), int(m_mdb->fmt->row_count_offset),
                                                           pageReader(m_mdb), maxSize},
                                  &problem);
}

// The column entries of a table, read from its definition pages.
std::optional<jetfile::TableDefinition> readDefinition(MdbHandle *mdb, std::uint32_t firstPage,
                                                       jetfile::Format format, std::string &problem)
{
    const auto bytes = jetfile::readTableDefinitionChain(firstPage, int(mdb->fmt->pg_size), pageReader(mdb));
    if (!bytes) {
        problem = "its definition is damaged";
        return std::nullopt;
    }
    return jetfile::parseTableDefinition(*bytes, format, &problem);
}

namespace {

// Plain ASCII text as it is, without a trip through iconv: Jet 3 bytes
// below 0x80, or Jet 4 UTF-16LE units below 0x80 (no compression mark).
// Nothing when the text holds anything else.
std::optional<std::string> asciiText(MdbHandle *mdb, std::span<const std::uint8_t> stored)
{
    std::string text;
    if (!IS_JET3(mdb)) {
        if (stored.size() % 2 != 0)
            return std::nullopt;
        text.reserve(stored.size() / 2);
        for (std::size_t i = 0; i < stored.size(); i += 2) {
            if (stored[i] == 0 || stored[i] >= 0x80 || stored[i + 1] != 0)
                return std::nullopt;
            text.push_back(char(stored[i]));
        }
        return text;
    }
    for (std::uint8_t c : stored) {
        if (c == 0 || c >= 0x80)
            return std::nullopt;
        text.push_back(char(c));
    }
    return text;
}

}  // namespace

std::string decodeText(MdbHandle *mdb, std::span<const std::uint8_t> stored)
{
    if (stored.empty())
        return {};
    if (std::optional<std::string> ascii = asciiText(mdb, stored))
        return std::move(*ascii);
    // UTF-8 takes at most three bytes for a UTF-16 unit or a code-page byte.
    std::vector<char> text(stored.size() * 3 + 16, '\0');
    const int length = mdb_unicode2ascii(mdb, reinterpret_cast<const char *>(stored.data()), stored.size(),
                                         text.data(), text.size());
    return std::string(text.data(), strnlen(text.data(), std::size_t(std::max(length, 0))));
}

QString decodeModelText(MdbHandle *mdb, std::span<const std::uint8_t> stored)
{
    // Jet 4 ASCII text goes straight from its UTF-16LE units to the QString.
    if (!IS_JET3(mdb) && !stored.empty() && stored.size() % 2 == 0) {
        QString text(qsizetype(stored.size() / 2), Qt::Uninitialized);
        char16_t *unit = reinterpret_cast<char16_t *>(text.data());
        std::size_t i = 0;
        for (; i < stored.size(); i += 2) {
            if (stored[i] == 0 || stored[i] >= 0x80 || stored[i + 1] != 0)
                break;
            *unit++ = stored[i];
        }
        if (i == stored.size())
            return text;
    }
    return readerText(decodeText(mdb, stored));
}

long toNumber(const std::string &text)
{
    return std::strtol(text.c_str(), nullptr, 10);
}

}  // namespace reader
