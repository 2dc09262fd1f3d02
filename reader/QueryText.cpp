#include "reader/QueryText.h"

#include "reader/AccessSqlText.h"

#include <optional>

namespace reader {

namespace {

// Attribute codes of MSysQueries rows.
enum Attribute {
    StartMark = 0,
    TypeRow = 1,
    ParameterRow = 2,
    FlagRow = 3,
    RemoteDatabaseRow = 4,
    TableRow = 5,
    ColumnRow = 6,
    JoinRow = 7,
    WhereRow = 8,
    GroupByRow = 9,
    HavingRow = 10,
    OrderByRow = 11,
    EndMark = 255,
};

// Bits of the select flags (attribute 3).
constexpr int SelectStar = 0x01, Distinct = 0x02, OwnerAccess = 0x04, DistinctRow = 0x08, Top = 0x10,
              TopPercent = 0x20;
// In a union's flags: UNION without ALL.
constexpr int UnionDistinct = 0x02;
// A column row of an append query that is a value of its VALUES list.
constexpr int AppendValue = 0x8000;
// A crosstab's column and group rows: the pivot, and the row headings.
constexpr int CrosstabPivot = 0x01, CrosstabRowHeading = 0x02;
// The names a union's two halves are stored under (table rows).
const QString UnionFirst = QStringLiteral("X7YZ_____1");
const QString UnionSecond = QStringLiteral("X7YZ_____2");

// DAO QueryDef types.
constexpr int QuerySelect = 0, QueryCrosstab = 16, QueryDelete = 32, QueryUpdate = 48, QueryAppend = 64,
              QueryMakeTable = 80, QueryDataDefinition = 96, QueryPassThrough = 112, QueryUnion = 128;
// MSysObjects Flags: the type bits, and a pass-through query that returns no records.
constexpr std::uint32_t CatalogueTypeBits = 0xF0, PassThroughWithoutRecords = 0x90;

// The most join rows read (see QueryBuilder::tables).
constexpr std::size_t MaxJoinRows = 1024;

const QString CrLf = QStringLiteral("\r\n");

// The QueryDef type a type row's flag stands for.
std::optional<int> typeOfRow(int flag)
{
    static constexpr int types[] = {QuerySelect,  QueryMakeTable,      QueryAppend,      QueryUpdate, QueryDelete,
                                    QueryCrosstab, QueryDataDefinition, QueryPassThrough, QueryUnion};
    if (flag < 1 || flag > 9)
        return std::nullopt;
    return types[flag - 1];
}

// The Access SQL type name of a parameter's stored type.
std::optional<QString> parameterTypeName(int type, long size)
{
    switch (type) {
    case 0: return QStringLiteral("Value");
    case 1: return QStringLiteral("Bit");
    case 2: return QStringLiteral("Byte");
    case 3: return QStringLiteral("Short");
    case 4: return QStringLiteral("Long");
    case 5: return QStringLiteral("Currency");
    case 6: return QStringLiteral("IEEESingle");
    case 7: return QStringLiteral("IEEEDouble");
    case 8: return QStringLiteral("DateTime");
    case 9: return QStringLiteral("Binary");
    case 10: return size > 0 ? QStringLiteral("Text ( %1 )").arg(size) : QStringLiteral("Text");
    case 11: return QStringLiteral("LongBinary");
    case 12: return QStringLiteral("LongText");
    case 15: return QStringLiteral("Guid");
    case 20: return QStringLiteral("Decimal");
    default: return std::nullopt;
    }
}

// " IN 'path' [type]", the clause naming another database; empty when neither is given.
QString inClause(const QString &path, const QString &type)
{
    if (path.isEmpty() && type.isEmpty())
        return {};
    QString clause = QStringLiteral(" IN ") + quotedLiteral(path);
    if (!type.isEmpty())
        clause += QStringLiteral(" [") + type + u']';
    return clause;
}

// A text as stored (data definition, pass-through), without a trailing NUL.
QString storedText(const QString &text)
{
    QString stored = text;
    while (stored.endsWith(u'\0'))
        stored.chop(1);
    return stored;
}

// Line breaks as Access writes them, CR LF, in a text stored by hand (a
// union's halves), without the blank space around it.
QString withCrLf(const QString &text)
{
    QString normal = storedText(text);
    normal.replace(CrLf, QStringLiteral("\n")).replace(u'\r', u'\n');
    return normal.trimmed().replace(u'\n', CrLf);
}

void addSource(QStringList &sources, const QString &name)
{
    if (!name.isEmpty() && !sources.contains(name, Qt::CaseInsensitive))
        sources.append(name);
}

// Rows that make no query: the builder stops with the reason.
struct Damage {
    QString why;
};

[[noreturn]] void damaged(const QString &why)
{
    throw Damage{why};
}

// The FROM list: tables, and joins combining them in the nesting stored.
class FromList {
public:
    void addTable(const QString &key, const QString &text) { m_top.append(addTableNode(key, text)); }

