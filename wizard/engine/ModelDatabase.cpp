#include "wizard/engine/ModelDatabase.h"

#include "utility/BasicError.h"

namespace dao {

namespace {

// What every object served from a model holds: the model, kept alive for as
// long as any of its objects is held, and the engine's error list.
struct Context {
    std::shared_ptr<const schema::Database> model;
    std::shared_ptr<ErrorList> errors;
};

[[noreturn]] void failItemNotFound(const Context &context, const char *kind)
{
    context.errors->fail(errors::ItemNotFound, {}, QStringLiteral("DAO.") + QLatin1StringView(kind));
}

// A collection of one list of the model, in the model's order. Its objects
// are views of the model's entries, made when asked for: the model stays
// the one copy of the design, however many tables it holds.
template <class T, class View, class Entry, class Base = Collection<T>>
class ModelList : public Base {
public:
    ModelList(const char *kind, const QList<Entry> &entries, const Context &context)
        : m_kind(kind), m_entries(entries), m_context(context) {}

    int Count() const override { return int(m_entries.size()); }

    std::shared_ptr<T> Item(int index) const override
    {
        if (index < 0 || index >= m_entries.size())
            failItemNotFound(m_context, m_kind);
        return std::make_shared<View>(m_entries[index], m_context);
    }

private:
    const char *m_kind;                 // the collection's DAO name
    const QList<Entry> &m_entries;
    const Context &m_context;           // the owner's
};

class ModelProperty : public Property {
public:
    ModelProperty(const schema::Property &property, const Context &context)
        : m_property(property), m_context(context) {}

    QString Name() const override { return m_property.name; }
    int Type() const override { return m_property.type; }
    QVariant Value() const override { return m_property.value; }

private:
    const schema::Property &m_property;
    Context m_context;
};

using ModelProperties = ModelList<Property, ModelProperty, schema::Property>;

class ModelField : public Field {
public:
    ModelField(const schema::Field &field, const Context &context)
        : m_field(field), m_context(context), m_properties("Properties", field.properties, m_context) {}

    QString Name() const override { return m_field.name; }
    int Type() const override { return m_field.type; }
    qint32 Size() const override { return m_field.size; }
    qint32 Attributes() const override { return m_field.attributes; }
    QString ValidationRule() const override { return m_field.validationRule; }
    QString ValidationText() const override { return m_field.validationText; }
    QString DefaultValue() const override { return m_field.defaultValue; }
    bool Required() const override { return m_field.required; }
    bool AllowZeroLength() const override { return m_field.allowZeroLength; }
    QString Expression() const override { return m_field.expression; }
    bool AppendOnly() const override { return m_field.appendOnly; }
    int StorageType() const override { return m_field.storageType; }
    int Precision() const override { return m_field.precision; }
    int Scale() const override { return m_field.scale; }
    QString ForeignName() const override { return {}; }
    const dao::Properties &Properties() const override { return m_properties; }

private:
    const schema::Field &m_field;
    Context m_context;
    ModelProperties m_properties;
};

// A field of an index or a relation: a name, and a foreign name or the
// key's direction.
class NameOnlyField : public Field {
public:
    NameOnlyField(QString name, QString foreignName, qint32 attributes, const Context &context)
        : m_name(std::move(name)), m_foreignName(std::move(foreignName)), m_attributes(attributes),
          m_context(context), m_properties("Properties", noProperties(), m_context) {}

    QString Name() const override { return m_name; }
    int Type() const override { return 0; }
    qint32 Size() const override { return 0; }
    qint32 Attributes() const override { return m_attributes; }
    QString ValidationRule() const override { return {}; }
    QString ValidationText() const override { return {}; }
    QString DefaultValue() const override { return {}; }
    bool Required() const override { return false; }
    bool AllowZeroLength() const override { return false; }
    QString ForeignName() const override { return m_foreignName; }
    const dao::Properties &Properties() const override { return m_properties; }

private:
    QString m_name;
    QString m_foreignName;
    static const QList<schema::Property> &noProperties()
    {
        static const QList<schema::Property> none;
        return none;
    }

    qint32 m_attributes;
    Context m_context;
    ModelProperties m_properties;
};

class RelationField : public NameOnlyField {
public:
    RelationField(const schema::RelationField &field, const Context &context)
        : NameOnlyField(field.name, field.foreignName, 0, context) {}
};

// The keys of an index, with their directions.
class IndexFields : public Fields {
public:
    IndexFields(const schema::Index &index, const Context &context) : m_index(index), m_context(context) {}

