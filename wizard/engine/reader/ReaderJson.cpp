// The reader's answers in the schema JSON form (docs/schema-json.md). An
// optional member at its default (an empty text or list, false, a zero size
// or attribute word, an ascending key field) is left out: the engine parses
// every answer, and most fields carry no default value, rule or property.
#include "wizard/engine/jetfile/PropertyValue.h"
#include "wizard/engine/reader/JetSchemaReader.h"
#include "wizard/engine/reader/JsonText.h"

#include <algorithm>
#include <charconv>

namespace reader {

namespace {

void appendKey(std::string &out, const char *key)
{
    out.push_back('"');
    out += key;
    out += "\":";
}

void appendText(std::string &out, const char *key, const std::string &value)
{
    appendKey(out, key);
    appendJsonString(out, value);
    out.push_back(',');
}

void appendNumber(std::string &out, const char *key, long long value)
{
    appendKey(out, key);
    out += std::to_string(value);
    out.push_back(',');
}

void appendTextIfAny(std::string &out, const char *key, const std::string &value)
{
    if (!value.empty())
        appendText(out, key, value);
}

void appendNumberIfAny(std::string &out, const char *key, long long value)
{
    if (value != 0)
        appendNumber(out, key, value);
}

void appendFlagIfSet(std::string &out, const char *key, bool value)
{
    if (!value)
        return;
    appendKey(out, key);
    out += "true,";
}

// Replaces the trailing comma of an object or list, or closes an empty one.
void close(std::string &out, char bracket)
{
    if (out.back() == ',')
        out.back() = bracket;
    else
        out.push_back(bracket);
}

// A double in its shortest exact form, or the text JSON needs instead.
void appendReal(std::string &out, double value)
{
    if (const std::string_view special = jetfile::specialRealText(value); !special.empty()) {
        appendJsonString(out, special);
        return;
    }
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// A property's value in the JSON form of its type (docs/schema-json.md).
void appendPropertyValue(std::string &out, const Property &p)
{
    namespace t = jetfile::daotype;
    switch (p.type) {
    case t::Boolean:
        out += std::any_of(p.bytes.begin(), p.bytes.end(), [](std::uint8_t b) { return b != 0; }) ? "true"
                                                                                                   : "false";
        break;
    case t::Byte: case t::Integer: case t::Long:
        out += std::to_string(jetfile::storedInteger(p.type, p.bytes));
        break;
    case t::Currency:
        appendJsonString(out, jetfile::currencyText(jetfile::storedInteger(p.type, p.bytes)));
        break;
    case t::Single:
        appendReal(out, jetfile::singleAsDouble(float(jetfile::storedReal(p.bytes))));
        break;
    case t::Double: case t::Date:
        appendReal(out, jetfile::storedReal(p.bytes));
        break;
    case t::Text: case t::Memo:
        appendJsonString(out, p.text);
        break;
    case t::Guid:
        appendJsonString(out, jetfile::guidText(p.bytes));
        break;
    default:
        appendJsonString(out, jetfile::base64(p.bytes));
    }
}

void appendPropertiesIfAny(std::string &out, const std::vector<Property> &properties)
{
    if (properties.empty())
        return;
    appendKey(out, "properties");
    out.push_back('[');
    for (const Property &p : properties) {
        out.push_back('{');
        appendText(out, "name", p.name);
        appendNumber(out, "type", p.type);
        appendKey(out, "value");
        appendPropertyValue(out, p);
        out += "},";
    }
    close(out, ']');
    out.push_back(',');
}

}  // namespace

std::string toJson(const Database &db)
{
    std::string out;
    out.reserve(64 * 1024);
    out += "{\"format\":\"tabulo-schema\",\"formatVersion\":2,";
    appendText(out, "name", db.name);
    appendText(out, "version", db.version);
    appendTextIfAny(out, "replicaId", db.replicaId);
    appendTextIfAny(out, "designMasterId", db.designMasterId);
    appendKey(out, "tables");
    out.push_back('[');
    for (const Table &t : db.tables) {
        out.push_back('{');
        appendText(out, "name", t.name);
        appendNumberIfAny(out, "attributes", t.attributes);
        appendTextIfAny(out, "validationRule", t.validationRule);
        appendTextIfAny(out, "validationText", t.validationText);
        appendPropertiesIfAny(out, t.properties);
        appendKey(out, "fields");
        out.push_back('[');
        for (const Field &f : t.fields) {
            out.push_back('{');
            appendText(out, "name", f.name);
            appendNumber(out, "type", f.type);
            appendNumberIfAny(out, "size", f.size);
            appendNumberIfAny(out, "attributes", f.attributes);
            appendFlagIfSet(out, "required", f.required);
            appendFlagIfSet(out, "allowZeroLength", f.allowZeroLength);
            appendTextIfAny(out, "defaultValue", f.defaultValue);
            appendTextIfAny(out, "validationRule", f.validationRule);
            appendTextIfAny(out, "validationText", f.validationText);
            appendPropertiesIfAny(out, f.properties);
            close(out, '}');
            out.push_back(',');
        }
        close(out, ']');
        out.push_back(',');
        appendKey(out, "indexes");
        out.push_back('[');
        for (const Index &i : t.indexes) {
            out.push_back('{');
            appendText(out, "name", i.name);
            appendFlagIfSet(out, "primary", i.primary);
            appendFlagIfSet(out, "unique", i.unique);
            appendFlagIfSet(out, "required", i.required);
            appendFlagIfSet(out, "ignoreNulls", i.ignoreNulls);
            appendFlagIfSet(out, "foreign", i.foreign);
            appendKey(out, "fields");
            out.push_back('[');
            // An ascending field is its name alone.
            for (std::size_t k = 0; k < i.fields.size(); ++k) {
                if (k < i.descending.size() && i.descending[k]) {
                    out.push_back('{');
                    appendText(out, "name", i.fields[k]);
                    appendFlagIfSet(out, "descending", true);
                    close(out, '}');
                } else {
                    appendJsonString(out, i.fields[k]);
                }
                out.push_back(',');
            }
            close(out, ']');
            close(out, '}');
            out.push_back(',');
        }
        close(out, ']');
        close(out, '}');
        out.push_back(',');
    }
    close(out, ']');
    out.push_back(',');
    appendKey(out, "relations");
    out.push_back('[');
    for (const Relation &r : db.relations) {
        out.push_back('{');
        appendText(out, "name", r.name);
        appendText(out, "table", r.table);
        appendText(out, "foreignTable", r.foreignTable);
        appendNumberIfAny(out, "attributes", r.attributes);
        appendKey(out, "fields");
        out.push_back('[');
        for (const RelationField &f : r.fields) {
            out.push_back('{');
            appendText(out, "name", f.name);
            appendText(out, "foreignName", f.foreignName);
            close(out, '}');
            out.push_back(',');
        }
        close(out, ']');
        close(out, '}');
        out.push_back(',');
    }
    close(out, ']');
    out += "}\n";
    return out;
}

std::string toJson(const std::vector<std::string> &users)
{
    std::string out = "{\"format\":\"tabulo-workgroup\",\"users\":[";
    for (const std::string &user : users) {
        appendJsonString(out, user);
        out.push_back(',');
    }
    close(out, ']');
    out += "}\n";
    return out;
}

std::string toJson(const ReadError &error)
{
    std::string out = "{\"error\":{";
    appendNumber(out, "number", error.number);
    appendText(out, "description", error.description);
    close(out, '}');
    out += "}\n";
    return out;
}

}  // namespace reader