    // Joins the sources holding `left` and `right`; a second condition
    // between two already joined sources is added to their join.
    void join(const QString &left, const QString &right, int type, const QString &on)
    {
        if (type < 1 || type > 3)
            damaged(QStringLiteral("a join has the unknown type %1").arg(type));
        if (left.isEmpty() || right.isEmpty() || on.isEmpty())
            damaged(QStringLiteral("a join lacks a table or its condition"));
        const qsizetype leftAt = topHolding(left), rightAt = topHolding(right);
        if (leftAt >= 0 && leftAt == rightAt) {
            Node &joined = m_nodes[std::size_t(m_top[leftAt])];
            if (joined.type != type)
                damaged(QStringLiteral("the joins of \"%1\" and \"%2\" differ in type").arg(left, right));
            // Access lists the conditions of one join in the reverse order of their rows.
            joined.conditions.prepend(on);
            return;
        }
        const int leftNode = leftAt >= 0 ? m_top[leftAt] : addTableNode(left, sqlName(left));
        const int rightNode = rightAt >= 0 ? m_top[rightAt] : addTableNode(right, sqlName(right));
        Node node;
        node.left = leftNode;
        node.right = rightNode;
        node.type = type;
        node.conditions = {on};
        for (qsizetype at : {std::max(leftAt, rightAt), std::min(leftAt, rightAt)}) {
            if (at >= 0)
                m_top.removeAt(at);
        }
        m_top.append(addNode(std::move(node)));
    }

    bool isEmpty() const { return m_top.isEmpty(); }

    QString text() const
    {
        QStringList parts;
        for (int node : m_top)
            parts.append(text(node, true));
        return parts.join(QStringLiteral(", "));
    }

private:
    struct Node {
        QString key, tableText;   // a table: the name joins call it by, and its text
        int left = -1, right = -1, type = 0;
        QStringList conditions;
    };

    int addTableNode(const QString &key, const QString &text)
    {
        Node node;
        node.key = key;
        node.tableText = text;
        return addNode(std::move(node));
    }

    int addNode(Node node)
    {
        m_nodes.push_back(std::move(node));
        return int(m_nodes.size() - 1);
    }

    bool holds(int node, const QString &key) const
    {
        const Node &n = m_nodes[std::size_t(node)];
        if (n.left < 0)
            return n.key.compare(key, Qt::CaseInsensitive) == 0;
        return holds(n.left, key) || holds(n.right, key);
    }

    qsizetype topHolding(const QString &key) const
    {
        for (qsizetype i = 0; i < m_top.size(); ++i) {
            if (holds(m_top[i], key))
                return i;
        }
        return -1;
    }

    QString text(int node, bool outermost) const
    {
        const Node &n = m_nodes[std::size_t(node)];
        if (n.left < 0)
            return n.tableText;
        static const QString kinds[] = {{}, QStringLiteral(" INNER JOIN "), QStringLiteral(" LEFT JOIN "),
                                        QStringLiteral(" RIGHT JOIN ")};
        QString on = n.conditions.size() == 1 ? n.conditions.front()
                                               : u'(' + n.conditions.join(QStringLiteral(") AND (")) + u')';
        QString joined = text(n.left, false) + kinds[n.type] + text(n.right, false) + QStringLiteral(" ON ") + on;
        return outermost ? joined : u'(' + joined + u')';
    }

    std::vector<Node> m_nodes;
    QList<int> m_top;
};

class QueryBuilder {
public:
    QueryBuilder(const std::vector<QueryRow> &rows, std::uint32_t catalogueFlags)
        : m_catalogueFlags(catalogueFlags)
    {
        if (rows.empty())
            damaged(QStringLiteral("it has no rows in MSysQueries"));
        for (const QueryRow &row : rows) {
            if (row.cut)
                damaged(QStringLiteral("a text of it is longer than the reader takes"));
            if (row.attribute == StartMark || row.attribute == EndMark)
                continue;
            if (row.attribute < TypeRow || row.attribute > OrderByRow)
                damaged(QStringLiteral("a row has the unknown attribute %1").arg(row.attribute));
            m_rows[row.attribute].push_back(&row);
        }
    }

