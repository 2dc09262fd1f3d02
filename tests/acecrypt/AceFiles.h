#pragma once
// Helpers of the ACE decryption tests: whole files as bytes, the first
// page's EncryptionInfo rewritten in place, and what libmdb reads from an
// opened image.

#include "TestPaths.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

#include <mdbtools.h>

namespace acetest {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t InfoOffset = 0x299;

inline Bytes readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return Bytes(bytes.begin(), bytes.end());
}

inline std::string writeFile(const QTemporaryDir &dir, const char *name, const Bytes &bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    return path.toStdString();
}

// The EncryptionInfo of page 0 (without its 16-bit length).
inline Bytes encryptionInfo(const Bytes &file)
{
    const std::size_t length = file[InfoOffset] | (file[InfoOffset + 1] << 8);
    return Bytes(file.begin() + InfoOffset + 2, file.begin() + std::ptrdiff_t(InfoOffset + 2 + length));
}

// Replaces the EncryptionInfo of page 0 (the rest of the page is cleared).
inline void setEncryptionInfo(Bytes &file, const Bytes &info)
{
    std::fill(file.begin() + InfoOffset, file.begin() + 4096, 0);
    file[InfoOffset] = std::uint8_t(info.size());
    file[InfoOffset + 1] = std::uint8_t(info.size() >> 8);
    std::copy(info.begin(), info.begin() + std::ptrdiff_t(std::min<std::size_t>(info.size(), 4096 - InfoOffset - 2)),
              file.begin() + InfoOffset + 2);
}

inline void put32(Bytes &bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

// Each user table, the columns as mdb-schema names them ("ID Long Integer",
// "Data Text (255)": a Text size in characters, of two bytes each), and the
// rows of the first table as "a|b".
struct Design {
    std::vector<std::string> tables;
    std::vector<std::string> columns;
    std::vector<std::string> rows;
};

inline Design readDesign(const std::string &path)
{
    Design design;
    MdbHandle *mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb)
        return design;
    if (mdb_read_catalog(mdb, MDB_TABLE)) {
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
                continue;
            design.tables.push_back(entry->object_name);
            MdbTableDef *table = mdb_read_table(entry);
            if (!table)
                continue;
            mdb_read_columns(table);
            std::vector<std::vector<char>> values(table->num_cols, std::vector<char>(MDB_BIND_SIZE));
            for (unsigned c = 0; c < table->num_cols; ++c) {
                auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c));
                std::string text = std::string(col->name) + " " + mdb_get_colbacktype_string(col);
                if (mdb_colbacktype_takes_length(col))
                    text += " (" + std::to_string(col->col_type == MDB_TEXT ? col->col_size / 2 : col->col_size) + ")";
                design.columns.push_back(text);
                mdb_bind_column(table, int(c + 1), values[c].data(), nullptr);
            }
            if (design.tables.size() == 1) {
                mdb_rewind_table(table);
                while (mdb_fetch_row(table)) {
                    std::string row;
                    for (unsigned c = 0; c < table->num_cols; ++c)
                        row += (c ? "|" : "") + std::string(values[c].data());
                    design.rows.push_back(row);
                }
            }
            mdb_free_tabledef(table);
        }
    }
    mdb_close(mdb);
    return design;
}

}  // namespace acetest
