// The reader's answers in the schema JSON form (docs/schema-json.md). An
// optional member at its default (an empty text, false, a zero size or
// attribute word) is left out: the engine parses every answer, and most
// fields carry no default value, rule or text.
#include "wizard/engine/reader/JetSchemaReader.h"
#include "wizard/engine/reader/JsonText.h"

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

}  // namespace

std::string toJson(const Database &db)
{
    std::string out;
    out.reserve(64 * 1024);
    out += "{\"format\":\"tabulo-schema\",\"formatVersion\":1,";
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
            for (const std::string &name : i.fields) {
                appendJsonString(out, name);
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