    QueryText build()
    {
        QueryText out;
        out.type = queryType();
        out.returnsRecords = !(out.type == QueryPassThrough &&
                               (m_catalogueFlags & CatalogueTypeBits) == PassThroughWithoutRecords);
        if (out.type == QueryDataDefinition || out.type == QueryPassThrough) {
            const QueryRow *type = single(TypeRow);
            out.sql = storedText(type->expression);
            if (out.sql.trimmed().isEmpty())
                damaged(QStringLiteral("its SQL text is missing"));
            if (out.type == QueryPassThrough)
                out.connect = type->name1;
            return out;
        }
        QString body;
        switch (out.type) {
        case QueryUnion: body = unionText(); break;
        case QueryCrosstab: body = crosstabText(); break;
        case QueryUpdate: body = updateText(); break;
        case QueryDelete: body = deleteText(); break;
        case QueryAppend: body = appendText(); break;
        default: body = selectText(); break;
        }
        out.sql = parametersLine(out.parameters) + body;
        if (flags() & OwnerAccess)
            out.sql += CrLf + QStringLiteral("WITH OWNERACCESS OPTION");
        out.sql += u';';
        out.sources = m_sources;
        return out;
    }

private:
    const std::vector<const QueryRow *> &rows(int attribute) const { return m_rows[attribute]; }

    // The one row of `attribute`, or null; more than one is damage.
    const QueryRow *optional(int attribute) const
    {
        const auto &found = rows(attribute);
        if (found.size() > 1)
            damaged(QStringLiteral("it has %1 rows of attribute %2 where one is allowed").arg(found.size()).arg(attribute));
        return found.empty() ? nullptr : found.front();
    }

    const QueryRow *single(int attribute) const
    {
        const QueryRow *row = optional(attribute);
        if (!row)
            damaged(QStringLiteral("its row of attribute %1 is missing").arg(attribute));
        return row;
    }

    int flags() const
    {
        const QueryRow *row = optional(FlagRow);
        return row ? row->flag : 0;
    }

    int queryType() const
    {
        if (const QueryRow *row = optional(TypeRow)) {
            const std::optional<int> type = typeOfRow(row->flag);
            if (!type)
                damaged(QStringLiteral("its type %1 is unknown").arg(row->flag));
            return *type;
        }
        // Without a type row the catalogue says.
        const std::uint32_t type = m_catalogueFlags & CatalogueTypeBits;
        if (type == PassThroughWithoutRecords)
            return QueryPassThrough;
        if (type > QueryUnion)
            damaged(QStringLiteral("its type %1 is unknown").arg(type));
        return int(type);
    }

    QString parametersLine(QList<schema::QueryParameter> &parameters) const
    {
        QStringList declared;
        for (const QueryRow *row : rows(ParameterRow)) {
            const std::optional<QString> type = parameterTypeName(row->flag, row->extra);
            if (!type)
                damaged(QStringLiteral("its parameter \"%1\" has the unknown type %2").arg(row->name1).arg(row->flag));
            if (row->name1.isEmpty())
                damaged(QStringLiteral("a parameter has no name"));
            QStringList parts = nameParts(row->name1, u'!');
            for (QString &part : parts)
                part = withoutBrackets(part);
            if (parts.contains(QString()))
                parts = QStringList{withoutBrackets(row->name1)};
            parameters.append({parts.join(u'!'), row->flag});
            // A reference to a control is written as Access writes it, each part in brackets.
            QString name;
            if (parts.size() > 1)
                name = u'[' + parts.join(QStringLiteral("]![")) + u']';
            else
                name = sqlName(parts.front());
            declared.append(name + u' ' + *type);
        }
        if (declared.isEmpty())
            return {};
        return QStringLiteral("PARAMETERS ") + declared.join(QStringLiteral(", ")) + u';' + CrLf;
    }

    // DISTINCT, DISTINCTROW and TOP, each followed by a blank.
    QString predicate() const
    {
        const int f = flags();
        QString words;
        if (f & Distinct)
            words += QStringLiteral("DISTINCT ");
        else if (f & DistinctRow)
            words += QStringLiteral("DISTINCTROW ");
        if (f & Top) {
            const QString count = optional(FlagRow)->name1.trimmed();
            if (count.isEmpty())
                damaged(QStringLiteral("its TOP has no number"));
            words += QStringLiteral("TOP ") + count + (f & TopPercent ? QStringLiteral(" PERCENT ") : QStringLiteral(" "));
        }
        return words;
    }

