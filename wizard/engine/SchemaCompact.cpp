#include "wizard/engine/SchemaCompact.h"

#include "wizard/engine/DaoCodes.h"

#include <bit>
#include <cstring>
#include <type_traits>

static_assert(std::endian::native == std::endian::little, "the compact form is written as memory holds it");

namespace schema {

namespace {

constexpr char Mark[8] = {'\0', 'T', 'B', 'M', 'O', 'D', 'E', 'L'};

// The members of each entry, in the order the form holds them, for writing
// and reading alike: `io(member)` for a value, `io.name(member)` for a
// name, which reading holds to the longest a statement can take.
template <class Io, class P>
void visit(Io &io, P &p) requires std::is_same_v<std::remove_const_t<P>, Property>
{
    io.name(p.name);
    io(p.type);
    io.value(p.type, p.value);
}

template <class Io, class F>
void visit(Io &io, F &f) requires std::is_same_v<std::remove_const_t<F>, Field>
{
    io.name(f.name);
    io(f.type), io(f.size), io(f.attributes), io(f.required), io(f.allowZeroLength);
    io(f.defaultValue), io(f.validationRule), io(f.validationText), io(f.expression);
    io(f.appendOnly), io(f.storageType), io(f.precision), io(f.scale);
    io(f.properties);
}

template <class Io, class I>
void visit(Io &io, I &i) requires std::is_same_v<std::remove_const_t<I>, Index>
{
    io.name(i.name);
    io(i.primary), io(i.unique), io(i.required), io(i.ignoreNulls), io(i.foreign);
    io.names(i.fields);
    io(i.descending);
}

template <class Io, class T>
void visit(Io &io, T &t) requires std::is_same_v<std::remove_const_t<T>, Table>
{
    io.name(t.name);
    io(t.attributes), io(t.validationRule), io(t.validationText);
    io(t.properties), io(t.fields), io(t.indexes);
}

template <class Io, class F>
void visit(Io &io, F &f) requires std::is_same_v<std::remove_const_t<F>, RelationField>
{
    io.name(f.name);
    io.name(f.foreignName);
}

template <class Io, class R>
void visit(Io &io, R &r) requires std::is_same_v<std::remove_const_t<R>, Relation>
{
    io.name(r.name);
    io.name(r.table);
    io.name(r.foreignTable);
    io(r.attributes), io(r.partialReplica), io(r.fields);
}

template <class Io, class P>
void visit(Io &io, P &p) requires std::is_same_v<std::remove_const_t<P>, QueryParameter>
{
    io.name(p.name);
    io(p.type);
}

template <class Io, class Q>
void visit(Io &io, Q &q) requires std::is_same_v<std::remove_const_t<Q>, Query>
{
    io.name(q.name);
    io(q.type), io(q.sql), io(q.parameters), io(q.hidden), io(q.connect), io(q.returnsRecords);
    io.names(q.sources);
    io(q.properties);
}

template <class Io, class D>
void visit(Io &io, D &d) requires std::is_same_v<std::remove_const_t<D>, Database>
{
    io(d.name), io(d.version), io(d.replicaId), io(d.designMasterId);
    io(d.tables), io(d.relations), io(d.queries), io(d.warnings);
}

// How a property value of each DAO type is held (SchemaModel.h).
enum class ValueKind { Boolean, Whole, Currency, Single, Real, Text, Bytes };

ValueKind valueKind(int type)
{
    switch (type) {
    case dao::dbBoolean: return ValueKind::Boolean;
    case dao::dbByte: case dao::dbInteger: case dao::dbLong: return ValueKind::Whole;
    case dao::dbCurrency: return ValueKind::Currency;
    case dao::dbSingle: return ValueKind::Single;
    case dao::dbDouble: case dao::dbDate: return ValueKind::Real;
    case dao::dbText: case dao::dbMemo: case dao::dbGUID: return ValueKind::Text;
    default: return ValueKind::Bytes;
    }
}

// One entry of a list through `io`: a number or text as one member, any
// other entry by its members.
template <class Io, class Entry>
void entry(Io &io, Entry &e)
{
    using T = std::remove_const_t<Entry>;
    if constexpr (std::is_arithmetic_v<T> || std::is_same_v<T, QString>)
        io(e);
    else
        visit(io, e);
}

// A text or bytes value through `io`: the one the variant holds, when it
// holds a T, without a copy.
template <class T, class Io>
void heldValue(Io &io, const QVariant &v, T (QVariant::*convert)() const)
{
    if (v.metaType() == QMetaType::fromType<T>())
        io(*static_cast<const T *>(v.constData()));
    else
        io((v.*convert)());
}

// A property value through `io` as the form holds it for its type.
template <class Io>
void storedValue(Io &io, int type, const QVariant &v)
{
    switch (valueKind(type)) {
    case ValueKind::Boolean: io(v.toBool()); break;
    case ValueKind::Whole: io(qint32(v.toInt())); break;
    case ValueKind::Currency: io(qint64(v.toLongLong())); break;
    case ValueKind::Single: io(v.toFloat()); break;
    case ValueKind::Real: io(v.toDouble()); break;
    case ValueKind::Text: heldValue<QString>(io, v, &QVariant::toString); break;
    case ValueKind::Bytes: heldValue<QByteArray>(io, v, &QVariant::toByteArray); break;
    }
}

// Counts the bytes Writer is to write, so that its buffer is taken once.
class Sizer {
public:
    qsizetype bytes = 0;

