// The schema JSON writer (docs/schema-json.md): what tabulo-schema-reader
// prints and what snapshot files hold. An optional member at its default
// (an empty text or list, false, a zero size or attribute word, an
// ascending key field) is left out: the engine parses every answer, and most
// fields carry no default value, rule or property.
#include "wizard/engine/SchemaJson.h"

#include "wizard/engine/DaoCodes.h"
#include "wizard/engine/SchemaJsonMembers.h"
#include "wizard/engine/ValueText.h"

#include <algorithm>
#include <charconv>
#include <optional>
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
    void numberMember(std::string_view name, long long value)
    {
        key(name);
        number(value);
        put(',');
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

// A new record, whose members are at their defaults.
template <typename R>
const R blank{};

// The members of `r` that `table` lists, in its order: those written
// always, and the others when they differ from their value in a new record.
// `alwaysWritten` limits it to the one kind or the other.
template <typename R, std::size_t N>
void members(Writer &w, const R &r, const json::Member<R> (&table)[N],
             std::optional<bool> alwaysWritten = std::nullopt)
{
    for (const json::Member<R> &m : table) {
        if (alwaysWritten && m.alwaysWritten != *alwaysWritten)
            continue;
        std::visit([&](auto where) {
            const auto &value = r.*where;
            if (!m.alwaysWritten && value == blank<R>.*where)
                return;
            w.key(m.key);
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, QString>)
                w.string(value);
            else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>)
                w.raw(value ? "true" : "false");
            else
                w.number(value);
            w.put(',');
        }, m.where);
    }
}

// `version`, or the newer one that added a member of `r` not at its default.
template <typename R, std::size_t N>
int newestMember(const R &r, const json::Member<R> (&table)[N], int version)
{
    for (const json::Member<R> &m : table) {
        if (m.version > version && std::visit([&](auto where) { return r.*where != blank<R>.*where; }, m.where))
            version = m.version;
    }
    return version;
}

void propertiesIfAny(Writer &w, const QList<Property> &properties)
{
    if (properties.isEmpty())
        return;
    w.list("properties", properties, [&w](const Property &p) {
        w.object([&] {
            members(w, p, json::PropertyMembers);
            w.key("value");
            propertyValue(w, p);
            w.put(',');
        });
    });
}

void field(Writer &w, const Field &f)
{
    w.object([&] {
        members(w, f, json::FieldMembers);
        propertiesIfAny(w, f.properties);
    });
}

void index(Writer &w, const Index &i)
{
    w.object([&] {
        members(w, i, json::IndexMembers);
        // An ascending field is its name alone.
        qsizetype k = 0;
        w.list("fields", i.fields, [&](const QString &name) {
            if (i.isDescending(k++)) {
                w.object([&] {
                    w.text("name", name);
                    w.raw("\"descending\":true,");
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
        members(w, t, json::TableMembers);
        propertiesIfAny(w, t.properties);
        w.list("fields", t.fields, [&w](const Field &f) { field(w, f); });
        w.list("indexes", t.indexes, [&w](const Index &i) { index(w, i); });
    });
}

void relation(Writer &w, const Relation &r)
{
    w.object([&] {
        members(w, r, json::RelationMembers);
        w.list("fields", r.fields, [&w](const RelationField &f) {
            w.object([&] { members(w, f, json::RelationFieldMembers); });
        });
    });
}

void query(Writer &w, const Query &q)
{
    w.object([&] {
        members(w, q, json::QueryMembers, true);
        if (!q.parameters.isEmpty())
            w.list("parameters", q.parameters, [&w](const QueryParameter &p) {
                w.object([&] { members(w, p, json::QueryParameterMembers); });
            });
        members(w, q, json::QueryMembers, false);
        if (!q.sources.isEmpty())
            w.list("sources", q.sources, [&w](const QString &name) {
                w.string(name);
                w.put(',');
            });
        propertiesIfAny(w, q.properties);
    });
}

// A design is written as the oldest version that holds it, which programs
// that know fewer members still read: version 5 for saved queries, else at
// least 3 for an ACE design (version "12.0"), else that of the newest member
// it holds, and at least 2.
int formatVersion(const Database &db)
{
    if (!db.queries.isEmpty())
        return 5;
    int version = newestMember(db, json::DatabaseMembers, db.version == QLatin1String("12.0") ? 3 : 2);
    for (const Table &t : db.tables) {
        version = newestMember(t, json::TableMembers, version);
        for (const Field &f : t.fields)
            version = newestMember(f, json::FieldMembers, version);
        for (const Index &i : t.indexes)
            version = newestMember(i, json::IndexMembers, version);
    }
    for (const Relation &r : db.relations)
        version = newestMember(r, json::RelationMembers, version);
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
        members(w, db, json::DatabaseMembers);
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
