#include "wizard/engine/SchemaJson.h"

#include "wizard/engine/JsonScanner.h"

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

constexpr double AttributeLow = -2147483648.0;
constexpr double AttributeHigh = 4294967295.0;
constexpr double SizeHigh = 2147483647.0;

// Reads the document into the model in one pass over its text. A value of
// the wrong type or out of range is remembered with its path (the first
// one) and the reading goes on, so that a syntax error anywhere still wins;
// absent members keep the model's defaults; unknown members are skipped.
class ModelReader {
public:
    explicit ModelReader(const QByteArray &json) : m_scan(json) {}

    std::optional<Database> read(QString *problem);

private:
    void fail(const Path &path, const QString &what)
    {
        if (m_problem.isEmpty())
            m_problem = path.text() + QStringLiteral(": ") + what;
    }

    void text(const Path &at, QString &out)
    {
        if (m_scan.peek() != JsonScanner::Kind::Text) {
            fail(at, QStringLiteral("not a text"));
            return m_scan.skip();
        }
        out = m_scan.text();
    }

    void flag(const Path &at, bool &out)
    {
        if (m_scan.peek() != JsonScanner::Kind::Boolean) {
            fail(at, QStringLiteral("not true or false"));
            return m_scan.skip();
        }
        out = m_scan.boolean();
    }

    // A whole number from `low` to `high`; numbers up to 2^32 - 1 are taken
    // as the bit pattern of a 32-bit attribute word when `low` is negative.
    void number(const Path &at, qint32 &out, double low, double high)
    {
        if (m_scan.peek() != JsonScanner::Kind::Number) {
            fail(at, QStringLiteral("not a whole number"));
            return m_scan.skip();
        }
        const double d = m_scan.number();
        if (!std::isfinite(d) || d != std::floor(d))
            return fail(at, QStringLiteral("not a whole number"));
        if (d < low || d > high)
            return fail(at, QStringLiteral("out of range"));
        out = qint32(quint32(qint64(d)));
    }

    // Calls `item(path)` for each item of the list at `at`.
    template <class Item>
    void list(const Path &at, Item item)
    {
        if (m_scan.peek() != JsonScanner::Kind::Array) {
            fail(at, QStringLiteral("not a list"));
            return m_scan.skip();
        }
        m_scan.beginArray();
        for (qsizetype n = 0; m_scan.nextItem(n);)
            item(Path{at.parent, at.key, n - 1});
    }

    // Calls `member(key)` for each member of the object at `at`; `member`
    // answers false for a member it does not know, which is skipped.
    template <class Member>
    bool object(const Path &at, Member member)
    {
        if (m_scan.peek() != JsonScanner::Kind::Object) {
            fail(at, QStringLiteral("not an object"));
            m_scan.skip();
            return false;
        }
        m_scan.beginObject();
        QByteArrayView key;
        for (qsizetype n = 0; m_scan.nextMember(n, key);) {
            if (!member(key))
                m_scan.skip();
        }
        return true;
    }

    void field(const Path &at, Field &f)
    {
        object(at, [&](QByteArrayView key) {
            if (key == "name") {
                text(Path{&at, "name"}, f.name);
            } else if (key == "type") {
                qint32 type = f.type;
                number(Path{&at, "type"}, type, 0, 255);
                f.type = type;
            } else if (key == "size") {
                number(Path{&at, "size"}, f.size, 0, SizeHigh);
            } else if (key == "attributes") {
                number(Path{&at, "attributes"}, f.attributes, AttributeLow, AttributeHigh);
            } else if (key == "required") {
                flag(Path{&at, "required"}, f.required);
            } else if (key == "allowZeroLength") {
                flag(Path{&at, "allowZeroLength"}, f.allowZeroLength);
            } else if (key == "defaultValue") {
                text(Path{&at, "defaultValue"}, f.defaultValue);
            } else if (key == "validationRule") {
                text(Path{&at, "validationRule"}, f.validationRule);
            } else if (key == "validationText") {
                text(Path{&at, "validationText"}, f.validationText);
            } else {
                return false;
            }
            return true;
        });
    }