    int Count() const override { return int(m_index.fields.size()); }

    std::shared_ptr<Field> Item(int index) const override
    {
        if (index < 0 || index >= m_index.fields.size())
            failItemNotFound(m_context, "Fields");
        return std::make_shared<NameOnlyField>(m_index.fields[index], QString(),
                                               m_index.isDescending(index) ? dbDescending : 0, m_context);
    }

private:
    const schema::Index &m_index;
    const Context &m_context;
};

class ModelIndex : public Index {
public:
    ModelIndex(const schema::Index &index, const Context &context)
        : m_index(index), m_context(context), m_fields(index, m_context) {}

    QString Name() const override { return m_index.name; }
    bool Primary() const override { return m_index.primary; }
    bool Unique() const override { return m_index.unique; }
    bool Required() const override { return m_index.required; }
    bool IgnoreNulls() const override { return m_index.ignoreNulls; }
    bool Foreign() const override { return m_index.foreign; }
    const dao::Fields &Fields() const override { return m_fields; }

private:
    const schema::Index &m_index;
    Context m_context;
    IndexFields m_fields;
};

class ModelTableDef : public TableDef {
public:
    ModelTableDef(const schema::Table &table, const Context &context)
        : m_table(table), m_context(context),
          m_fields("Fields", table.fields, m_context),
          m_indexes("Indexes", table.indexes, m_context),
          m_properties("Properties", table.properties, m_context) {}

    QString Name() const override { return m_table.name; }
    qint32 Attributes() const override { return m_table.attributes; }
    const dao::Fields &Fields() const override { return m_fields; }
    const dao::Indexes &Indexes() const override { return m_indexes; }
    QString ValidationRule() const override { return m_table.validationRule; }
    QString ValidationText() const override { return m_table.validationText; }
    const dao::Properties &Properties() const override { return m_properties; }

private:
    const schema::Table &m_table;
    Context m_context;
    ModelList<Field, ModelField, schema::Field> m_fields;
    ModelList<Index, ModelIndex, schema::Index> m_indexes;
    ModelProperties m_properties;
};

class ModelTableDefs : public ModelList<TableDef, ModelTableDef, schema::Table, TableDefs> {
public:
    using ModelList::ModelList;
    // The model does not change under an open database: nothing to reread.
    void Refresh() override {}
};

class ModelRelation : public Relation {
public:
    ModelRelation(const schema::Relation &relation, const Context &context)
        : m_relation(relation), m_context(context), m_fields("Fields", relation.fields, m_context) {}

    QString Name() const override { return m_relation.name; }
    QString Table() const override { return m_relation.table; }
    QString ForeignTable() const override { return m_relation.foreignTable; }
    qint32 Attributes() const override { return m_relation.attributes; }
    bool PartialReplica() const override { return m_relation.partialReplica; }
    const dao::Fields &Fields() const override { return m_fields; }

private:
    const schema::Relation &m_relation;
    Context m_context;
    ModelList<Field, RelationField, schema::RelationField> m_fields;
};

}  // namespace

class ModelDatabase::Impl {
public:
    explicit Impl(Context c)
        : context(std::move(c)),
          tableDefs("TableDefs", context.model->tables, context),
          relations("Relations", context.model->relations, context) {}

    Context context;
    ModelTableDefs tableDefs;
    ModelList<Relation, ModelRelation, schema::Relation> relations;
};

ModelDatabase::ModelDatabase(schema::Database model, std::shared_ptr<ErrorList> errors)
    : m_errors(std::move(errors)),
      m_impl(std::make_unique<Impl>(Context{std::make_shared<const schema::Database>(std::move(model)), m_errors}))
{
}

ModelDatabase::~ModelDatabase() = default;

const schema::Database &ModelDatabase::model() const
{
    return *m_impl->context.model;
}

void ModelDatabase::checkOpen() const
{
    if (m_closed)
        m_errors->fail(errors::ObjectInvalid, {}, QStringLiteral("DAO.Database"));
}

QString ModelDatabase::Name() const
{
    checkOpen();
    return model().name;
}

QString ModelDatabase::Version() const
{
    checkOpen();
    return model().version;
}

TableDefs &ModelDatabase::TableDefs()
{
    checkOpen();
    return m_impl->tableDefs;
}

const Relations &ModelDatabase::Relations() const
{
    checkOpen();
    return m_impl->relations;
}

QString ModelDatabase::ReplicaID() const
{
    checkOpen();
    return model().replicaId;
}

QString ModelDatabase::DesignMasterID() const
{
    checkOpen();
    return model().designMasterId;
}

QStringList ModelDatabase::Warnings() const
{
    checkOpen();
    return model().warnings;
}

void ModelDatabase::Close()
{
    // Closing twice is harmless: the callers close in their clean-up paths.
    m_closed = true;
}

}  // namespace dao

