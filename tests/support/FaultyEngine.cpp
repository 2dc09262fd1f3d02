#include "FaultyEngine.h"

#include <unordered_map>

namespace testsupport {

namespace {

using Context = std::shared_ptr<const FaultContext>;

std::shared_ptr<dao::Property> wrap(const Context &context, std::shared_ptr<dao::Property> inner);
std::shared_ptr<dao::Field> wrap(const Context &context, std::shared_ptr<dao::Field> inner);
std::shared_ptr<dao::Index> wrap(const Context &context, std::shared_ptr<dao::Index> inner);
std::shared_ptr<dao::TableDef> wrap(const Context &context, std::shared_ptr<dao::TableDef> inner);
std::shared_ptr<dao::Relation> wrap(const Context &context, std::shared_ptr<dao::Relation> inner);

// What every wrapped object has: the shared context and the name the fault
// plan knows it by, read from the real object once.
class Faulty {
protected:
    Faulty(Context context, QString name) : m_context(std::move(context)), m_name(std::move(name)) {}

    void enter(const char *member, const QStringList &arguments = {}) const
    {
        m_context->enter(QLatin1String(member), m_name, arguments);
    }

    Context m_context;
    QString m_name;
};

// A wrapped collection of `kind` ("Fields") belonging to `owner`. It
// follows the real collection its owner last returned, and hands out one
// wrapper for each real item.
template <class T, class Base = dao::Collection<T>>
class FaultyCollection : public Base {
public:
    FaultyCollection(Context context, QString kind, QString owner)
        : m_context(std::move(context)), m_kind(std::move(kind)), m_owner(std::move(owner)) {}

    const Base &over(const Base &inner)
    {
        m_inner = &inner;
        return *this;
    }

    int Count() const override
    {
        m_context->enter(m_kind + QStringLiteral(".Count"), m_owner);
        return m_inner->Count();
    }

    std::shared_ptr<T> Item(int index) const override
    {
        m_context->enter(m_kind + QStringLiteral(".Item"), m_owner, {QString::number(index)});
        std::shared_ptr<T> item = m_inner->Item(index);
        std::shared_ptr<T> &wrapped = m_wrapped[item.get()];
        if (!wrapped)
            wrapped = wrap(m_context, std::move(item));
        return wrapped;
    }

protected:
    Context m_context;
    QString m_kind;
    QString m_owner;
    const Base *m_inner = nullptr;
    mutable std::unordered_map<const T *, std::shared_ptr<T>> m_wrapped;
};

class FaultyProperty : public dao::Property, Faulty {
public:
    FaultyProperty(Context context, std::shared_ptr<dao::Property> inner)
        : Faulty(std::move(context), inner->Name()), m_inner(std::move(inner)) {}

    QString Name() const override { enter("Property.Name"); return m_inner->Name(); }
    int Type() const override { enter("Property.Type"); return m_inner->Type(); }
    QVariant Value() const override { enter("Property.Value"); return m_inner->Value(); }

private:
    std::shared_ptr<dao::Property> m_inner;
};

class FaultyField : public dao::Field, Faulty {
public:
    FaultyField(Context context, std::shared_ptr<dao::Field> inner)
        : Faulty(std::move(context), inner->Name()), m_inner(std::move(inner)),
          m_properties(m_context, QStringLiteral("Properties"), m_name) {}

    QString Name() const override { enter("Field.Name"); return m_inner->Name(); }
    int Type() const override { enter("Field.Type"); return m_inner->Type(); }
    qint32 Size() const override { enter("Field.Size"); return m_inner->Size(); }
    qint32 Attributes() const override { enter("Field.Attributes"); return m_inner->Attributes(); }
    QString ValidationRule() const override { enter("Field.ValidationRule"); return m_inner->ValidationRule(); }
    QString ValidationText() const override { enter("Field.ValidationText"); return m_inner->ValidationText(); }
    QString DefaultValue() const override { enter("Field.DefaultValue"); return m_inner->DefaultValue(); }
    bool Required() const override { enter("Field.Required"); return m_inner->Required(); }
    bool AllowZeroLength() const override { enter("Field.AllowZeroLength"); return m_inner->AllowZeroLength(); }
    QString Expression() const override { enter("Field.Expression"); return m_inner->Expression(); }
    bool AppendOnly() const override { enter("Field.AppendOnly"); return m_inner->AppendOnly(); }
    int StorageType() const override { enter("Field.StorageType"); return m_inner->StorageType(); }
    int Precision() const override { enter("Field.Precision"); return m_inner->Precision(); }
    int Scale() const override { enter("Field.Scale"); return m_inner->Scale(); }
    QString ForeignName() const override { enter("Field.ForeignName"); return m_inner->ForeignName(); }
    const dao::Properties &Properties() const override
    {
        enter("Field.Properties");
        return m_properties.over(m_inner->Properties());
    }

private:
    std::shared_ptr<dao::Field> m_inner;
    mutable FaultyCollection<dao::Property> m_properties;
};

class FaultyIndex : public dao::Index, Faulty {
public:
    FaultyIndex(Context context, std::shared_ptr<dao::Index> inner)
        : Faulty(std::move(context), inner->Name()), m_inner(std::move(inner)),
          m_fields(m_context, QStringLiteral("Fields"), m_name) {}

