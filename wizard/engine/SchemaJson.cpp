#include "wizard/engine/SchemaJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace schema {

namespace {

constexpr int FormatVersion = 1;

QJsonObject fieldToJson(const Field &f)
{
    return QJsonObject{
        {QStringLiteral("name"), f.name},
        {QStringLiteral("type"), f.type},
        {QStringLiteral("size"), f.size},
        {QStringLiteral("attributes"), f.attributes},
        {QStringLiteral("required"), f.required},
        {QStringLiteral("allowZeroLength"), f.allowZeroLength},
        {QStringLiteral("defaultValue"), f.defaultValue},
        {QStringLiteral("validationRule"), f.validationRule},
        {QStringLiteral("validationText"), f.validationText},
    };
}

QJsonObject indexToJson(const Index &i)
{
    return QJsonObject{
        {QStringLiteral("name"), i.name},
        {QStringLiteral("primary"), i.primary},
        {QStringLiteral("unique"), i.unique},
        {QStringLiteral("required"), i.required},
        {QStringLiteral("ignoreNulls"), i.ignoreNulls},
        {QStringLiteral("foreign"), i.foreign},
        {QStringLiteral("fields"), QJsonArray::fromStringList(i.fields)},
    };
}

QJsonObject tableToJson(const Table &t)
{
    QJsonArray fields, indexes;
    for (const Field &f : t.fields)
        fields.append(fieldToJson(f));
    for (const Index &i : t.indexes)
        indexes.append(indexToJson(i));
    return QJsonObject{
        {QStringLiteral("name"), t.name},
        {QStringLiteral("attributes"), t.attributes},
        {QStringLiteral("fields"), fields},
        {QStringLiteral("indexes"), indexes},
    };
}

QJsonObject relationToJson(const Relation &r)
{
    QJsonArray fields;
    for (const RelationField &f : r.fields)
        fields.append(QJsonObject{{QStringLiteral("name"), f.name},
                                  {QStringLiteral("foreignName"), f.foreignName}});
    return QJsonObject{
        {QStringLiteral("name"), r.name},
        {QStringLiteral("table"), r.table},
        {QStringLiteral("foreignTable"), r.foreignTable},
        {QStringLiteral("attributes"), r.attributes},
        {QStringLiteral("partialReplica"), r.partialReplica},
        {QStringLiteral("fields"), fields},
    };
}

// Where a value sits in the document («tables[2].fields[0].name»). Paths
// live on the stack of the reading functions and are spelled out only for a
// problem, so that a good document costs no text for them.
struct Path {
    const Path *parent = nullptr;
    const char *key = nullptr;      // the member, or the list of an item
    qsizetype index = -1;           // the item's position in that list

    QString text() const
    {
        QString out = parent ? parent->text() : QString();
        if (!key)
            return out;
        if (!out.isEmpty())
            out += QLatin1Char('.');
        out += QLatin1String(key);
        if (index >= 0)
            out += QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
        return out;
    }
};

// Reads members of JSON objects into the model, remembering the first
// problem with the path of the value it concerns.
class Reader {
public:
    bool ok() const { return m_problem.isEmpty(); }
    const QString &problem() const { return m_problem; }

    void fail(const Path &path, const QString &what)
    {
        if (m_problem.isEmpty())
            m_problem = path.text() + QStringLiteral(": ") + what;
    }

