#pragma once
// The schema JSON members that may be left out, with the value an absent
// one takes (docs/schema-json.md): filling them in turns a document that
// leaves defaults out into the one that writes every member.

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace documentdefaults {

inline QJsonObject databaseDefaults()
{
    return {{"name", ""}, {"version", ""}, {"replicaId", ""}, {"designMasterId", ""},
            {"tables", QJsonArray()}, {"relations", QJsonArray()}, {"queries", QJsonArray()},
            {"warnings", QJsonArray()}};
}

inline QJsonObject tableDefaults()
{
    return {{"name", ""}, {"attributes", 0}, {"validationRule", ""}, {"validationText", ""},
            {"properties", QJsonArray()}, {"fields", QJsonArray()}, {"indexes", QJsonArray()}};
}

inline QJsonObject fieldDefaults()
{
    return {{"name", ""}, {"type", 10}, {"size", 0}, {"attributes", 0}, {"required", false},
            {"allowZeroLength", false}, {"defaultValue", ""}, {"validationRule", ""}, {"validationText", ""},
            {"expression", ""}, {"appendOnly", false}, {"storageType", 0}, {"precision", 0}, {"scale", 0},
            {"properties", QJsonArray()}};
}

inline QJsonObject indexDefaults()
{
    return {{"name", ""}, {"primary", false}, {"unique", false}, {"required", false},
            {"ignoreNulls", false}, {"foreign", false}, {"fields", QJsonArray()}};
}

inline QJsonObject relationDefaults()
{
    return {{"name", ""}, {"table", ""}, {"foreignTable", ""}, {"attributes", 0}, {"partialReplica", false},
            {"fields", QJsonArray()}};
}

inline QJsonObject queryDefaults()
{
    return {{"name", ""}, {"type", 0}, {"sql", ""}, {"parameters", QJsonArray()}, {"hidden", false},
            {"connect", ""}, {"returnsRecords", true}, {"sources", QJsonArray()}, {"properties", QJsonArray()}};
}

// `o` with each member of `defaults` it lacks.
inline QJsonObject filled(QJsonObject o, const QJsonObject &defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        if (!o.contains(it.key()))
            o.insert(it.key(), it.value());
    }
    return o;
}

// Each object of the list `key` of `o` passed through `fill`.
template <class Fill>
void fillList(QJsonObject &o, const char *key, Fill fill)
{
    QJsonArray list;
    for (const QJsonValue &item : o.value(QLatin1String(key)).toArray())
        list.append(fill(item));
    o.insert(QLatin1String(key), list);
}

inline QJsonValue property(const QJsonValue &p)
{
    return filled(p.toObject(), {{"name", ""}, {"type", 10}});
}

inline QJsonValue field(const QJsonValue &f)
{
    QJsonObject o = filled(f.toObject(), fieldDefaults());
    fillList(o, "properties", property);
    return o;
}

// An index field given by its name alone sorts ascending.
inline QJsonValue indexField(const QJsonValue &k)
{
    const QJsonObject o = k.isString() ? QJsonObject{{"name", k.toString()}} : k.toObject();
    return filled(o, {{"name", ""}, {"descending", false}});
}

inline QJsonValue index(const QJsonValue &i)
{
    QJsonObject o = filled(i.toObject(), indexDefaults());
    fillList(o, "fields", indexField);
    return o;
}

inline QJsonValue table(const QJsonValue &t)
{
    QJsonObject o = filled(t.toObject(), tableDefaults());
    fillList(o, "properties", property);
    fillList(o, "fields", field);
    fillList(o, "indexes", index);
    return o;
}

inline QJsonValue relation(const QJsonValue &r)
{
    QJsonObject o = filled(r.toObject(), relationDefaults());
    fillList(o, "fields", [](const QJsonValue &f) { return filled(f.toObject(), {{"name", ""}, {"foreignName", ""}}); });
    return o;
}

inline QJsonValue query(const QJsonValue &q)
{
    QJsonObject o = filled(q.toObject(), queryDefaults());
    fillList(o, "parameters", [](const QJsonValue &p) { return filled(p.toObject(), {{"name", ""}, {"type", 10}}); });
    fillList(o, "properties", property);
    return o;
}

// The whole document with every absent member at its default.
inline QJsonObject withDefaults(const QJsonObject &document)
{
    QJsonObject o = filled(document, databaseDefaults());
    fillList(o, "tables", table);
    fillList(o, "relations", relation);
    fillList(o, "queries", query);
    return o;
}

// The members of `o` (an object of the document) that sit at the default
// an absent one takes; the names and types always written are not counted.
inline QStringList membersAtDefault(const QJsonObject &o)
{
    static const QStringList alwaysWritten{"name", "type", "version", "table", "foreignTable", "foreignName",
                                           "value", "format", "formatVersion", "tables", "relations", "fields",
                                           "indexes", "sql"};
    QStringList found;
    for (const QJsonObject &defaults : {databaseDefaults(), tableDefaults(), fieldDefaults(), indexDefaults(),
                                        relationDefaults(), queryDefaults(), QJsonObject{{"descending", false}}}) {
        for (auto it = defaults.begin(); it != defaults.end(); ++it) {
            if (!alwaysWritten.contains(it.key()) && o.value(it.key()) == it.value() && !found.contains(it.key()))
                found.append(it.key());
        }
    }
    return found;
}

}  // namespace documentdefaults
