#pragma once
// DAO objects served straight from schema model values, for feeding the
// module writer in tests and benchmarks. A member named in `Faults` (such as
// "Field.Attributes") throws the engine error given for it.

#include "utility/BasicError.h"
#include "wizard/engine/Dao.h"
#include "wizard/engine/SchemaModel.h"

#include <QHash>
#include <memory>
#include <vector>

namespace fake {

struct Faults {
    QHash<QString, int> numbers;   // member -> engine error number

    void check(const char *member) const
    {
        if (numbers.isEmpty())
            return;
        const auto it = numbers.find(QString::fromLatin1(member));
        if (it != numbers.end())
            throw pembry::BasicError(*it, QStringLiteral("DAO.Fake"),
                                     QStringLiteral("Injected failure of %1").arg(QLatin1StringView(member)));
    }
};
using FaultsPtr = std::shared_ptr<const Faults>;

template <class T>
class List : public dao::Collection<T> {
public:
    std::vector<std::shared_ptr<T>> items;
    int Count() const override { return int(items.size()); }
    std::shared_ptr<T> Item(int index) const override
    {
        if (index < 0 || index >= Count())
            throw pembry::BasicError(3265, QStringLiteral("DAO.Fake"), QStringLiteral("Item not found in this collection."));
        return items[size_t(index)];
    }
};

class Property : public dao::Property {
public:
    explicit Property(schema::Property p) : m_p(std::move(p)) {}
    QString Name() const override { return m_p.name; }
    int Type() const override { return m_p.type; }
    QVariant Value() const override { return m_p.value; }

private:
    schema::Property m_p;
};

inline List<dao::Property> properties(const QList<schema::Property> &list)
{
    List<dao::Property> result;
    for (const schema::Property &p : list)
        result.items.push_back(std::make_shared<Property>(p));
    return result;
}

class Field : public dao::Field {
public:
    Field(schema::Field f, FaultsPtr faults, QString foreignName = {})
        : m_f(std::move(f)), m_faults(std::move(faults)), m_foreignName(std::move(foreignName)),
          m_properties(properties(m_f.properties)) {}
    QString Name() const override { m_faults->check("Field.Name"); return m_f.name; }
    int Type() const override { m_faults->check("Field.Type"); return m_f.type; }
    qint32 Size() const override { m_faults->check("Field.Size"); return m_f.size; }
    qint32 Attributes() const override { m_faults->check("Field.Attributes"); return m_f.attributes; }
    QString ValidationRule() const override { m_faults->check("Field.ValidationRule"); return m_f.validationRule; }
    QString ValidationText() const override { m_faults->check("Field.ValidationText"); return m_f.validationText; }
    QString DefaultValue() const override { m_faults->check("Field.DefaultValue"); return m_f.defaultValue; }
    bool Required() const override { m_faults->check("Field.Required"); return m_f.required; }
    bool AllowZeroLength() const override { m_faults->check("Field.AllowZeroLength"); return m_f.allowZeroLength; }
    QString ForeignName() const override { m_faults->check("Field.ForeignName"); return m_foreignName; }
    const dao::Properties &Properties() const override { m_faults->check("Field.Properties"); return m_properties; }

private:
    schema::Field m_f;
    FaultsPtr m_faults;
    QString m_foreignName;
    List<dao::Property> m_properties;
};

class Index : public dao::Index {
public:
    Index(const schema::Index &i, FaultsPtr faults) : m_i(i), m_faults(std::move(faults))
    {
        for (qsizetype k = 0; k < i.fields.size(); ++k) {
            schema::Field f;
            f.name = i.fields[k];
            f.attributes = i.isDescending(k) ? dao::dbDescending : 0;
            m_fields.items.push_back(std::make_shared<Field>(f, m_faults));
        }
    }
    QString Name() const override { m_faults->check("Index.Name"); return m_i.name; }
    bool Primary() const override { m_faults->check("Index.Primary"); return m_i.primary; }
    bool Unique() const override { m_faults->check("Index.Unique"); return m_i.unique; }
    bool Required() const override { m_faults->check("Index.Required"); return m_i.required; }
    bool IgnoreNulls() const override { m_faults->check("Index.IgnoreNulls"); return m_i.ignoreNulls; }
    bool Foreign() const override { m_faults->check("Index.Foreign"); return m_i.foreign; }
    const dao::Fields &Fields() const override { return m_fields; }

private:
    schema::Index m_i;
    FaultsPtr m_faults;
    List<dao::Field> m_fields;
};

class TableDef : public dao::TableDef {
public:
    TableDef(const schema::Table &t, FaultsPtr faults = std::make_shared<Faults>())
        : m_name(t.name), m_attributes(t.attributes), m_validationRule(t.validationRule),
          m_validationText(t.validationText), m_faults(std::move(faults)), m_properties(properties(t.properties))
    {
        for (const schema::Field &f : t.fields)
            m_fields.items.push_back(std::make_shared<Field>(f, m_faults));
        for (const schema::Index &i : t.indexes)
            m_indexes.items.push_back(std::make_shared<Index>(i, m_faults));
    }
    QString Name() const override { m_faults->check("TableDef.Name"); return m_name; }
    qint32 Attributes() const override { return m_attributes; }
    const dao::Fields &Fields() const override { return m_fields; }
    const dao::Indexes &Indexes() const override { return m_indexes; }
    QString ValidationRule() const override { m_faults->check("TableDef.ValidationRule"); return m_validationRule; }
    QString ValidationText() const override { m_faults->check("TableDef.ValidationText"); return m_validationText; }
    const dao::Properties &Properties() const override { m_faults->check("TableDef.Properties"); return m_properties; }

private:
    QString m_name;
    qint32 m_attributes;
    QString m_validationRule;
    QString m_validationText;
    FaultsPtr m_faults;
    List<dao::Field> m_fields;
    List<dao::Index> m_indexes;
    List<dao::Property> m_properties;
};

class Relation : public dao::Relation {
public:
    Relation(const schema::Relation &r, FaultsPtr faults) : m_r(r), m_faults(std::move(faults))
    {
        for (const schema::RelationField &rf : r.fields) {
            schema::Field f;
            f.name = rf.name;
            m_fields.items.push_back(std::make_shared<Field>(f, m_faults, rf.foreignName));
        }
    }
    QString Name() const override { m_faults->check("Relation.Name"); return m_r.name; }
    QString Table() const override { m_faults->check("Relation.Table"); return m_r.table; }
    QString ForeignTable() const override { m_faults->check("Relation.ForeignTable"); return m_r.foreignTable; }
    qint32 Attributes() const override { m_faults->check("Relation.Attributes"); return m_r.attributes; }
    bool PartialReplica() const override { m_faults->check("Relation.PartialReplica"); return m_r.partialReplica; }
    const dao::Fields &Fields() const override { return m_fields; }

private:
    schema::Relation m_r;
    FaultsPtr m_faults;
    List<dao::Field> m_fields;
};

// The tables and relationships of one model as DAO objects.
struct Schema {
    explicit Schema(const schema::Database &model, FaultsPtr faults = std::make_shared<Faults>())
    {
        for (const schema::Table &t : model.tables)
            tables.push_back(std::make_shared<TableDef>(t, faults));
        for (const schema::Relation &r : model.relations)
            relations.items.push_back(std::make_shared<Relation>(r, faults));
    }
    std::vector<std::shared_ptr<TableDef>> tables;
    List<dao::Relation> relations;
};

}  // namespace fake