    QString Name() const override { enter("Index.Name"); return m_inner->Name(); }
    bool Primary() const override { enter("Index.Primary"); return m_inner->Primary(); }
    bool Unique() const override { enter("Index.Unique"); return m_inner->Unique(); }
    bool Required() const override { enter("Index.Required"); return m_inner->Required(); }
    bool IgnoreNulls() const override { enter("Index.IgnoreNulls"); return m_inner->IgnoreNulls(); }
    bool Foreign() const override { enter("Index.Foreign"); return m_inner->Foreign(); }
    const dao::Fields &Fields() const override
    {
        enter("Index.Fields");
        return m_fields.over(m_inner->Fields());
    }

private:
    std::shared_ptr<dao::Index> m_inner;
    mutable FaultyCollection<dao::Field> m_fields;
};

class FaultyTableDef : public dao::TableDef, Faulty {
public:
    FaultyTableDef(Context context, std::shared_ptr<dao::TableDef> inner)
        : Faulty(std::move(context), inner->Name()), m_inner(std::move(inner)),
          m_fields(m_context, QStringLiteral("Fields"), m_name),
          m_indexes(m_context, QStringLiteral("Indexes"), m_name),
          m_properties(m_context, QStringLiteral("Properties"), m_name) {}

    QString Name() const override { enter("TableDef.Name"); return m_inner->Name(); }
    qint32 Attributes() const override { enter("TableDef.Attributes"); return m_inner->Attributes(); }
    QString ValidationRule() const override { enter("TableDef.ValidationRule"); return m_inner->ValidationRule(); }
    QString ValidationText() const override { enter("TableDef.ValidationText"); return m_inner->ValidationText(); }
    const dao::Fields &Fields() const override
    {
        enter("TableDef.Fields");
        return m_fields.over(m_inner->Fields());
    }
    const dao::Indexes &Indexes() const override
    {
        enter("TableDef.Indexes");
        return m_indexes.over(m_inner->Indexes());
    }
    const dao::Properties &Properties() const override
    {
        enter("TableDef.Properties");
        return m_properties.over(m_inner->Properties());
    }

private:
    std::shared_ptr<dao::TableDef> m_inner;
    mutable FaultyCollection<dao::Field> m_fields;
    mutable FaultyCollection<dao::Index> m_indexes;
    mutable FaultyCollection<dao::Property> m_properties;
};

class FaultyTableDefs : public FaultyCollection<dao::TableDef, dao::TableDefs> {
public:
    using FaultyCollection::FaultyCollection;

    dao::TableDefs &over(dao::TableDefs &inner)
    {
        m_tableDefs = &inner;
        FaultyCollection::over(inner);
        return *this;
    }

    void Refresh() override
    {
        m_context->enter(QStringLiteral("TableDefs.Refresh"), m_owner);
        m_tableDefs->Refresh();
    }

private:
    dao::TableDefs *m_tableDefs = nullptr;
};

class FaultyRelation : public dao::Relation, Faulty {
public:
    FaultyRelation(Context context, std::shared_ptr<dao::Relation> inner)
        : Faulty(std::move(context), inner->Name()), m_inner(std::move(inner)),
          m_fields(m_context, QStringLiteral("Fields"), m_name) {}

    QString Name() const override { enter("Relation.Name"); return m_inner->Name(); }
    QString Table() const override { enter("Relation.Table"); return m_inner->Table(); }
    QString ForeignTable() const override { enter("Relation.ForeignTable"); return m_inner->ForeignTable(); }
    qint32 Attributes() const override { enter("Relation.Attributes"); return m_inner->Attributes(); }
    bool PartialReplica() const override { enter("Relation.PartialReplica"); return m_inner->PartialReplica(); }
    const dao::Fields &Fields() const override
    {
        enter("Relation.Fields");
        return m_fields.over(m_inner->Fields());
    }

private:
    std::shared_ptr<dao::Relation> m_inner;
    mutable FaultyCollection<dao::Field> m_fields;
};

class FaultyDatabase : public dao::Database, Faulty {
public:
    FaultyDatabase(Context context, std::shared_ptr<dao::Database> inner)
        : Faulty(std::move(context), inner->Name()), m_inner(std::move(inner)),
          m_tableDefs(m_context, QStringLiteral("TableDefs"), m_name),
          m_relations(m_context, QStringLiteral("Relations"), m_name) {}

