#pragma once
// The members of the schema model's records in their JSON form
// (docs/schema-json.md), one table per record. The writer
// (SchemaJsonWriter.cpp) and the reader (SchemaJson.cpp) both go by these
// tables, and the writer's format version follows from them, so a new
// member of a record is one line here. The lists a record holds and the
// members of their own shape (a property's value, an index field's
// direction) are written and read by hand in both files.

#include "wizard/engine/SchemaModel.h"

#include <string_view>
#include <variant>

namespace schema::json {

// Version 2 added index field directions, table validation and design
// properties; version 3 ACE designs and the field members expression,
// appendOnly and storageType; version 4 a Decimal's precision and scale;
// version 5 the saved queries. Older documents read as designs without them.
constexpr int FormatVersion = 5;

constexpr double AttributeLow = -2147483648.0;
constexpr double AttributeHigh = 4294967295.0;
constexpr double SizeHigh = 2147483647.0;

// One member of a record: its key (a literal, which the reader also names
// in its paths), where the record holds it, and how it is read. A member is
// written always, or only when it differs from its value in a new record.
template <typename Record>
struct Member {
    std::string_view key;
    std::variant<QString Record::*, bool Record::*, int Record::*> where;
    bool isName = false;            // a text no longer than MaxNameLength
    double low = 0, high = 0;       // a whole number's range (see ModelReader::number)
    bool alwaysWritten = false;
    int version = 0;                // the format version that added it, if after 2

    constexpr Member always() const { Member m = *this; m.alwaysWritten = true; return m; }
    constexpr Member since(int v) const { Member m = *this; m.version = v; return m; }
};

template <typename R>
constexpr Member<R> name(std::string_view key, QString R::*where) { return {key, where, true, 0, 0, true}; }
template <typename R>
constexpr Member<R> text(std::string_view key, QString R::*where) { return {key, where}; }
template <typename R>
constexpr Member<R> flag(std::string_view key, bool R::*where) { return {key, where}; }
template <typename R>
constexpr Member<R> number(std::string_view key, int R::*where, double low, double high) { return {key, where, false, low, high}; }
template <typename R>
constexpr Member<R> typeCode(std::string_view key, int R::*where) { return number(key, where, 0, 255); }
template <typename R>
constexpr Member<R> attributes(int R::*where) { return number("attributes", where, AttributeLow, AttributeHigh); }

// Each table lists the members written always first, in the order written.
inline constexpr Member<Database> DatabaseMembers[] = {
    text("name", &Database::name).always(),
    text("version", &Database::version).always(),
    text("replicaId", &Database::replicaId),
    text("designMasterId", &Database::designMasterId),
};

inline constexpr Member<Table> TableMembers[] = {
    name("name", &Table::name),
    attributes(&Table::attributes),
    text("validationRule", &Table::validationRule),
    text("validationText", &Table::validationText),
};

inline constexpr Member<Field> FieldMembers[] = {
    name("name", &Field::name),
    typeCode("type", &Field::type).always(),
    number("size", &Field::size, 0, SizeHigh),
    attributes(&Field::attributes),
    flag("required", &Field::required),
    flag("allowZeroLength", &Field::allowZeroLength),
    text("defaultValue", &Field::defaultValue),
    text("validationRule", &Field::validationRule),
    text("validationText", &Field::validationText),
    text("expression", &Field::expression).since(3),
    flag("appendOnly", &Field::appendOnly).since(3),
    typeCode("storageType", &Field::storageType).since(3),
    number("precision", &Field::precision, 0, 28).since(4),
    number("scale", &Field::scale, 0, 28).since(4),
};

// A property's value, whose form follows its type, is read and written by hand.
inline constexpr Member<Property> PropertyMembers[] = {
    name("name", &Property::name),
    typeCode("type", &Property::type).always(),
};

inline constexpr Member<Index> IndexMembers[] = {
    name("name", &Index::name),
    flag("primary", &Index::primary),
    flag("unique", &Index::unique),
    flag("required", &Index::required),
    flag("ignoreNulls", &Index::ignoreNulls),
    flag("foreign", &Index::foreign),
};

inline constexpr Member<Relation> RelationMembers[] = {
    name("name", &Relation::name),
    name("table", &Relation::table),
    name("foreignTable", &Relation::foreignTable),
    attributes(&Relation::attributes),
    flag("partialReplica", &Relation::partialReplica),
};

inline constexpr Member<RelationField> RelationFieldMembers[] = {
    name("name", &RelationField::name),
    name("foreignName", &RelationField::foreignName),
};

// The parameters are written between the members written always and the others.
inline constexpr Member<Query> QueryMembers[] = {
    name("name", &Query::name),
    typeCode("type", &Query::type).always(),
    text("sql", &Query::sql).always(),
    flag("hidden", &Query::hidden),
    text("connect", &Query::connect),
    flag("returnsRecords", &Query::returnsRecords),
};

inline constexpr Member<QueryParameter> QueryParameterMembers[] = {
    name("name", &QueryParameter::name),
    typeCode("type", &QueryParameter::type).always(),
};

}  // namespace schema::json