    template <class T>
    void operator()(const T &) requires std::is_arithmetic_v<T>
    {
        bytes += sizeof(T);
    }
    void operator()(const QString &s) { bytes += Count + s.size() * qsizetype(sizeof(char16_t)); }
    void operator()(const QByteArray &b) { bytes += Count + b.size(); }
    template <class T>
    void operator()(const QList<T> &list)
    {
        bytes += Count;
        for (const T &e : list)
            entry(*this, e);
    }
    void name(const QString &s) { (*this)(s); }
    void names(const QStringList &list) { (*this)(list); }
    void value(int type, const QVariant &v) { storedValue(*this, type, v); }

private:
    static constexpr qsizetype Count = sizeof(qint64);
};

// Writes into a buffer of the size Sizer counted.
class Writer {
public:
    explicit Writer(char *at) : m_at(at) {}

    template <class T>
    void operator()(const T &v) requires std::is_arithmetic_v<T>
    {
        put(&v, sizeof v);
    }
    // constData(), unlike utf16(), does not give a null or literal text a
    // buffer of its own to end it.
    void operator()(const QString &s)
    {
        count(s.size());
        if (!s.isEmpty())
            put(s.constData(), std::size_t(s.size()) * sizeof(char16_t));
    }
    void operator()(const QByteArray &b)
    {
        count(b.size());
        if (!b.isEmpty())
            put(b.constData(), std::size_t(b.size()));
    }
    template <class T>
    void operator()(const QList<T> &list)
    {
        count(list.size());
        for (const T &e : list)
            entry(*this, e);
    }
    void name(const QString &s) { (*this)(s); }
    void names(const QStringList &list) { (*this)(list); }
    void value(int type, const QVariant &v) { storedValue(*this, type, v); }
    const char *at() const { return m_at; }

private:
    void put(const void *bytes, std::size_t n)
    {
        std::memcpy(m_at, bytes, n);
        m_at += n;
    }
    void count(qsizetype n) { (*this)(qint64(n)); }

    char *m_at;
};

// Reads what Writer wrote. After the first fault every read leaves its
// member as it is, and the fault stands.
class Reader {
public:
    Reader(const char *begin, const char *end) : m_at(begin), m_end(end) {}

    QString problem;