    QString Name() const override { enter("Database.Name"); return m_inner->Name(); }
    QString Version() const override { enter("Database.Version"); return m_inner->Version(); }
    dao::TableDefs &TableDefs() override
    {
        enter("Database.TableDefs");
        return m_tableDefs.over(m_inner->TableDefs());
    }
    const dao::Relations &Relations() const override
    {
        enter("Database.Relations");
        return m_relations.over(m_inner->Relations());
    }
    QString ReplicaID() const override { enter("Database.ReplicaID"); return m_inner->ReplicaID(); }
    QString DesignMasterID() const override { enter("Database.DesignMasterID"); return m_inner->DesignMasterID(); }
    QStringList Warnings() const override { enter("Database.Warnings"); return m_inner->Warnings(); }
    void Close() override
    {
        enter("Database.Close");
        m_inner->Close();
    }

private:
    std::shared_ptr<dao::Database> m_inner;
    FaultyTableDefs m_tableDefs;
    mutable FaultyCollection<dao::Relation> m_relations;
};

class FaultyWorkspace : public dao::Workspace, Faulty {
public:
    FaultyWorkspace(Context context, std::shared_ptr<dao::Workspace> inner)
        : Faulty(std::move(context), inner->Name()), m_inner(std::move(inner)) {}

    QString Name() const override { enter("Workspace.Name"); return m_inner->Name(); }
    std::shared_ptr<dao::Database> OpenDatabase(const QString &name, bool exclusive, bool readOnly,
                                                const QString &connect) override
    {
        const auto flag = [](bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); };
        enter("Workspace.OpenDatabase", {name, flag(exclusive), flag(readOnly), connect});
        return std::make_shared<FaultyDatabase>(m_context, m_inner->OpenDatabase(name, exclusive, readOnly, connect));
    }
    void Close() override
    {
        enter("Workspace.Close");
        m_inner->Close();
    }

private:
    std::shared_ptr<dao::Workspace> m_inner;
};

std::shared_ptr<dao::Property> wrap(const Context &context, std::shared_ptr<dao::Property> inner)
{
    return std::make_shared<FaultyProperty>(context, std::move(inner));
}

std::shared_ptr<dao::Field> wrap(const Context &context, std::shared_ptr<dao::Field> inner)
{
    return std::make_shared<FaultyField>(context, std::move(inner));
}

std::shared_ptr<dao::Index> wrap(const Context &context, std::shared_ptr<dao::Index> inner)
{
    return std::make_shared<FaultyIndex>(context, std::move(inner));
}

std::shared_ptr<dao::TableDef> wrap(const Context &context, std::shared_ptr<dao::TableDef> inner)
{
    return std::make_shared<FaultyTableDef>(context, std::move(inner));
}

std::shared_ptr<dao::Relation> wrap(const Context &context, std::shared_ptr<dao::Relation> inner)
{
    return std::make_shared<FaultyRelation>(context, std::move(inner));
}

}  // namespace

FaultyEngine::FaultyEngine(std::shared_ptr<dao::DBEngine> inner, std::shared_ptr<dao::ErrorList> errors,
                           std::shared_ptr<FaultPlan> plan)
    : m_inner(std::move(inner)),
      m_context(std::make_shared<const FaultContext>(FaultContext{std::move(plan), std::move(errors)}))
{
}

std::shared_ptr<dao::Database> FaultyEngine::withFaults(std::shared_ptr<dao::Database> database) const
{
    return std::make_shared<FaultyDatabase>(m_context, std::move(database));
}

std::shared_ptr<dao::Workspace> FaultyEngine::Workspaces(int index)
{
    m_context->enter(QStringLiteral("DBEngine.Workspaces"), {}, {QString::number(index)});
    std::shared_ptr<dao::Workspace> workspace = m_inner->Workspaces(index);
    if (!m_defaultWorkspace)
        m_defaultWorkspace = std::make_shared<FaultyWorkspace>(m_context, std::move(workspace));
    return m_defaultWorkspace;
}

QString FaultyEngine::SystemDB() const
{
    m_context->enter(QStringLiteral("DBEngine.SystemDB"));
    return m_inner->SystemDB();
}

void FaultyEngine::setSystemDB(const QString &path)
{
    m_context->enter(QStringLiteral("DBEngine.setSystemDB"), {}, {path});
    m_inner->setSystemDB(path);
}

std::shared_ptr<dao::Workspace> FaultyEngine::CreateWorkspace(const QString &name, const QString &user,
                                                              const QString &password)
{
    m_context->enter(QStringLiteral("DBEngine.CreateWorkspace"), {}, {name, user, password});
    return std::make_shared<FaultyWorkspace>(m_context, m_inner->CreateWorkspace(name, user, password));
}

std::shared_ptr<dao::Database> fakeDatabase(const schema::Database &model, std::shared_ptr<FaultPlan> plan)
{
    return FakeEngine(std::move(plan)).makeDatabase(model);
}

}  // namespace testsupport