    static QString column(const QueryRow &row)
    {
        if (row.expression.isEmpty())
            damaged(QStringLiteral("a column has no expression"));
        return row.name1.isEmpty() ? row.expression : row.expression + QStringLiteral(" AS ") + sqlName(row.name1);
    }

    // The output columns of a SELECT, with "*" first when all fields are asked for.
    QString columns(const std::vector<const QueryRow *> &chosen) const
    {
        QStringList list;
        if (flags() & SelectStar)
            list.append(QStringLiteral("*"));
        for (const QueryRow *row : chosen)
            list.append(column(*row));
        if (list.isEmpty())
            damaged(QStringLiteral("it selects no columns"));
        return list.join(QStringLiteral(", "));
    }

    std::vector<const QueryRow *> columnRows(int mask, int wanted) const
    {
        std::vector<const QueryRow *> chosen;
        for (const QueryRow *row : rows(ColumnRow)) {
            if ((row->flag & mask) == wanted)
                chosen.push_back(row);
        }
        return chosen;
    }

    // The tables and joins with the IN-clause of their database; empty without tables.
    QString tables()
    {
        FromList from;
        const QueryRow *remote = optional(RemoteDatabaseRow);
        for (const QueryRow *row : rows(TableRow)) {
            if (row->name1.isEmpty())
                damaged(QStringLiteral("a table row names no table"));
            QString text = sqlName(row->name1);
            if (!row->expression.isEmpty())   // a table of another database, named by its path
                text = (isBracketed(row->expression) ? row->expression : u'[' + row->expression + u']') + u'.' + text;
            else if (!remote)
                addSource(m_sources, row->name1);
            if (!row->name2.isEmpty())
                text += QStringLiteral(" AS ") + sqlName(row->name2);
            from.addTable(row->name2.isEmpty() ? row->name1 : row->name2, text);
        }
        // Access joins at most 32 tables in a query, each join a row per
        // condition; far more rows are damage, and would nest deeper than
        // the joins are worth following.
        if (rows(JoinRow).size() > MaxJoinRows)
            damaged(QStringLiteral("it has %1 joins, more than a query can hold").arg(rows(JoinRow).size()));
        for (const QueryRow *row : rows(JoinRow))
            from.join(row->name1, row->name2, row->flag, row->expression);
        if (from.isEmpty())
            return {};
        return from.text() + (remote ? inClause(remote->name1, remote->expression) : QString());
    }

    QString fromClause()
    {
        const QString list = tables();
        return list.isEmpty() ? QString() : CrLf + QStringLiteral("FROM ") + list;
    }

    static QString expressionOf(const QueryRow &row, const char *clause)
    {
        if (row.expression.isEmpty())
            damaged(QStringLiteral("its %1 row has no expression").arg(QLatin1String(clause)));
        return row.expression;
    }

    QString whereClause() const
    {
        const QueryRow *row = optional(WhereRow);
        return row ? CrLf + QStringLiteral("WHERE ") + expressionOf(*row, "WHERE") : QString();
    }

    QString groupAndHaving(int mask, int wanted) const
    {
        QStringList groups;
        for (const QueryRow *row : rows(GroupByRow)) {
            if ((row->flag & mask) == wanted)
                groups.append(expressionOf(*row, "GROUP BY"));
        }
        QString text;
        if (!groups.isEmpty())
            text += CrLf + QStringLiteral("GROUP BY ") + groups.join(QStringLiteral(", "));
        if (const QueryRow *row = optional(HavingRow))
            text += CrLf + QStringLiteral("HAVING ") + expressionOf(*row, "HAVING");
        return text;
    }

    QString orderBy() const
    {
        QStringList keys;
        for (const QueryRow *row : rows(OrderByRow)) {
            QString key = expressionOf(*row, "ORDER BY");
            if (row->name1.compare(u"D", Qt::CaseInsensitive) == 0)
                key += QStringLiteral(" DESC");
            keys.append(key);
        }
        return keys.isEmpty() ? QString() : CrLf + QStringLiteral("ORDER BY ") + keys.join(QStringLiteral(", "));
    }

    // The target of a make-table or append query, and the IN-clause of its database.
    std::pair<QString, QString> target(bool reads)
    {
        const QueryRow *type = single(TypeRow);
        if (type->name1.isEmpty())
            damaged(QStringLiteral("it names no target table"));
        const QString in = inClause(type->name2, type->expression);
        if (reads && in.isEmpty())
            addSource(m_sources, type->name1);
        return {sqlName(type->name1), in};
    }

