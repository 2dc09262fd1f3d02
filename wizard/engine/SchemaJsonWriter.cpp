// The schema JSON writer (docs/schema-json.md): what tabulo-schema-reader
// prints and what snapshot files hold. An optional member at its default
// (an empty text or list, false, a zero size or attribute word, an
// ascending key field) is left out: the engine parses every answer, and most
// fields carry no default value, rule or property.
#include "wizard/engine/SchemaJson.h"

#include "wizard/engine/DaoCodes.h"
#include "wizard/engine/ValueText.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <variant>

namespace schema {

namespace {


// Appends JSON text to one growing buffer.
class Writer {
public:
    Writer() { m_out.reserve(64 * 1024); }

    QByteArray result() { return QByteArray(m_out.data(), qsizetype(m_out.size())); }

    void raw(std::string_view text) { m_out.append(text); }
    void put(char c) { m_out.push_back(c); }

    void key(std::string_view name)
    {
        m_out.push_back('"');
        m_out.append(name);
        m_out.append("\":");
    }

    // A text as a JSON string literal: quotes, backslashes and control
    // characters escaped, everything else in UTF-8; a lone surrogate is
    // escaped as the code unit it is, so that it reads back unchanged.
    void string(QStringView text)
    {
        // Most texts are printable ASCII, written as they are.
        const char16_t *u = text.utf16();
        const char16_t *const end = u + text.size();
        bool plain = true;
        for (const char16_t *c = u; c < end; ++c)
            plain &= *c >= 0x20 && *c < 0x80 && *c != '"' && *c != '\\';
        if (plain) {
            const std::size_t start = m_out.size();
            m_out.resize(start + std::size_t(end - u) + 2);
            char *p = m_out.data() + start;
            *p++ = '"';
            p = std::copy(u, end, p);
            *p = '"';
            return;
        }
        escaped(u, end);
    }

    void escaped(const char16_t *u, const char16_t *const end)
    {
        static constexpr char hex[] = "0123456789abcdef";
        const std::size_t start = m_out.size();
        m_out.resize(start + 6 * std::size_t(end - u) + 2);
        char *p = m_out.data() + start;
        *p++ = '"';
        while (u < end) {
            const char16_t c = *u++;
            if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
                *p++ = char(c);
            } else if (c < 0x80) {
                *p++ = '\\';
                switch (c) {
                case '"': *p++ = '"'; break;
                case '\\': *p++ = '\\'; break;
                case '\n': *p++ = 'n'; break;
                case '\r': *p++ = 'r'; break;
                case '\t': *p++ = 't'; break;
                default:
                    p = std::copy_n("u00", 3, p);
                    *p++ = hex[c >> 4];
                    *p++ = hex[c & 0xF];
                }
            } else if (c < 0x800) {
                *p++ = char(0xC0 | (c >> 6));
                *p++ = char(0x80 | (c & 0x3F));
            } else if (QChar::isHighSurrogate(c) && u < end && QChar::isLowSurrogate(*u)) {
                const char32_t cp = QChar::surrogateToUcs4(c, *u++);
                *p++ = char(0xF0 | (cp >> 18));
                *p++ = char(0x80 | ((cp >> 12) & 0x3F));
                *p++ = char(0x80 | ((cp >> 6) & 0x3F));
                *p++ = char(0x80 | (cp & 0x3F));
            } else if (QChar::isSurrogate(c)) {
                p = std::copy_n("\\u", 2, p);
                for (int shift = 12; shift >= 0; shift -= 4)
                    *p++ = hex[(c >> shift) & 0xF];
            } else {
                *p++ = char(0xE0 | (c >> 12));
                *p++ = char(0x80 | ((c >> 6) & 0x3F));
                *p++ = char(0x80 | (c & 0x3F));
            }
        }
        *p++ = '"';
        m_out.resize(std::size_t(p - m_out.data()));
    }

    // A text known to need no escape: a number's or an amount's text, base64.
    void plainString(std::string_view ascii)
    {
        m_out.push_back('"');
        m_out.append(ascii);
        m_out.push_back('"');
    }

    void number(long long value)
    {
        char text[24];
        m_out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
    }

    // A double in its shortest exact form, or the text JSON needs instead.
    void real(double value)
    {
        if (const std::string_view special = schema::specialRealText(value); !special.empty())
            return plainString(special);
        char text[32];
        m_out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
    }