namespace dao {

namespace {

QList<schema::Property> propertiesOf(const Properties &properties)
{
    QList<schema::Property> out;
    const int count = properties.Count();
    out.reserve(count);
    for (int k = 0; k < count; ++k) {
        const std::shared_ptr<Property> p = properties.Item(k);
        out.append({p->Name(), p->Type(), p->Value()});
    }
    return out;
}

schema::Field fieldOf(const Field &f, bool designProperties)
{
    schema::Field out;
    out.name = f.Name();
    out.storageType = f.StorageType();
    out.type = f.Type();
    out.size = f.Size();
    out.attributes = f.Attributes();
    out.expression = f.Expression();
    out.allowZeroLength = f.AllowZeroLength();
    out.defaultValue = f.DefaultValue();
    out.required = f.Required();
    out.validationRule = f.ValidationRule();
    out.validationText = f.ValidationText();
    out.appendOnly = f.AppendOnly();
    out.precision = f.Precision();
    out.scale = f.Scale();
    if (designProperties)
        out.properties = propertiesOf(f.Properties());
    return out;
}

schema::Index indexOf(const Index &index)
{
    schema::Index out;
    out.name = index.Name();
    const Fields &fields = index.Fields();
    const int count = fields.Count();
    for (int k = 0; k < count; ++k) {
        const std::shared_ptr<Field> key = fields.Item(k);
        out.fields.append(key->Name());
        out.descending.append((key->Attributes() & dbDescending) != 0);
    }
    out.ignoreNulls = index.IgnoreNulls();
    out.primary = index.Primary();
    out.required = index.Required();
    out.unique = index.Unique();
    out.foreign = index.Foreign();
    return out;
}

schema::Table tableOf(const TableDef &table, bool designProperties)
{
    schema::Table out;
    out.name = table.Name();
    out.attributes = table.Attributes();
    const Fields &fields = table.Fields();
    for (int k = 0, count = fields.Count(); k < count; ++k)
        out.fields.append(fieldOf(*fields.Item(k), designProperties));
    if (designProperties) {
        out.validationRule = table.ValidationRule();
        out.validationText = table.ValidationText();
        out.properties = propertiesOf(table.Properties());
    }
    const Indexes &indexes = table.Indexes();
    for (int k = 0, count = indexes.Count(); k < count; ++k)
        out.indexes.append(indexOf(*indexes.Item(k)));
    return out;
}

schema::Relation relationOf(const Relation &relation)
{
    schema::Relation out;
    out.name = relation.Name();
    out.table = relation.Table();
    out.foreignTable = relation.ForeignTable();
    out.attributes = relation.Attributes();
    out.partialReplica = relation.PartialReplica();
    const Fields &fields = relation.Fields();
    for (int k = 0, count = fields.Count(); k < count; ++k) {
        const std::shared_ptr<Field> f = fields.Item(k);
        out.fields.append({f->Name(), f->ForeignName()});
    }
    return out;
}

}  // namespace

schema::Database designOf(Database &database, DesignWanted wanted)
{
    if (const auto *served = dynamic_cast<const ModelDatabase *>(&database)) {
        served->Name();   // a closed database fails as its members do
        return served->model();
    }
    schema::Database out;
    out.name = database.Name();
    out.version = database.Version();
    const TableDefs &tables = database.TableDefs();
    for (int k = 0, count = tables.Count(); k < count; ++k)
        out.tables.append(tableOf(*tables.Item(k), wanted.designProperties));
    try {
        out.designMasterId = database.DesignMasterID();
        out.replicaId = database.ReplicaID();
    } catch (const pembry::BasicError &e) {
        // A database that cannot say is no replica.
        if (e.number() != errors::NotReplica)
            throw;
        out.designMasterId.clear();
        out.replicaId.clear();
    }
    if (wanted.relations) {
        const Relations &relations = database.Relations();
        for (int k = 0, count = relations.Count(); k < count; ++k)
            out.relations.append(relationOf(*relations.Item(k)));
    }
    out.warnings = database.Warnings();
    return out;
}

}  // namespace dao