    // Absent members keep the model's default.
    void text(const QJsonObject &o, const Path &path, const char *key, QString &out)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isString())
            return fail(Path{&path, key}, QStringLiteral("not a text"));
        out = v.toString();
    }

    void flag(const QJsonObject &o, const Path &path, const char *key, bool &out)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isBool())
            return fail(Path{&path, key}, QStringLiteral("not true or false"));
        out = v.toBool();
    }

    // A whole number from `low` to `high`; numbers up to 2^32 - 1 are taken
    // as the bit pattern of a 32-bit attribute word when `low` is negative.
    void number(const QJsonObject &o, const Path &path, const char *key, qint32 &out,
                double low, double high)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        const double d = v.toDouble(std::nan(""));
        if (!v.isDouble() || !std::isfinite(d) || d != std::floor(d))
            return fail(Path{&path, key}, QStringLiteral("not a whole number"));
        if (d < low || d > high)
            return fail(Path{&path, key}, QStringLiteral("out of range"));
        out = qint32(quint32(qint64(d)));
    }

    QJsonArray array(const QJsonObject &o, const Path &path, const char *key)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return {};
        if (!v.isArray()) {
            fail(Path{&path, key}, QStringLiteral("not a list"));
            return {};
        }
        return v.toArray();
    }

    bool object(const QJsonValue &v, const Path &path, QJsonObject &out)
    {
        if (!v.isObject()) {
            fail(path, QStringLiteral("not an object"));
            return false;
        }
        out = v.toObject();
        return true;
    }

private:
    QString m_problem;
};

constexpr double AttributeLow = -2147483648.0;
constexpr double AttributeHigh = 4294967295.0;
constexpr double SizeHigh = 2147483647.0;

Field fieldFromJson(Reader &r, const QJsonObject &o, const Path &path)
{
    Field f;
    r.text(o, path, "name", f.name);
    qint32 type = f.type;
    r.number(o, path, "type", type, 0, 255);
    f.type = type;
    r.number(o, path, "size", f.size, 0, SizeHigh);
    r.number(o, path, "attributes", f.attributes, AttributeLow, AttributeHigh);
    r.flag(o, path, "required", f.required);
    r.flag(o, path, "allowZeroLength", f.allowZeroLength);
    r.text(o, path, "defaultValue", f.defaultValue);
    r.text(o, path, "validationRule", f.validationRule);
    r.text(o, path, "validationText", f.validationText);
    return f;
}

Index indexFromJson(Reader &r, const QJsonObject &o, const Path &path)
{
    Index i;
    r.text(o, path, "name", i.name);
    r.flag(o, path, "primary", i.primary);
    r.flag(o, path, "unique", i.unique);
    r.flag(o, path, "required", i.required);
    r.flag(o, path, "ignoreNulls", i.ignoreNulls);
    r.flag(o, path, "foreign", i.foreign);
    const QJsonArray names = r.array(o, path, "fields");
    for (qsizetype k = 0; k < names.size() && r.ok(); ++k) {
        if (!names.at(k).isString())
            r.fail(Path{&path, "fields", k}, QStringLiteral("not a text"));
        i.fields.append(names.at(k).toString());
    }
    return i;
}

Table tableFromJson(Reader &r, const QJsonObject &o, const Path &path)
{
    Table t;
    r.text(o, path, "name", t.name);
    r.number(o, path, "attributes", t.attributes, AttributeLow, AttributeHigh);
    const QJsonArray fields = r.array(o, path, "fields");
    for (qsizetype k = 0; k < fields.size() && r.ok(); ++k) {
        QJsonObject fo;
        const Path p{&path, "fields", k};
        if (r.object(fields.at(k), p, fo))
            t.fields.append(fieldFromJson(r, fo, p));
    }
    const QJsonArray indexes = r.array(o, path, "indexes");
    for (qsizetype k = 0; k < indexes.size() && r.ok(); ++k) {
        QJsonObject io;
        const Path p{&path, "indexes", k};
        if (r.object(indexes.at(k), p, io))
            t.indexes.append(indexFromJson(r, io, p));
    }
    return t;
}

Relation relationFromJson(Reader &r, const QJsonObject &o, const Path &path)
{
    Relation rel;
    r.text(o, path, "name", rel.name);
    r.text(o, path, "table", rel.table);
    r.text(o, path, "foreignTable", rel.foreignTable);
    r.number(o, path, "attributes", rel.attributes, AttributeLow, AttributeHigh);
    r.flag(o, path, "partialReplica", rel.partialReplica);
    const QJsonArray fields = r.array(o, path, "fields");
    for (qsizetype k = 0; k < fields.size() && r.ok(); ++k) {
        QJsonObject fo;
        const Path p{&path, "fields", k};
        if (!r.object(fields.at(k), p, fo))
            break;
        RelationField f;
        r.text(fo, p, "name", f.name);
        r.text(fo, p, "foreignName", f.foreignName);
        rel.fields.append(f);
    }
    return rel;
}

