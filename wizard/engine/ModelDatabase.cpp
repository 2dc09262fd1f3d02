#include "wizard/engine/ModelDatabase.h"

#include <vector>

namespace dao {

namespace {

// A collection of model-backed objects in the model's order. `m_kind` is
// the collection's DAO name, `m_owner` the name of the object it belongs to.
template <class T, class Base = Collection<T>>
class ModelCollection : public Base {
public:
    ModelCollection(QString kind, QString owner, EngineHooks hooks)
        : m_kind(std::move(kind)), m_owner(std::move(owner)), m_hooks(std::move(hooks)) {}

    // The member names are built only for a fault plan: the Jet file
    // engine has none, and the generator calls these for every field.
    int Count() const override
    {
        if (m_hooks.faults)
            m_hooks.enter(m_kind + QStringLiteral(".Count"), m_owner);
        return int(m_items.size());
    }

    std::shared_ptr<T> Item(int index) const override
    {
        if (m_hooks.faults)
            m_hooks.enter(m_kind + QStringLiteral(".Item"), m_owner, {QString::number(index)});
        if (index < 0 || std::size_t(index) >= m_items.size())
            m_hooks.fail(errors::ItemNotFound, {}, QStringLiteral("DAO.") + m_kind);
        return m_items[std::size_t(index)];
    }

    void append(std::shared_ptr<T> item) { m_items.push_back(std::move(item)); }

protected:
    QString m_kind;
    QString m_owner;
    EngineHooks m_hooks;
    std::vector<std::shared_ptr<T>> m_items;
};

class ModelProperty : public Property {
public:
    ModelProperty(schema::Property property, EngineHooks hooks)
        : m_property(std::move(property)), m_hooks(std::move(hooks)) {}

    QString Name() const override { enter("Property.Name"); return m_property.name; }
    int Type() const override { enter("Property.Type"); return m_property.type; }
    QVariant Value() const override { enter("Property.Value"); return m_property.value; }

private:
    void enter(const char *member) const { m_hooks.enter(QLatin1String(member), m_property.name); }

    schema::Property m_property;
    EngineHooks m_hooks;
};

class ModelProperties : public ModelCollection<Property> {
public:
    ModelProperties(const QString &owner, const QList<schema::Property> &properties, const EngineHooks &hooks)
        : ModelCollection(QStringLiteral("Properties"), owner, hooks)
    {
        for (const schema::Property &p : properties)
            append(std::make_shared<ModelProperty>(p, hooks));
    }
};

class ModelField : public Field {
public:
    ModelField(schema::Field field, QString foreignName, EngineHooks hooks)
        : m_field(std::move(field)), m_foreignName(std::move(foreignName)), m_hooks(std::move(hooks)),
          m_properties(m_field.name, m_field.properties, m_hooks) {}

    QString Name() const override { enter("Field.Name"); return m_field.name; }
    int Type() const override { enter("Field.Type"); return m_field.type; }
    qint32 Size() const override { enter("Field.Size"); return m_field.size; }
    qint32 Attributes() const override { enter("Field.Attributes"); return m_field.attributes; }
    QString ValidationRule() const override { enter("Field.ValidationRule"); return m_field.validationRule; }
    QString ValidationText() const override { enter("Field.ValidationText"); return m_field.validationText; }
    QString DefaultValue() const override { enter("Field.DefaultValue"); return m_field.defaultValue; }
    bool Required() const override { enter("Field.Required"); return m_field.required; }
    bool AllowZeroLength() const override { enter("Field.AllowZeroLength"); return m_field.allowZeroLength; }
    QString ForeignName() const override { enter("Field.ForeignName"); return m_foreignName; }
    const dao::Properties &Properties() const override { enter("Field.Properties"); return m_properties; }

private:
    void enter(const char *member) const { m_hooks.enter(member, m_field.name); }

    schema::Field m_field;
    QString m_foreignName;
    EngineHooks m_hooks;
    ModelProperties m_properties;
};

using ModelFields = ModelCollection<Field>;

// A field of an index or a relation: a name, and a foreign name or the
// key's direction.
std::shared_ptr<Field> nameOnlyField(const QString &name, const QString &foreignName, qint32 attributes,
                                     const EngineHooks &hooks)
{
    schema::Field field;
    field.name = name;
    field.type = 0;
    field.attributes = attributes;
    return std::make_shared<ModelField>(std::move(field), foreignName, hooks);
}

class ModelIndex : public Index {
public:
    ModelIndex(const schema::Index &index, const EngineHooks &hooks)
        : m_index(index), m_hooks(hooks), m_fields(QStringLiteral("Fields"), index.name, hooks)
    {
        for (qsizetype k = 0; k < index.fields.size(); ++k)
            m_fields.append(nameOnlyField(index.fields[k], {}, index.isDescending(k) ? dbDescending : 0, hooks));
    }

    QString Name() const override { enter("Index.Name"); return m_index.name; }
    bool Primary() const override { enter("Index.Primary"); return m_index.primary; }
    bool Unique() const override { enter("Index.Unique"); return m_index.unique; }
    bool Required() const override { enter("Index.Required"); return m_index.required; }
    bool IgnoreNulls() const override { enter("Index.IgnoreNulls"); return m_index.ignoreNulls; }
    bool Foreign() const override { enter("Index.Foreign"); return m_index.foreign; }
    const dao::Fields &Fields() const override { enter("Index.Fields"); return m_fields; }

private:
    void enter(const char *member) const { m_hooks.enter(member, m_index.name); }

