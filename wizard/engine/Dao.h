#pragma once
// The Data Access Objects through which the engine hands out databases and
// a host hands its own in (designOf() in ModelDatabase.h reads either into
// the design model, which the generators read): the members, named as DAO
// names them. Collections count from 0 and keep a stable order; an item may
// be made when it is asked for, so a caller holds the item while it uses the
// item's collections. A failing member throws pembry::BasicError with the
// engine's error number and leaves the engine's Errors collection holding
// the errors of that operation.

#include "wizard/engine/DaoCodes.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace dao {

template <class T>
class Collection {
public:
    virtual ~Collection() = default;
    virtual int Count() const = 0;
    // Item 0 to Count() - 1; any other index fails with error 3265.
    virtual std::shared_ptr<T> Item(int index) const = 0;
};

// A design property of a table or field (Description, Caption, Format,
// ColumnWidth, RowSource, ...): its name, the DAO type code of its stored
// value, and the value, whose C++ type follows the type as
// schema::Property lists it (Boolean bool, Byte/Integer/Long int, Currency
// qlonglong in ten-thousandths, Single float, Double double, Date double
// serial date, Text/Memo/GUID QString, Binary and the rest QByteArray).
class Property {
public:
    virtual ~Property() = default;
    virtual QString Name() const = 0;
    virtual int Type() const = 0;
    virtual QVariant Value() const = 0;
};
// Unlike DAO's, which also lists the built-in properties, this collection
// holds the design properties stored with the object, in stored order,
// beyond those its interface has members for: no Required,
// AllowZeroLength, DefaultValue, ValidationRule nor ValidationText. A
// design read from a Jet file has none of the properties the engine keeps
// itself either (GUID, NameMap: tabulo-schema-reader leaves them out).
using Properties = Collection<Property>;

class Field {
public:
    virtual ~Field() = default;
    virtual QString Name() const = 0;
    virtual int Type() const = 0;
    virtual qint32 Size() const = 0;
    // DAO field attribute bits; for a field of an Index dbDescending when
    // that key sorts descending, else 0.
    virtual qint32 Attributes() const = 0;
    virtual QString ValidationRule() const = 0;
    virtual QString ValidationText() const = 0;
    virtual QString DefaultValue() const = 0;
    virtual bool Required() const = 0;
    virtual bool AllowZeroLength() const = 0;
    // The matching field of the foreign table (fields of a Relation only).
    virtual QString ForeignName() const = 0;
    // A calculated field's expression, empty for any other field.
    virtual QString Expression() const { return {}; }
    // Whether a memo keeps the history of its values (AppendOnly).
    virtual bool AppendOnly() const { return false; }
    // The file's storage type code of a column that no DAO type names (its
    // Type() is then 0); 0 for every other field.
    virtual int StorageType() const { return 0; }
    // A Decimal's precision and scale; 0 for any other field, or unknown.
    virtual int Precision() const { return 0; }
    virtual int Scale() const { return 0; }
    // The field's further design properties; empty for the fields of an
    // Index or a Relation.
    virtual const dao::Properties &Properties() const = 0;
};
using Fields = Collection<Field>;

class Index {
public:
    virtual ~Index() = default;
    virtual QString Name() const = 0;
    virtual bool Primary() const = 0;
    virtual bool Unique() const = 0;
    virtual bool Required() const = 0;
    virtual bool IgnoreNulls() const = 0;
    virtual bool Foreign() const = 0;
    virtual const dao::Fields &Fields() const = 0;
};
using Indexes = Collection<Index>;

class TableDef {
public:
    virtual ~TableDef() = default;
    virtual QString Name() const = 0;
    virtual qint32 Attributes() const = 0;
    // The table's own validation, checked across its fields when a record is saved.
    virtual QString ValidationRule() const = 0;
    virtual QString ValidationText() const = 0;
    virtual const dao::Fields &Fields() const = 0;
    virtual const dao::Indexes &Indexes() const = 0;
    // The table's further design properties (Description, OrderBy, ...).
    virtual const dao::Properties &Properties() const = 0;
};

