#include "wizard/engine/ModelDatabase.h"

#include <vector>

namespace dao {

namespace {

// A collection of model-backed objects in the model's order. `m_kind` is
// the collection's DAO name.
template <class T, class Base = Collection<T>>
class ModelCollection : public Base {
public:
    ModelCollection(QString kind, std::shared_ptr<ErrorList> errors)
        : m_kind(std::move(kind)), m_errors(std::move(errors)) {}

    int Count() const override { return int(m_items.size()); }

    std::shared_ptr<T> Item(int index) const override
    {
        if (index < 0 || std::size_t(index) >= m_items.size())
            m_errors->fail(errors::ItemNotFound, {}, QStringLiteral("DAO.") + m_kind);
        return m_items[std::size_t(index)];
    }

    void append(std::shared_ptr<T> item) { m_items.push_back(std::move(item)); }

private:
    QString m_kind;
    std::shared_ptr<ErrorList> m_errors;
    std::vector<std::shared_ptr<T>> m_items;
};

class ModelProperty : public Property {
public:
    explicit ModelProperty(schema::Property property) : m_property(std::move(property)) {}

    QString Name() const override { return m_property.name; }
    int Type() const override { return m_property.type; }
    QVariant Value() const override { return m_property.value; }

private:
    schema::Property m_property;
};

class ModelProperties : public ModelCollection<Property> {
public:
    ModelProperties(const QList<schema::Property> &properties, const std::shared_ptr<ErrorList> &errors)
        : ModelCollection(QStringLiteral("Properties"), errors)
    {
        for (const schema::Property &p : properties)
            append(std::make_shared<ModelProperty>(p));
    }
};

class ModelField : public Field {
public:
    ModelField(schema::Field field, QString foreignName, const std::shared_ptr<ErrorList> &errors)
        : m_field(std::move(field)), m_foreignName(std::move(foreignName)),
          m_properties(m_field.properties, errors) {}

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
    QString ForeignName() const override { return m_foreignName; }
    const dao::Properties &Properties() const override { return m_properties; }

private:
    schema::Field m_field;
    QString m_foreignName;
    ModelProperties m_properties;
};

using ModelFields = ModelCollection<Field>;

// A field of an index or a relation: a name, and a foreign name or the
// key's direction.
std::shared_ptr<Field> nameOnlyField(const QString &name, const QString &foreignName, qint32 attributes,
                                     const std::shared_ptr<ErrorList> &errors)
{
    schema::Field field;
    field.name = name;
    field.type = 0;
    field.attributes = attributes;
    return std::make_shared<ModelField>(std::move(field), foreignName, errors);
}

class ModelIndex : public Index {
public:
    ModelIndex(const schema::Index &index, const std::shared_ptr<ErrorList> &errors)
        : m_index(index), m_fields(QStringLiteral("Fields"), errors)
    {
        for (qsizetype k = 0; k < index.fields.size(); ++k)
            m_fields.append(nameOnlyField(index.fields[k], {}, index.isDescending(k) ? dbDescending : 0, errors));
    }

    QString Name() const override { return m_index.name; }
    bool Primary() const override { return m_index.primary; }
    bool Unique() const override { return m_index.unique; }
    bool Required() const override { return m_index.required; }
    bool IgnoreNulls() const override { return m_index.ignoreNulls; }
    bool Foreign() const override { return m_index.foreign; }
    const dao::Fields &Fields() const override { return m_fields; }

private:
    schema::Index m_index;
    ModelFields m_fields;
};

class ModelTableDef : public TableDef {
public:
    ModelTableDef(const schema::Table &table, const std::shared_ptr<ErrorList> &errors)
        : m_name(table.name), m_attributes(table.attributes), m_validationRule(table.validationRule),
          m_validationText(table.validationText),
          m_fields(QStringLiteral("Fields"), errors),
          m_indexes(QStringLiteral("Indexes"), errors),
          m_properties(table.properties, errors)
    {
        for (const schema::Field &field : table.fields)
            m_fields.append(std::make_shared<ModelField>(field, QString(), errors));
        for (const schema::Index &index : table.indexes)
            m_indexes.append(std::make_shared<ModelIndex>(index, errors));
    }

    QString Name() const override { return m_name; }
    qint32 Attributes() const override { return m_attributes; }
    const dao::Fields &Fields() const override { return m_fields; }
    const dao::Indexes &Indexes() const override { return m_indexes; }
    QString ValidationRule() const override { return m_validationRule; }
    QString ValidationText() const override { return m_validationText; }
    const dao::Properties &Properties() const override { return m_properties; }

private:
    QString m_name;
    qint32 m_attributes;
    QString m_validationRule;
    QString m_validationText;
    ModelFields m_fields;
    ModelCollection<Index> m_indexes;
    ModelProperties m_properties;
};

class ModelTableDefs : public ModelCollection<TableDef, TableDefs> {
public:
    using ModelCollection::ModelCollection;
    // The model does not change under an open database: nothing to reread.
    void Refresh() override {}
};

class ModelRelation : public Relation {
public:
    ModelRelation(const schema::Relation &relation, const std::shared_ptr<ErrorList> &errors)
        : m_relation(relation), m_fields(QStringLiteral("Fields"), errors)
    {
        for (const schema::RelationField &field : relation.fields)
            m_fields.append(nameOnlyField(field.name, field.foreignName, 0, errors));
    }

    QString Name() const override { return m_relation.name; }
    QString Table() const override { return m_relation.table; }
    QString ForeignTable() const override { return m_relation.foreignTable; }
    qint32 Attributes() const override { return m_relation.attributes; }
    bool PartialReplica() const override { return m_relation.partialReplica; }
    const dao::Fields &Fields() const override { return m_fields; }

private:
    schema::Relation m_relation;
    ModelFields m_fields;
};

}  // namespace

class ModelDatabase::Impl {
public:
    Impl(const schema::Database &model, const std::shared_ptr<ErrorList> &errors)
        : tableDefs(QStringLiteral("TableDefs"), errors), relations(QStringLiteral("Relations"), errors)
    {
        for (const schema::Table &table : model.tables)
            tableDefs.append(std::make_shared<ModelTableDef>(table, errors));
        for (const schema::Relation &relation : model.relations)
            relations.append(std::make_shared<ModelRelation>(relation, errors));
    }

    ModelTableDefs tableDefs;
    ModelCollection<Relation> relations;
};

ModelDatabase::ModelDatabase(schema::Database model, std::shared_ptr<ErrorList> errors)
    : m_model(std::move(model)), m_errors(std::move(errors)),
      m_impl(std::make_unique<Impl>(m_model, m_errors))
{
}

ModelDatabase::~ModelDatabase() = default;

void ModelDatabase::checkOpen() const
{
    if (m_closed)
        m_errors->fail(errors::ObjectInvalid, {}, QStringLiteral("DAO.Database"));
}

QString ModelDatabase::Name() const
{
    checkOpen();
    return m_model.name;
}

QString ModelDatabase::Version() const
{
    checkOpen();
    return m_model.version;
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
    return m_model.replicaId;
}

QString ModelDatabase::DesignMasterID() const
{
    checkOpen();
    return m_model.designMasterId;
}

void ModelDatabase::Close()
{
    // Closing twice is harmless: the callers close in their clean-up paths.
    m_closed = true;
}

}  // namespace dao