    schema::Index m_index;
    EngineHooks m_hooks;
    ModelFields m_fields;
};

class ModelTableDef : public TableDef {
public:
    ModelTableDef(const schema::Table &table, const EngineHooks &hooks)
        : m_name(table.name), m_attributes(table.attributes), m_validationRule(table.validationRule),
          m_validationText(table.validationText), m_hooks(hooks),
          m_fields(QStringLiteral("Fields"), table.name, hooks),
          m_indexes(QStringLiteral("Indexes"), table.name, hooks),
          m_properties(table.name, table.properties, hooks)
    {
        for (const schema::Field &field : table.fields)
            m_fields.append(std::make_shared<ModelField>(field, QString(), hooks));
        for (const schema::Index &index : table.indexes)
            m_indexes.append(std::make_shared<ModelIndex>(index, hooks));
    }

    QString Name() const override { enter("TableDef.Name"); return m_name; }
    qint32 Attributes() const override { enter("TableDef.Attributes"); return m_attributes; }
    const dao::Fields &Fields() const override { enter("TableDef.Fields"); return m_fields; }
    const dao::Indexes &Indexes() const override { enter("TableDef.Indexes"); return m_indexes; }
    QString ValidationRule() const override { enter("TableDef.ValidationRule"); return m_validationRule; }
    QString ValidationText() const override { enter("TableDef.ValidationText"); return m_validationText; }
    const dao::Properties &Properties() const override { enter("TableDef.Properties"); return m_properties; }

private:
    void enter(const char *member) const { m_hooks.enter(member, m_name); }

    QString m_name;
    qint32 m_attributes;
    QString m_validationRule;
    QString m_validationText;
    EngineHooks m_hooks;
    ModelFields m_fields;
    ModelCollection<Index> m_indexes;
    ModelProperties m_properties;
};

class ModelTableDefs : public ModelCollection<TableDef, TableDefs> {
public:
    using ModelCollection::ModelCollection;
    // The model does not change under an open database: nothing to reread.
    void Refresh() override { m_hooks.enter(QStringLiteral("TableDefs.Refresh"), m_owner); }
};

class ModelRelation : public Relation {
public:
    ModelRelation(const schema::Relation &relation, const EngineHooks &hooks)
        : m_relation(relation), m_hooks(hooks), m_fields(QStringLiteral("Fields"), relation.name, hooks)
    {
        for (const schema::RelationField &field : relation.fields)
            m_fields.append(nameOnlyField(field.name, field.foreignName, 0, hooks));
    }

    QString Name() const override { enter("Relation.Name"); return m_relation.name; }
    QString Table() const override { enter("Relation.Table"); return m_relation.table; }
    QString ForeignTable() const override { enter("Relation.ForeignTable"); return m_relation.foreignTable; }
    qint32 Attributes() const override { enter("Relation.Attributes"); return m_relation.attributes; }
    bool PartialReplica() const override { enter("Relation.PartialReplica"); return m_relation.partialReplica; }
    const dao::Fields &Fields() const override { enter("Relation.Fields"); return m_fields; }

private:
    void enter(const char *member) const { m_hooks.enter(member, m_relation.name); }

    schema::Relation m_relation;
    EngineHooks m_hooks;
    ModelFields m_fields;
};

}  // namespace

class ModelDatabase::Impl {
public:
    Impl(const schema::Database &model, const EngineHooks &hooks)
        : tableDefs(QStringLiteral("TableDefs"), model.name, hooks),
          relations(QStringLiteral("Relations"), model.name, hooks)
    {
        for (const schema::Table &table : model.tables)
            tableDefs.append(std::make_shared<ModelTableDef>(table, hooks));
        for (const schema::Relation &relation : model.relations)
            relations.append(std::make_shared<ModelRelation>(relation, hooks));
    }

    ModelTableDefs tableDefs;
    ModelCollection<Relation> relations;
};

ModelDatabase::ModelDatabase(schema::Database model, EngineHooks hooks)
    : m_model(std::move(model)), m_hooks(std::move(hooks)),
      m_impl(std::make_unique<Impl>(m_model, m_hooks))
{
}

ModelDatabase::~ModelDatabase() = default;

void ModelDatabase::enter(const QString &member) const
{
    m_hooks.enter(member, m_model.name);
    if (m_closed)
        m_hooks.fail(errors::ObjectInvalid, {}, QStringLiteral("DAO.Database"));
}

QString ModelDatabase::Name() const
{
    enter(QStringLiteral("Database.Name"));
    return m_model.name;
}

QString ModelDatabase::Version() const
{
    enter(QStringLiteral("Database.Version"));
    return m_model.version;
}

TableDefs &ModelDatabase::TableDefs()
{
    enter(QStringLiteral("Database.TableDefs"));
    return m_impl->tableDefs;
}

const Relations &ModelDatabase::Relations() const
{
    enter(QStringLiteral("Database.Relations"));
    return m_impl->relations;
}

QString ModelDatabase::ReplicaID() const
{
    enter(QStringLiteral("Database.ReplicaID"));
    return m_model.replicaId;
}

QString ModelDatabase::DesignMasterID() const
{
    enter(QStringLiteral("Database.DesignMasterID"));
    return m_model.designMasterId;
}

void ModelDatabase::Close()
{
    // Closing twice is harmless: the callers close in their clean-up paths.
    m_hooks.enter(QStringLiteral("Database.Close"), m_model.name);
    m_closed = true;
}

}  // namespace dao