class TableDefs : public Collection<TableDef> {
public:
    virtual void Refresh() = 0;
};

class Relation {
public:
    virtual ~Relation() = default;
    virtual QString Name() const = 0;
    // The referenced (primary) table.
    virtual QString Table() const = 0;
    // The referencing table.
    virtual QString ForeignTable() const = 0;
    virtual qint32 Attributes() const = 0;
    virtual bool PartialReplica() const = 0;
    virtual const dao::Fields &Fields() const = 0;
};
using Relations = Collection<Relation>;

class Database {
public:
    virtual ~Database() = default;
    virtual QString Name() const = 0;
    // "major.minor", such as "3.0" or "4.0"; "12.0" for every ACE file.
    virtual QString Version() const = 0;
    virtual dao::TableDefs &TableDefs() = 0;
    virtual const dao::Relations &Relations() const = 0;
    // Empty texts for a database that is not replicated.
    virtual QString ReplicaID() const = 0;
    virtual QString DesignMasterID() const = 0;
    // What of the design could not be read from a damaged file, one line
    // each, naming the file and what is lost; empty for a whole design.
    virtual QStringList Warnings() const = 0;
    virtual void Close() = 0;
};

class Workspace {
public:
    virtual ~Workspace() = default;
    virtual QString Name() const = 0;
    // Opens `name` with the connect text (";pwd=..."); fails with 3031 for a
    // wrong database password, 3033 without permission, 3343 for a file that
    // is not a database this engine can open.
    virtual std::shared_ptr<Database> OpenDatabase(const QString &name, bool exclusive,
                                                   bool readOnly, const QString &connect) = 0;
    virtual void Close() = 0;
};

struct EngineError {
    int Number = 0;
    QString Description;
    QString Source;
    QString HelpFile;
    qint32 HelpContext = 0;
};

class Errors {
public:
    virtual ~Errors() = default;
    virtual int Count() const = 0;
    virtual EngineError Item(int index) const = 0;
};

class DBEngine {
public:
    virtual ~DBEngine() = default;
    // Item 0 is the default workspace.
    virtual std::shared_ptr<Workspace> Workspaces(int index) = 0;
    // The workgroup file used by the next CreateWorkspace.
    virtual QString SystemDB() const = 0;
    virtual void setSystemDB(const QString &path) = 0;
    // Logs `user` into the workgroup of SystemDB; fails with 3029 or 3030 for
    // a bad account, 3028 for a workgroup file that is missing or is not one.
    virtual std::shared_ptr<Workspace> CreateWorkspace(const QString &name, const QString &user,
                                                       const QString &password) = 0;
    // The errors of the last engine operation, in the engine's order.
    virtual const dao::Errors &Errors() const = 0;
    // A hint that the database `name` is about to be opened: an engine that
    // reads files in another process may start now, while the caller gets
    // ready. Opening checks and fails exactly as without the hint.
    virtual void readAhead(const QString &name) { Q_UNUSED(name); }
    // A hint that the caller has no use for the design properties beyond
    // the members (descriptions, captions, formats, lookups): an engine
    // that reads files may leave them out, and read faster.
    virtual void setDesignPropertiesWanted(bool wanted) { Q_UNUSED(wanted); }
    // Without the design properties, whether the Descriptions are still
    // wanted (an SQL script keeps them).
    virtual void setDescriptionsWanted(bool wanted) { Q_UNUSED(wanted); }
    // A hint that the caller has no use for the saved queries: an engine
    // that reads files may leave them out.
    virtual void setQueriesWanted(bool wanted) { Q_UNUSED(wanted); }
};

// The library's one engine, created on first use.
DBEngine &dbEngine();
// Replaces the library's engine (tests); nullptr goes back to the real one.
void installDBEngine(std::shared_ptr<DBEngine> engine);

}  // namespace dao