    template <class T>
    void operator()(T &v) requires std::is_arithmetic_v<T>
    {
        if (take(sizeof v))
            std::memcpy(&v, m_at - sizeof v, sizeof v);
    }
    void operator()(bool &v)
    {
        quint8 byte = 0;
        (*this)(byte);
        v = byte != 0;
    }
    void operator()(QString &s) { text(s, m_end - m_at); }
    void operator()(QByteArray &b)
    {
        const qsizetype n = count(1);
        if (take(n))
            b = QByteArray(m_at - n, n);
    }
    template <class T>
    void operator()(QList<T> &list)
    {
        // Every entry takes at least one byte, which bounds the count.
        const qsizetype n = count(1);
        list.clear();
        list.reserve(n);
        for (qsizetype k = 0; k < n && problem.isEmpty(); ++k)
            entry(*this, list.emplace_back());
    }
    void name(QString &s) { text(s, MaxNameLength); }
    void names(QStringList &list)
    {
        const qsizetype n = count(sizeof(qint64));
        list.clear();
        list.reserve(n);
        for (qsizetype k = 0; k < n && problem.isEmpty(); ++k)
            name(list.emplace_back());
    }
    void value(int type, QVariant &v)
    {
        switch (valueKind(type)) {
        case ValueKind::Boolean: v = read<bool>(); break;
        case ValueKind::Whole: v = int(read<qint32>()); break;
        case ValueKind::Currency: v = qlonglong(read<qint64>()); break;
        case ValueKind::Single: v = read<float>(); break;
        case ValueKind::Real: v = read<double>(); break;
        case ValueKind::Text: v = read<QString>(); break;
        case ValueKind::Bytes: v = read<QByteArray>(); break;
        }
    }
    bool atEnd() const { return m_at == m_end; }

private:
    template <class T>
    T read()
    {
        T v{};
        (*this)(v);
        return v;
    }
    bool take(qsizetype n)
    {
        if (!problem.isEmpty())
            return false;
        if (n > m_end - m_at) {
            problem = QStringLiteral("the answer ends early");
            return false;
        }
        m_at += n;
        return true;
    }
    // A length or count, refused when more than the bytes left could hold
    // at `unit` bytes each.
    qsizetype count(qsizetype unit)
    {
        qint64 n = 0;
        (*this)(n);
        if (problem.isEmpty() && (n < 0 || n > (m_end - m_at) / unit))
            problem = QStringLiteral("a length of %1 that the answer cannot hold").arg(n);
        return problem.isEmpty() ? qsizetype(n) : 0;
    }
    void text(QString &s, qsizetype longest)
    {
        const qsizetype n = count(sizeof(char16_t));
        if (problem.isEmpty() && n > longest)
            problem = QStringLiteral("a name longer than the %1 characters a Basic statement can hold").arg(longest);
        if (take(n * qsizetype(sizeof(char16_t)))) {
            s.resize(n);
            std::memcpy(s.data(), m_at - n * qsizetype(sizeof(char16_t)), std::size_t(n) * sizeof(char16_t));
        }
    }

    const char *m_at;
    const char *m_end;
};

}  // namespace

QByteArray toCompact(const Database &database)
{
    Sizer sizer;
    visit(sizer, database);
    QByteArray bytes(qsizetype(sizeof Mark) + sizer.bytes, Qt::Uninitialized);
    std::memcpy(bytes.data(), Mark, sizeof Mark);
    Writer writer(bytes.data() + sizeof Mark);
    visit(writer, database);
    Q_ASSERT(writer.at() == bytes.constData() + bytes.size());
    return bytes;
}

bool isCompact(const QByteArray &bytes)
{
    return bytes.size() >= qsizetype(sizeof Mark) && std::memcmp(bytes.constData(), Mark, sizeof Mark) == 0;
}

std::optional<Database> fromCompact(const QByteArray &bytes, QString *problem)
{
    const auto refuse = [&](const QString &why) -> std::optional<Database> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (!isCompact(bytes))
        return refuse(QStringLiteral("the answer is not the reader's compact form"));
    Reader reader(bytes.constData() + sizeof Mark, bytes.constData() + bytes.size());
    Database database;
    visit(reader, database);
    if (reader.problem.isEmpty() && !reader.atEnd())
        reader.problem = QStringLiteral("bytes follow the design");
    if (!reader.problem.isEmpty())
        return refuse(reader.problem);
    return database;
}

}  // namespace schema