    QString selectText()
    {
        QString into;
        if (queryType() == QueryMakeTable) {
            const auto [table, in] = target(false);
            into = QStringLiteral(" INTO ") + table + in;
        }
        const QString head = QStringLiteral("SELECT ") + predicate() + columns(rows(ColumnRow)) + into;
        return head + fromClause() + whereClause() + groupAndHaving(0, 0) + orderBy();
    }

    QString crosstabText()
    {
        const auto values = columnRows(CrosstabPivot | CrosstabRowHeading, 0);
        const auto pivots = columnRows(CrosstabPivot | CrosstabRowHeading, CrosstabPivot);
        if (values.size() != 1 || pivots.size() != 1)
            damaged(QStringLiteral("its crosstab needs one value and one column heading, not %1 and %2")
                        .arg(values.size())
                        .arg(pivots.size()));
        const QString transform = QStringLiteral("TRANSFORM ") + column(*values.front()) + CrLf;
        const QString select = QStringLiteral("SELECT ") + predicate() +
                               columns(columnRows(CrosstabPivot | CrosstabRowHeading, CrosstabRowHeading));
        return transform + select + fromClause() + whereClause() + groupAndHaving(CrosstabRowHeading, CrosstabRowHeading) +
               orderBy() + CrLf + QStringLiteral("PIVOT ") + expressionOf(*pivots.front(), "PIVOT");
    }

    QString updateText()
    {
        const QString list = tables();
        if (list.isEmpty())
            damaged(QStringLiteral("it updates no table"));
        QStringList assignments;
        for (const QueryRow *row : rows(ColumnRow)) {
            if (row->name2.isEmpty())
                damaged(QStringLiteral("an assignment names no field"));
            assignments.append(sqlQualifiedName(row->name2) + QStringLiteral(" = ") + expressionOf(*row, "SET"));
        }
        if (assignments.isEmpty())
            damaged(QStringLiteral("it sets no field"));
        return QStringLiteral("UPDATE ") + predicate() + list + CrLf + QStringLiteral("SET ") +
               assignments.join(QStringLiteral(", ")) + whereClause();
    }

    QString deleteText()
    {
        QStringList list;
        if (flags() & SelectStar)
            list.append(QStringLiteral("*"));
        for (const QueryRow *row : rows(ColumnRow))
            list.append(column(*row));
        QString head = QStringLiteral("DELETE ") + predicate() + list.join(QStringLiteral(", "));
        return head.trimmed() + fromClause() + whereClause();
    }

    QString appendText()
    {
        const auto [table, in] = target(true);
        QStringList fields;
        for (const QueryRow *row : rows(ColumnRow)) {
            if (!row->name2.isEmpty())
                fields.append(sqlQualifiedName(row->name2));
        }
        const QString head = QStringLiteral("INSERT INTO ") + table +
                             (fields.isEmpty() ? QString() : QStringLiteral(" (") + fields.join(QStringLiteral(", ")) + u')') + in;
        const auto values = columnRows(AppendValue, AppendValue);
        if (!values.empty()) {
            QStringList list;
            for (const QueryRow *row : values)
                list.append(expressionOf(*row, "VALUES"));
            return head + CrLf + QStringLiteral("VALUES (") + list.join(QStringLiteral(", ")) + u')';
        }
        const QString select = QStringLiteral("SELECT ") + predicate() + columns(columnRows(AppendValue, 0));
        return head + CrLf + select + fromClause() + whereClause() + groupAndHaving(0, 0) + orderBy();
    }

    QString unionText()
    {
        QString first, second;
        for (const QueryRow *row : rows(TableRow)) {
            if (row->name2 == UnionFirst)
                first = withCrLf(row->expression);
            else if (row->name2 == UnionSecond)
                second = withCrLf(row->expression);
        }
        if (first.isEmpty() || second.isEmpty())
            damaged(QStringLiteral("a part of its UNION is missing"));
        for (const QString &part : {first, second}) {
            for (const QString &name : namesInFromClauses(part))
                addSource(m_sources, name);
        }
        const QString all = flags() & UnionDistinct ? QString() : QStringLiteral("ALL ");
        return first + CrLf + QStringLiteral("UNION ") + all + second + orderBy();
    }

    std::uint32_t m_catalogueFlags;
    std::vector<const QueryRow *> m_rows[OrderByRow + 1];
    QStringList m_sources;
};

}  // namespace

QueryText rebuildQuery(const std::vector<QueryRow> &rows, std::uint32_t catalogueFlags)
{
    try {
        return QueryBuilder(rows, catalogueFlags).build();
    } catch (const Damage &damage) {
        QueryText out;
        out.problem = damage.why;
        return out;
    }
}

}  // namespace reader
