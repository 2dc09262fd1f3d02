#pragma once
// Reads the design of a Jet file with libmdb, plus the column flags and
// index key directions from the table-definition pages and the design
// properties from the catalogue's property blocks, into plain values, and
// writes them in the schema JSON form (docs/schema-json.md). Runs inside tabulo-schema-reader only:
// libmdb may crash or hang on a damaged file, and the engine that starts
// this program survives that.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace reader {

// A design property beyond those the model has members for, as stored.
struct Property {
    std::string name;
    int type = 0;                       // DAO type code
    std::string text;                   // Text and Memo: the value in UTF-8
    std::vector<std::uint8_t> bytes;    // any other type: the value's bytes as stored
};

struct Field {
    std::string name;
    int type = 0;
    std::int32_t size = 0;
    std::int32_t attributes = 0;
    bool required = false;
    bool allowZeroLength = false;
    std::string defaultValue, validationRule, validationText;
    std::vector<Property> properties;
};

struct Index {
    std::string name;
    bool primary = false, unique = false, required = false, ignoreNulls = false, foreign = false;
    std::vector<std::string> fields;
    std::vector<bool> descending;       // for each of `fields`
};

struct Table {
    std::string name;
    std::int32_t attributes = 0;
    std::string validationRule, validationText;
    std::vector<Property> properties;
    std::vector<Field> fields;
    std::vector<Index> indexes;
};

struct RelationField {
    std::string name, foreignName;
};

struct Relation {
    std::string name, table, foreignTable;
    std::int32_t attributes = 0;
    std::vector<RelationField> fields;
};

struct Database {
    std::string name, version, replicaId, designMasterId;
    std::vector<Table> tables;
    std::vector<Relation> relations;
};

// A failure with its DAO error number and a description naming the file.
struct ReadError {
    int number = 0;
    std::string description;
};

struct ReadOptions {
    // The stored properties beyond the members above (descriptions,
    // captions, formats, lookups); without them the answer is about a third
    // of the size.
    bool designProperties = true;
};

// Reads the design of `path`; on failure fills `error` and answers nothing.
std::optional<Database> readDatabase(const std::string &path, const ReadOptions &options, ReadError &error);
// Reads the user names of the workgroup file `path` (MSysAccounts, FGroup 0).
std::optional<std::vector<std::string>> readWorkgroupUsers(const std::string &path, ReadError &error);

std::string toJson(const Database &database);
std::string toJson(const std::vector<std::string> &users);
std::string toJson(const ReadError &error);

}  // namespace reader