    // Members, each followed by a comma that close() takes back.
    void text(std::string_view name, const QString &value)
    {
        key(name);
        string(value);
        put(',');
    }
    void textIfAny(std::string_view name, const QString &value)
    {
        if (!value.isEmpty())
            text(name, value);
    }
    void numberMember(std::string_view name, long long value)
    {
        key(name);
        number(value);
        put(',');
    }
    void numberIfAny(std::string_view name, long long value)
    {
        if (value != 0)
            numberMember(name, value);
    }
    void flagIfSet(std::string_view name, bool value)
    {
        if (!value)
            return;
        key(name);
        raw("true,");
    }

    // A member holding a list; `item` writes one entry and its comma.
    template <typename List, typename Item>
    void list(std::string_view name, const List &items, Item item)
    {
        key(name);
        put('[');
        for (const auto &each : items)
            item(each);
        close(']');
        put(',');
    }

    // An object followed by its comma; `members` writes what it holds.
    template <typename Members>
    void object(Members members)
    {
        put('{');
        members();
        close('}');
        put(',');
    }

    // Replaces the trailing comma of an object or list, or closes an empty one.
    void close(char bracket)
    {
        if (m_out.back() == ',')
            m_out.back() = bracket;
        else
            m_out.push_back(bracket);
    }

private:
    std::string m_out;
};

// A property's value in the JSON form of its type.
void propertyValue(Writer &w, const Property &p)
{
    switch (p.type) {
    case dao::dbBoolean: w.raw(p.value.toBool() ? "true" : "false"); break;
    case dao::dbByte: case dao::dbInteger: case dao::dbLong: w.number(p.value.toInt()); break;
    case dao::dbCurrency: w.plainString(schema::currencyText(p.value.toLongLong())); break;
    case dao::dbSingle: w.real(schema::singleAsDouble(p.value.toFloat())); break;
    case dao::dbDouble: case dao::dbDate: w.real(p.value.toDouble()); break;
    case dao::dbText: case dao::dbMemo: case dao::dbGUID: w.string(p.value.toString()); break;
    default: {
        const QByteArray base64 = p.value.toByteArray().toBase64();
        w.plainString(std::string_view(base64.constData(), std::size_t(base64.size())));
    }
    }
}

// A member written only when it is not at its default: a text when not
// empty, a flag when set, a number when not zero.
template <typename Record>
struct OptionalMember {
    std::string_view name;
    std::variant<QString Record::*, bool Record::*, int Record::*> where;
};

template <typename Record>
void optionalMembers(Writer &w, const Record &r, std::initializer_list<OptionalMember<Record>> members)
{
    for (const OptionalMember<Record> &m : members) {
        if (const auto *text = std::get_if<QString Record::*>(&m.where))
            w.textIfAny(m.name, r.**text);
        else if (const auto *flag = std::get_if<bool Record::*>(&m.where))
            w.flagIfSet(m.name, r.**flag);
        else
            w.numberIfAny(m.name, r.*std::get<int Record::*>(m.where));
    }
}

void propertiesIfAny(Writer &w, const QList<Property> &properties)
{
    if (properties.isEmpty())
        return;
    w.list("properties", properties, [&w](const Property &p) {
        w.object([&] {
            w.text("name", p.name);
            w.numberMember("type", p.type);
            w.key("value");
            propertyValue(w, p);
            w.put(',');
        });
    });
}

void field(Writer &w, const Field &f)
{
    w.object([&] {
        w.text("name", f.name);
        w.numberMember("type", f.type);
        optionalMembers<Field>(w, f, {
            {"size", &Field::size}, {"attributes", &Field::attributes},
            {"required", &Field::required}, {"allowZeroLength", &Field::allowZeroLength},
            {"defaultValue", &Field::defaultValue}, {"validationRule", &Field::validationRule},
            {"validationText", &Field::validationText}, {"expression", &Field::expression},
            {"appendOnly", &Field::appendOnly}, {"storageType", &Field::storageType},
            {"precision", &Field::precision}, {"scale", &Field::scale}});
        propertiesIfAny(w, f.properties);
    });
}

void index(Writer &w, const Index &i)
{
    w.object([&] {
        w.text("name", i.name);
        optionalMembers<Index>(w, i, {
            {"primary", &Index::primary}, {"unique", &Index::unique}, {"required", &Index::required},
            {"ignoreNulls", &Index::ignoreNulls}, {"foreign", &Index::foreign}});
        // An ascending field is its name alone.
        qsizetype k = 0;
        w.list("fields", i.fields, [&](const QString &name) {
            if (i.isDescending(k++)) {
                w.object([&] {
                    w.text("name", name);
                    w.flagIfSet("descending", true);
                });
            } else {
                w.string(name);
                w.put(',');
            }
        });
    });
}

void table(Writer &w, const Table &t)
{
    w.object([&] {
        w.text("name", t.name);
        optionalMembers<Table>(w, t, {{"attributes", &Table::attributes},
                                      {"validationRule", &Table::validationRule},
                                      {"validationText", &Table::validationText}});
        propertiesIfAny(w, t.properties);
        w.list("fields", t.fields, [&w](const Field &f) { field(w, f); });
        w.list("indexes", t.indexes, [&w](const Index &i) { index(w, i); });
    });
}

void relation(Writer &w, const Relation &r)
{
    w.object([&] {
        w.text("name", r.name);
        w.text("table", r.table);
        w.text("foreignTable", r.foreignTable);
        optionalMembers<Relation>(w, r, {{"attributes", &Relation::attributes},
                                         {"partialReplica", &Relation::partialReplica}});
        w.list("fields", r.fields, [&w](const RelationField &f) {
            w.object([&] {
                w.text("name", f.name);
                w.text("foreignName", f.foreignName);
            });
        });
    });
}

void query(Writer &w, const Query &q)
{
    w.object([&] {
        w.text("name", q.name);
        w.numberMember("type", q.type);
        w.text("sql", q.sql);
        if (!q.parameters.isEmpty())
            w.list("parameters", q.parameters, [&w](const QueryParameter &p) {
                w.object([&] {
                    w.text("name", p.name);
                    w.numberMember("type", p.type);
                });
            });
        optionalMembers<Query>(w, q, {{"hidden", &Query::hidden}, {"connect", &Query::connect}});
        if (!q.returnsRecords)
            w.raw("\"returnsRecords\":false,");
        if (!q.sources.isEmpty())
            w.list("sources", q.sources, [&w](const QString &name) {
                w.string(name);
                w.put(',');
            });
        propertiesIfAny(w, q.properties);
    });
}

// Version 3 added ACE designs (version "12.0") and the field members
// expression, appendOnly and storageType; version 4 a Decimal's precision
// and scale; version 5 the saved queries. A design is written as the oldest
// version that holds it, which programs that know fewer members still read.
int formatVersion(const Database &db)
{
    if (!db.queries.isEmpty())
        return 5;
    int version = db.version == QLatin1String("12.0") ? 3 : 2;
    for (const Table &t : db.tables) {
        for (const Field &f : t.fields) {
            if (f.precision != 0 || f.scale != 0)
                return 4;
            if (!f.expression.isEmpty() || f.appendOnly || f.storageType != 0)
                version = 3;
        }
    }
    return version;
}

// One JSON document: an object whose members `members` writes, and a
// newline.
template <typename Members>
QByteArray document(Members members)
{
    Writer w;
    w.put('{');
    members(w);
    w.close('}');
    w.put('\n');
    return w.result();
}

}  // namespace

