// The schema JSON writer (docs/schema-json.md): what tabulo-schema-reader
// prints and what snapshot files hold. An optional member at its default
// (an empty text or list, false, a zero size or attribute word, an
// ascending key field) is left out: the engine parses every answer, and most
// fields carry no default value, rule or property.
#include "wizard/engine/SchemaJson.h"

#include "wizard/engine/jetfile/PropertyValue.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace schema {

namespace {

namespace daotype = jetfile::daotype;

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
        if (const std::string_view special = jetfile::specialRealText(value); !special.empty())
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
    case daotype::Boolean: w.raw(p.value.toBool() ? "true" : "false"); break;
    case daotype::Byte: case daotype::Integer: case daotype::Long: w.number(p.value.toInt()); break;
    case daotype::Currency: w.plainString(jetfile::currencyText(p.value.toLongLong())); break;
    case daotype::Single: w.real(jetfile::singleAsDouble(p.value.toFloat())); break;
    case daotype::Double: case daotype::Date: w.real(p.value.toDouble()); break;
    case daotype::Text: case daotype::Memo: case daotype::Guid: w.string(p.value.toString()); break;
    default: {
        const QByteArray base64 = p.value.toByteArray().toBase64();
        w.plainString(std::string_view(base64.constData(), std::size_t(base64.size())));
    }
    }
}

void propertiesIfAny(Writer &w, const QList<Property> &properties)
{
    if (properties.isEmpty())
        return;
    w.key("properties");
    w.put('[');
    for (const Property &p : properties) {
        w.put('{');
        w.text("name", p.name);
        w.numberMember("type", p.type);
        w.key("value");
        propertyValue(w, p);
        w.raw("},");
    }
    w.close(']');
    w.put(',');
}

void field(Writer &w, const Field &f)
{
    w.put('{');
    w.text("name", f.name);
    w.numberMember("type", f.type);
    w.numberIfAny("size", f.size);
    w.numberIfAny("attributes", f.attributes);
    w.flagIfSet("required", f.required);
    w.flagIfSet("allowZeroLength", f.allowZeroLength);
    w.textIfAny("defaultValue", f.defaultValue);
    w.textIfAny("validationRule", f.validationRule);
    w.textIfAny("validationText", f.validationText);
    w.textIfAny("expression", f.expression);
    w.flagIfSet("appendOnly", f.appendOnly);
    w.numberIfAny("storageType", f.storageType);
    propertiesIfAny(w, f.properties);
    w.close('}');
    w.put(',');
}

void index(Writer &w, const Index &i)
{
    w.put('{');
    w.text("name", i.name);
    w.flagIfSet("primary", i.primary);
    w.flagIfSet("unique", i.unique);
    w.flagIfSet("required", i.required);
    w.flagIfSet("ignoreNulls", i.ignoreNulls);
    w.flagIfSet("foreign", i.foreign);
    w.key("fields");
    w.put('[');
    // An ascending field is its name alone.
    for (qsizetype k = 0; k < i.fields.size(); ++k) {
        if (i.isDescending(k)) {
            w.put('{');
            w.text("name", i.fields[k]);
            w.flagIfSet("descending", true);
            w.close('}');
        } else {
            w.string(i.fields[k]);
        }
        w.put(',');
    }
    w.close(']');
    w.close('}');
    w.put(',');
}

void table(Writer &w, const Table &t)
{
    w.put('{');
    w.text("name", t.name);
    w.numberIfAny("attributes", t.attributes);
    w.textIfAny("validationRule", t.validationRule);
    w.textIfAny("validationText", t.validationText);
    propertiesIfAny(w, t.properties);
    w.key("fields");
    w.put('[');
    for (const Field &f : t.fields)
        field(w, f);
    w.close(']');
    w.put(',');
    w.key("indexes");
    w.put('[');
    for (const Index &i : t.indexes)
        index(w, i);
    w.close(']');
    w.close('}');
    w.put(',');
}

void relation(Writer &w, const Relation &r)
{
    w.put('{');
    w.text("name", r.name);
    w.text("table", r.table);
    w.text("foreignTable", r.foreignTable);
    w.numberIfAny("attributes", r.attributes);
    w.flagIfSet("partialReplica", r.partialReplica);
    w.key("fields");
    w.put('[');
    for (const RelationField &f : r.fields) {
        w.put('{');
        w.text("name", f.name);
        w.text("foreignName", f.foreignName);
        w.close('}');
        w.put(',');
    }
    w.close(']');
    w.close('}');
    w.put(',');
}

// Version 3 added ACE designs (version "12.0") and the field members
// expression, appendOnly and storageType. A design without them is written
// as version 2, which programs that know no ACE field still read.
int formatVersion(const Database &db)
{
    if (db.version == QLatin1String("12.0"))
        return 3;
    for (const Table &t : db.tables) {
        for (const Field &f : t.fields) {
            if (!f.expression.isEmpty() || f.appendOnly || f.storageType != 0)
                return 3;
        }
    }
    return 2;
}

}  // namespace

QByteArray toJson(const Database &db)
{
    Writer w;
    w.raw("{\"format\":\"tabulo-schema\",");
    w.numberMember("formatVersion", formatVersion(db));
    w.text("name", db.name);
    w.text("version", db.version);
    w.textIfAny("replicaId", db.replicaId);
    w.textIfAny("designMasterId", db.designMasterId);
    w.key("tables");
    w.put('[');
    for (const Table &t : db.tables)
        table(w, t);
    w.close(']');
    w.put(',');
    w.key("relations");
    w.put('[');
    for (const Relation &r : db.relations)
        relation(w, r);
    w.close(']');
    w.raw("}\n");
    return w.result();
}

QByteArray workgroupToJson(const QStringList &users)
{
    Writer w;
    w.raw("{\"format\":\"tabulo-workgroup\",\"users\":[");
    for (const QString &user : users) {
        w.string(user);
        w.put(',');
    }
    w.close(']');
    w.raw("}\n");
    return w.result();
}

QByteArray toJson(const ReaderError &error)
{
    Writer w;
    w.raw("{\"error\":{");
    w.numberMember("number", error.number);
    w.text("description", error.description);
    w.close('}');
    w.raw("}\n");
    return w.result();
}

}  // namespace schema
