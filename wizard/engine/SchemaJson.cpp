#include "wizard/engine/SchemaJson.h"

#include "wizard/engine/DaoCodes.h"
#include "wizard/engine/JsonScanner.h"
#include "wizard/engine/SchemaJsonMembers.h"
#include "wizard/engine/ValueText.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace schema {

namespace {

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

// Whether a member's key is `name`; inline, as every member of every
// object is looked up by it.
template <std::size_t N>
bool is(QByteArrayView key, const char (&name)[N])
{
    return key.size() == qsizetype(N - 1) && std::memcmp(key.data(), name, N - 1) == 0;
}

// A property's value as it stands in the document; what it must be depends
// on the property's type, which may come after it.
struct RawValue {
    bool present = false;
    JsonScanner::Kind kind = JsonScanner::Kind::Null;
    bool flag = false;
    double number = 0;
    bool representable = true;      // the number is within a double's range
    QString text;
};

// The value of a Double, Date or Single: a number, or one of the texts for
// the doubles JSON has no number for.
std::optional<double> realValue(const RawValue &v)
{
    if (v.kind == JsonScanner::Kind::Number)
        return v.number;
    if (v.kind == JsonScanner::Kind::Text)
        return schema::specialRealFromText(v.text.toStdString());
    return std::nullopt;
}

// Reads a property's value by its type into `out`; answers what is wrong
// with it, or nothing.
QString propertyValue(int type, const RawValue &v, QVariant &out)
{
    using Kind = JsonScanner::Kind;
    switch (type) {
    case dao::dbBoolean:
        if (v.kind != Kind::Boolean)
            return QStringLiteral("not true or false");
        out = v.flag;
        return {};
    case dao::dbByte: case dao::dbInteger: case dao::dbLong: {
        const double d = v.number;
        if (v.kind != Kind::Number || !std::isfinite(d) || d != std::floor(d))
            return QStringLiteral("not a whole number");
        if (d < -2147483648.0 || d > 2147483647.0)
            return QStringLiteral("out of range");
        out = int(d);
        return {};
    }
    case dao::dbCurrency: {
        const auto amount = v.kind == Kind::Text ? schema::currencyFromText(v.text.toStdString()) : std::nullopt;
        if (!amount)
            return QStringLiteral("not a Currency amount in a text");
        out = qlonglong(*amount);
        return {};
    }
    case dao::dbSingle: case dao::dbDouble: case dao::dbDate: {
        const std::optional<double> d = realValue(v);
        if (!d)
            return QStringLiteral("not a number");
        if (!v.representable)
            return QStringLiteral("out of range");
        if (type != dao::dbSingle) {
            out = *d;
            return {};
        }
        // From here on a double rounds to an infinite Single; below it, to a finite one.
        constexpr double SingleLimit = 0x1.ffffffp127;
        if (std::isfinite(*d) && std::fabs(*d) >= SingleLimit)
            return QStringLiteral("out of range");
        constexpr double SingleMax = std::numeric_limits<float>::max();
        out = float(std::isfinite(*d) ? std::clamp(*d, -SingleMax, SingleMax) : *d);
        return {};
    }
    case dao::dbText: case dao::dbMemo:
        if (v.kind != Kind::Text)
            return QStringLiteral("not a text");
        out = v.text;
        return {};
    case dao::dbGUID: {
        static const QRegularExpression guid(QStringLiteral(
            "^\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}$"));
        if (v.kind != Kind::Text || !guid.match(v.text).hasMatch())
            return QStringLiteral("not a GUID in braces");
        out = v.text;
        return {};
    }
    default:
        if (v.kind == Kind::Text) {
            if (const auto bytes =
                    QByteArray::fromBase64Encoding(v.text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors)) {
                out = *bytes;
                return {};
            }
        }
        return QStringLiteral("not base64 text");
    }
}

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

    // A name: a text no longer than a statement of the module can hold. A
    // longer one is refused unread, however long it is.
    void name(const Path &at, QString &out)
    {
        if (m_scan.peek() != JsonScanner::Kind::Text) {
            fail(at, QStringLiteral("not a text"));
            return m_scan.skip();
        }
        if (std::optional<QString> text = m_scan.text(MaxNameLength))
            out = std::move(*text);
        else
            fail(at, QStringLiteral("longer than the %1 characters a Basic statement can hold").arg(MaxNameLength));
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

    // Reads the member `key` of `r` if `table` lists it; answers whether it does.
    template <typename R, std::size_t N>
    bool member(const Path &at, QByteArrayView key, R &r, const json::Member<R> (&table)[N])
    {
        for (const json::Member<R> &m : table) {
            // Told apart mostly by length and first letter, without a call.
            if (key.size() != qsizetype(m.key.size()) || key[0] != m.key[0]
                || std::memcmp(key.data(), m.key.data(), m.key.size()) != 0)
                continue;
            const Path path{&at, m.key.data()};
            std::visit([&](auto where) {
                auto &value = r.*where;
                if constexpr (std::is_same_v<std::decay_t<decltype(value)>, QString>)
                    m.isName ? name(path, value) : text(path, value);
                else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>)
                    flag(path, value);
                else
                    number(path, value, m.low, m.high);
            }, m.where);
            return true;
        }
        return false;
    }

