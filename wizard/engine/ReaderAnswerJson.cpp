// Reads the reader's answers other than a design: its error object and a
// workgroup file's user names (docs/schema-json.md).
#include "wizard/engine/SchemaJson.h"

#include "wizard/engine/JsonScanner.h"

namespace schema {

namespace {

// Reads the members of the object that comes next, or skips whatever else
// comes; `member` answers false for a member it does not read.
template <class Member>
void readObject(JsonScanner &scan, Member member)
{
    if (scan.peek() != JsonScanner::Kind::Object)
        return scan.skip();
    scan.beginObject();
    QByteArrayView key;
    for (qsizetype n = 0; scan.nextMember(n, key);) {
        if (!member(key))
            scan.skip();
    }
}

}  // namespace

std::optional<ReaderError> readerErrorFromJson(const QByteArray &json)
{
    std::optional<double> number;
    std::optional<QString> description;
    bool isObject = false;
    try {
        JsonScanner scan(json);
        isObject = scan.peek() == JsonScanner::Kind::Object;
        readObject(scan, [&](QByteArrayView key) {
            if (key != QByteArrayView("error"))
                return false;
            number.reset();
            description.reset();
            readObject(scan, [&](QByteArrayView member) {
                if (member == QByteArrayView("number") && scan.peek() == JsonScanner::Kind::Number)
                    number = scan.number();
                else if (member == QByteArrayView("description") && scan.peek() == JsonScanner::Kind::Text)
                    description = scan.text();
                else
                    return false;
                return true;
            });
            return true;
        });
        scan.finish();
    } catch (const JsonSyntaxError &) {
        return std::nullopt;
    }
    if (!isObject || !number || !description || *number != std::floor(*number) || *number < 1 || *number > 65535)
        return std::nullopt;
    return ReaderError{int(*number), *description};
}

std::optional<QStringList> workgroupFromJson(const QByteArray &json)
{
    std::optional<QStringList> users;
    try {
        JsonScanner scan(json);
        readObject(scan, [&](QByteArrayView key) {
            if (key != QByteArrayView("users"))
                return false;
            users.reset();
            if (scan.peek() != JsonScanner::Kind::Array)
                return false;
            users.emplace();
            scan.beginArray();
            // An item that is no text is a user without a name.
            for (qsizetype n = 0; scan.nextItem(n);) {
                if (scan.peek() == JsonScanner::Kind::Text) {
                    users->append(scan.text());
                } else {
                    scan.skip();
                    users->append(QString());
                }
            }
            return true;
        });
        scan.finish();
    } catch (const JsonSyntaxError &) {
        return std::nullopt;
    }
    return users;
}

}  // namespace schema