QByteArray toJson(const Database &db)
{
    return document([&db](Writer &w) {
        w.raw("\"format\":\"tabulo-schema\",");
        w.numberMember("formatVersion", formatVersion(db));
        w.text("name", db.name);
        w.text("version", db.version);
        optionalMembers<Database>(w, db, {{"replicaId", &Database::replicaId},
                                          {"designMasterId", &Database::designMasterId}});
        w.list("tables", db.tables, [&w](const Table &t) { table(w, t); });
        w.list("relations", db.relations, [&w](const Relation &r) { relation(w, r); });
        if (!db.queries.isEmpty())
            w.list("queries", db.queries, [&w](const Query &q) { query(w, q); });
        if (!db.warnings.isEmpty())
            w.list("warnings", db.warnings, [&w](const QString &line) {
                w.string(line);
                w.put(',');
            });
    });
}

QByteArray workgroupToJson(const QStringList &users)
{
    return document([&users](Writer &w) {
        w.raw("\"format\":\"tabulo-workgroup\",");
        w.list("users", users, [&w](const QString &user) {
            w.string(user);
            w.put(',');
        });
    });
}

QByteArray toJson(const ReaderError &error)
{
    return document([&error](Writer &w) {
        w.key("error");
        w.object([&] {
            w.numberMember("number", error.number);
            w.text("description", error.description);
        });
    });
}

}  // namespace schema