    // Calls `item(path)` for each item of the list at `at`. Once the
    // document is known to be refused, the rest is only checked for syntax.
    template <class Item>
    void list(const Path &at, Item item)
    {
        if (!m_problem.isEmpty())
            return m_scan.skip();
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

    // The value of a property, whatever its form, for reading by type.
    void rawValue(RawValue &v)
    {
        v = RawValue{};
        v.present = true;
        v.kind = m_scan.peek();
        switch (v.kind) {
        case JsonScanner::Kind::Boolean: v.flag = m_scan.boolean(); break;
        case JsonScanner::Kind::Number: v.number = m_scan.number(&v.representable); break;
        case JsonScanner::Kind::Text: v.text = m_scan.text(); break;
        default: m_scan.skip();
        }
    }

    void property(const Path &at, Property &p)
    {
        RawValue value;
        const bool isObject = object(at, [&](QByteArrayView key) {
            if (!is(key, "value"))
                return member(at, key, p, json::PropertyMembers);
            rawValue(value);
            return true;
        });
        if (!isObject)
            return;
        const Path valuePath{&at, "value"};
        if (!value.present)
            return fail(valuePath, QStringLiteral("missing"));
        if (const QString problem = propertyValue(p.type, value, p.value); !problem.isEmpty())
            fail(valuePath, problem);
    }

    void properties(const Path &at, QList<Property> &out)
    {
        out.clear();
        list(at, [&](const Path &p) { property(p, out.emplace_back()); });
    }

    void field(const Path &at, Field &f)
    {
        object(at, [&](QByteArrayView key) {
            if (!is(key, "properties"))
                return member(at, key, f, json::FieldMembers);
            properties(Path{&at, "properties"}, f.properties);
            return true;
        });
    }

    // An index field: its name (ascending, as version 1 writes them) or
    // {"name", "descending"}.
    void indexField(const Path &at, QString &fieldName, bool &descending)
    {
        switch (m_scan.peek()) {
        case JsonScanner::Kind::Text:
            name(at, fieldName);
            break;
        case JsonScanner::Kind::Object:
            object(at, [&](QByteArrayView key) {
                if (is(key, "name"))
                    name(Path{&at, "name"}, fieldName);
                else if (is(key, "descending"))
                    flag(Path{&at, "descending"}, descending);
                else
                    return false;
                return true;
            });
            break;
        default:
            fail(at, QStringLiteral("not a text or an object"));
            m_scan.skip();
        }
    }

    void index(const Path &at, Index &i)
    {
        object(at, [&](QByteArrayView key) {
            if (!is(key, "fields"))
                return member(at, key, i, json::IndexMembers);
            i.fields.clear();
            i.descending.clear();
            list(Path{&at, "fields"}, [&](const Path &p) {
                indexField(p, i.fields.emplace_back(), i.descending.emplace_back(false));
            });
            return true;
        });
    }

    void table(const Path &at, Table &t)
    {
        object(at, [&](QByteArrayView key) {
            if (is(key, "properties")) {
                properties(Path{&at, "properties"}, t.properties);
            } else if (is(key, "fields")) {
                t.fields.clear();
                list(Path{&at, "fields"}, [&](const Path &p) { field(p, t.fields.emplace_back()); });
            } else if (is(key, "indexes")) {
                t.indexes.clear();
                list(Path{&at, "indexes"}, [&](const Path &p) { index(p, t.indexes.emplace_back()); });
            } else {
                return member(at, key, t, json::TableMembers);
            }
            return true;
        });
    }

    void relation(const Path &at, Relation &r)
    {
        object(at, [&](QByteArrayView key) {
            if (!is(key, "fields"))
                return member(at, key, r, json::RelationMembers);
            r.fields.clear();
            list(Path{&at, "fields"}, [&](const Path &p) {
                RelationField &f = r.fields.emplace_back();
                object(p, [&](QByteArrayView fieldKey) { return member(p, fieldKey, f, json::RelationFieldMembers); });
            });
            return true;
        });
    }

    void query(const Path &at, Query &q)
    {
        object(at, [&](QByteArrayView key) {
            if (is(key, "parameters")) {
                q.parameters.clear();
                list(Path{&at, "parameters"}, [&](const Path &p) {
                    QueryParameter &parameter = q.parameters.emplace_back();
                    object(p, [&](QByteArrayView parameterKey) {
                        return member(p, parameterKey, parameter, json::QueryParameterMembers);
                    });
                });
            } else if (is(key, "sources")) {
                q.sources.clear();
                list(Path{&at, "sources"}, [&](const Path &p) { name(p, q.sources.emplace_back()); });
            } else if (is(key, "properties")) {
                properties(Path{&at, "properties"}, q.properties);
            } else {
                return member(at, key, q, json::QueryMembers);
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
            qint32 formatVersion = json::FormatVersion;
            if (is(key, "format")) {
                if (m_scan.peek() == JsonScanner::Kind::Text)
                    format = m_scan.text();
                else
                    m_scan.skip();
            } else if (is(key, "formatVersion")) {
                // Older documents read as designs without the members later versions added.
                number(Path{&top, "formatVersion"}, formatVersion, 1, json::FormatVersion);
            } else if (is(key, "tables")) {
                db.tables.clear();
                list(Path{&top, "tables"}, [&](const Path &p) { table(p, db.tables.emplace_back()); });
            } else if (is(key, "relations")) {
                db.relations.clear();
                list(Path{&top, "relations"}, [&](const Path &p) { relation(p, db.relations.emplace_back()); });
            } else if (is(key, "queries")) {
                db.queries.clear();
                list(Path{&top, "queries"}, [&](const Path &p) { query(p, db.queries.emplace_back()); });
            } else if (is(key, "warnings")) {
                db.warnings.clear();
                list(Path{&top, "warnings"}, [&](const Path &p) { text(p, db.warnings.emplace_back()); });
            } else {
                return member(top, key, db, json::DatabaseMembers);
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

}  // namespace

std::optional<Database> fromJson(const QByteArray &json, QString *problem)
{
    return ModelReader(json).read(problem);
}

}  // namespace schema
