#pragma once
// Reads the design of a Jet file with libmdb, plus the column flags and
// index key directions from the table-definition pages and the design
// properties from the catalogue's property blocks, into the schema model.
// Runs inside tabulo-schema-reader only: libmdb may crash or hang on a
// damaged file, and the engine that starts this program survives that.

#include "wizard/engine/SchemaJson.h"

#include <optional>
#include <string>
#include <string_view>

namespace reader {

struct ReadOptions {
    // The stored properties beyond the model's members (descriptions,
    // captions, formats, lookups); without them the answer is about a third
    // of the size.
    bool designProperties = true;
    // Without them, still the Descriptions of tables and fields, which an
    // SQL script keeps as comments.
    bool descriptions = false;
    // The saved queries.
    bool queries = true;
    // The password of an encrypted ACE file (UTF-8), when one was given.
    std::optional<std::string_view> password;
};

// Reads the design of `path`; on failure fills `error` (its DAO error
// number and a description naming the file) and answers nothing.
std::optional<schema::Database> readDatabase(const std::string &path, const ReadOptions &options,
                                             schema::ReaderError &error);
// Reads the user names of the workgroup file `path` (MSysAccounts, FGroup 0).
std::optional<QStringList> readWorkgroupUsers(const std::string &path, schema::ReaderError &error);

}  // namespace reader