    void index(const Path &at, Index &i)
    {
        object(at, [&](QByteArrayView key) {
            if (key == "name")
                text(Path{&at, "name"}, i.name);
            else if (key == "primary")
                flag(Path{&at, "primary"}, i.primary);
            else if (key == "unique")
                flag(Path{&at, "unique"}, i.unique);
            else if (key == "required")
                flag(Path{&at, "required"}, i.required);
            else if (key == "ignoreNulls")
                flag(Path{&at, "ignoreNulls"}, i.ignoreNulls);
            else if (key == "foreign")
                flag(Path{&at, "foreign"}, i.foreign);
            else if (key == "fields")
                list(Path{&at, "fields"}, [&](const Path &p) {
                    QString name;
                    text(p, name);
                    i.fields.append(name);
                });
            else
                return false;
            return true;
        });
    }

    void table(const Path &at, Table &t)
    {
        object(at, [&](QByteArrayView key) {
            if (key == "name") {
                text(Path{&at, "name"}, t.name);
            } else if (key == "attributes") {
                number(Path{&at, "attributes"}, t.attributes, AttributeLow, AttributeHigh);
            } else if (key == "fields") {
                t.fields.clear();
                list(Path{&at, "fields"}, [&](const Path &p) { field(p, t.fields.emplace_back()); });
            } else if (key == "indexes") {
                t.indexes.clear();
                list(Path{&at, "indexes"}, [&](const Path &p) { index(p, t.indexes.emplace_back()); });
            } else {
                return false;
            }
            return true;
        });
    }

    void relation(const Path &at, Relation &r)
    {
        object(at, [&](QByteArrayView key) {
            if (key == "name") {
                text(Path{&at, "name"}, r.name);
            } else if (key == "table") {
                text(Path{&at, "table"}, r.table);
            } else if (key == "foreignTable") {
                text(Path{&at, "foreignTable"}, r.foreignTable);
            } else if (key == "attributes") {
                number(Path{&at, "attributes"}, r.attributes, AttributeLow, AttributeHigh);
            } else if (key == "partialReplica") {
                flag(Path{&at, "partialReplica"}, r.partialReplica);
            } else if (key == "fields") {
                r.fields.clear();
                list(Path{&at, "fields"}, [&](const Path &p) {
                    RelationField &f = r.fields.emplace_back();
                    object(p, [&](QByteArrayView member) {
                        if (member == "name")
                            text(Path{&p, "name"}, f.name);
                        else if (member == "foreignName")
                            text(Path{&p, "foreignName"}, f.foreignName);
                        else
                            return false;
                        return true;
                    });
                });
            } else {
                return false;
            }
            return true;
        });
    }

    JsonScanner m_scan;
    QString m_problem;
};

std::optional<Database> ModelReader::read(QString *problem)
{
    const auto answer = [&](const QString &why) -> std::optional<Database> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    Database db;
    QString format;
    try {
        const Path top;
        if (m_scan.peek() != JsonScanner::Kind::Object) {
            m_scan.skip();
            m_scan.finish();
            return answer(QStringLiteral("the document is not a JSON object"));
        }
        object(top, [&](QByteArrayView key) {
            qint32 formatVersion = FormatVersion;
            if (key == "format") {
                if (m_scan.peek() == JsonScanner::Kind::Text)
                    format = m_scan.text();
                else
                    m_scan.skip();
            } else if (key == "formatVersion") {
                number(Path{&top, "formatVersion"}, formatVersion, 1, FormatVersion);
            } else if (key == "name") {
                text(Path{&top, "name"}, db.name);
            } else if (key == "version") {
                text(Path{&top, "version"}, db.version);
            } else if (key == "replicaId") {
                text(Path{&top, "replicaId"}, db.replicaId);
            } else if (key == "designMasterId") {
                text(Path{&top, "designMasterId"}, db.designMasterId);
            } else if (key == "tables") {
                db.tables.clear();
                list(Path{&top, "tables"}, [&](const Path &p) { table(p, db.tables.emplace_back()); });
            } else if (key == "relations") {
                db.relations.clear();
                list(Path{&top, "relations"}, [&](const Path &p) { relation(p, db.relations.emplace_back()); });
            } else {
                return false;
            }
            return true;
        });
        m_scan.finish();
    } catch (const JsonSyntaxError &error) {
        return answer(QStringLiteral("not valid JSON at byte %1: %2").arg(error.offset).arg(QLatin1String(error.what)));
    }
    // The format is checked first: a document of another kind is reported as that.
    if (format != QLatin1String("tabulo-schema"))
        return answer(QStringLiteral("format: not \"tabulo-schema\""));
    if (!m_problem.isEmpty())
        return answer(m_problem);
    return db;
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
    return ModelReader(json).read(problem);
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