std::optional<QJsonObject> parseObject(const QByteArray &json, QString *problem)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        if (problem)
            *problem = QStringLiteral("not valid JSON at byte %1: %2").arg(error.offset).arg(error.errorString());
        return std::nullopt;
    }
    if (!doc.isObject()) {
        if (problem)
            *problem = QStringLiteral("the document is not a JSON object");
        return std::nullopt;
    }
    return doc.object();
}

}  // namespace

QByteArray toJson(const Database &database)
{
    QJsonArray tables, relations;
    for (const Table &t : database.tables)
        tables.append(tableToJson(t));
    for (const Relation &r : database.relations)
        relations.append(relationToJson(r));
    const QJsonObject root{
        {QStringLiteral("format"), QStringLiteral("tabulo-schema")},
        {QStringLiteral("formatVersion"), FormatVersion},
        {QStringLiteral("name"), database.name},
        {QStringLiteral("version"), database.version},
        {QStringLiteral("replicaId"), database.replicaId},
        {QStringLiteral("designMasterId"), database.designMasterId},
        {QStringLiteral("tables"), tables},
        {QStringLiteral("relations"), relations},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<Database> fromJson(const QByteArray &json, QString *problem)
{
    const std::optional<QJsonObject> root = parseObject(json, problem);
    if (!root)
        return std::nullopt;

    Reader r;
    const Path top;
    if (root->value(QLatin1String("format")).toString() != QLatin1String("tabulo-schema"))
        r.fail(Path{&top, "format"}, QStringLiteral("not \"tabulo-schema\""));
    qint32 formatVersion = FormatVersion;
    r.number(*root, top, "formatVersion", formatVersion, 1, FormatVersion);

    Database db;
    r.text(*root, top, "name", db.name);
    r.text(*root, top, "version", db.version);
    r.text(*root, top, "replicaId", db.replicaId);
    r.text(*root, top, "designMasterId", db.designMasterId);
    const QJsonArray tables = r.array(*root, top, "tables");
    for (qsizetype k = 0; k < tables.size() && r.ok(); ++k) {
        QJsonObject to;
        const Path p{&top, "tables", k};
        if (r.object(tables.at(k), p, to))
            db.tables.append(tableFromJson(r, to, p));
    }
    const QJsonArray relations = r.array(*root, top, "relations");
    for (qsizetype k = 0; k < relations.size() && r.ok(); ++k) {
        QJsonObject ro;
        const Path p{&top, "relations", k};
        if (r.object(relations.at(k), p, ro))
            db.relations.append(relationFromJson(r, ro, p));
    }
    if (!r.ok()) {
        if (problem)
            *problem = r.problem();
        return std::nullopt;
    }
    return db;
}

QByteArray toJson(const ReaderError &error)
{
    const QJsonObject root{{QStringLiteral("error"),
                            QJsonObject{{QStringLiteral("number"), error.number},
                                        {QStringLiteral("description"), error.description}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<ReaderError> readerErrorFromJson(const QByteArray &json)
{
    const std::optional<QJsonObject> root = parseObject(json, nullptr);
    if (!root)
        return std::nullopt;
    const QJsonValue error = root->value(QStringLiteral("error"));
    if (!error.isObject())
        return std::nullopt;
    const QJsonObject o = error.toObject();
    const QJsonValue number = o.value(QStringLiteral("number"));
    const QJsonValue description = o.value(QStringLiteral("description"));
    if (!number.isDouble() || !description.isString())
        return std::nullopt;
    const double d = number.toDouble();
    if (d != std::floor(d) || d < 1 || d > 65535)
        return std::nullopt;
    return ReaderError{int(d), description.toString()};
}

}  // namespace schema
