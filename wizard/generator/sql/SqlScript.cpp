#include "wizard/generator/sql/SqlScript.h"

#include "utility/BasicError.h"
#include "wizard/engine/Dao.h"
#include "wizard/generator/CodePrinter.h"
#include "wizard/generator/DisplayText.h"
#include "wizard/generator/sql/SqlDialect.h"
#include "wizard/generator/sql/SqlExpression.h"
#include "wizard/generator/sql/SqlNames.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace tabulo::sql {

namespace {

// MariaDB refuses a table whose row may be longer than these: InnoDB's
// record, and the server's row.
constexpr int kInnodbRowLimit = 8126;
constexpr int kServerRowLimit = 65535;

bool isAutoNumber(const schema::Field &field)
{
    return (field.attributes & dao::dbAutoIncrField) && field.type == dao::dbLong;
}

bool isComplex(const schema::Field &field)
{
    return field.type >= dao::dbAttachment && field.type <= dao::dbComplexText;
}

// The scalar type of a multi-valued field's values.
int valueTypeOf(int complexType)
{
    switch (complexType) {
    case dao::dbComplexByte: return dao::dbByte;
    case dao::dbComplexInteger: return dao::dbInteger;
    case dao::dbComplexLong: return dao::dbLong;
    case dao::dbComplexSingle: return dao::dbSingle;
    case dao::dbComplexDouble: return dao::dbDouble;
    case dao::dbComplexGUID: return dao::dbGUID;
    case dao::dbComplexDecimal: return dao::dbDecimal;
    default: return dao::dbText;
    }
}

QString propertyText(const QList<schema::Property> &properties, QLatin1StringView name)
{
    for (const schema::Property &p : properties) {
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p.value.toString();
    }
    return {};
}

// A comment's text on one line, whatever the source holds.
QString commentText(const QString &text)
{
    return escapedForDisplay(text);
}

// One line of a CREATE TABLE's list: a column or a table constraint, with
// the comment lines that go before it.
struct Entry {
    QStringList comments;
    QString definition;
};

// A table as the script writes it: its name, its columns' names.
struct TableNames {
    const schema::Table *table = nullptr;
    QString name;                             // as written, quoted
    QString note;                             // says what a shortened name stands for
    QList<QString> quoted;                    // of each field, empty for one not written
    QList<QString> notes;                     // of each field, as `note`
    QHash<QString, qsizetype> byName;         // folded source name -> its field

    std::optional<ColumnRef> column(const QString &sourceName) const
    {
        const auto found = byName.constFind(sourceName.toCaseFolded());
        if (found == byName.cend())
            return std::nullopt;
        return ColumnRef{quoted[*found], &table->fields[*found]};
    }
    // A field of the table itself: found by its place.
    std::optional<ColumnRef> column(const schema::Field &field) const
    {
        const qsizetype at = &field - table->fields.constData();
        if (quoted[at].isEmpty())
            return std::nullopt;
        return ColumnRef{quoted[at], &field};
    }
};

class ScriptWriter {
public:
    ScriptWriter(const schema::Database &db, const ScriptOptions &options)
        : m_db(db), m_options(options), m_rules(rulesOf(options.dialect)), m_out(QStringLiteral("    ")),
          m_schemaNames(m_rules, options.lowercaseNames)
    {
        m_out.setLineEnd(QStringLiteral("\n"));
    }

    Script write(const QStringList &tableNames)
    {
        const QList<const schema::Table *> tables = chosenTables(tableNames);
        // Every table name first, so that the names made up later (indexes,
        // child tables) keep out of their way.
        for (const schema::Table *table : tables)
            nameTable(*table);
        indexRelations();
        m_out.print("-- $dialect$ script written by Tabulo from \"$source$\".\n"
                    "-- It creates the tables of the source's design, with their keys, indexes and relationships.\n",
                    {{"dialect", QString(m_rules.title)}, {"source", commentText(m_db.name)}});
        if (m_rules.dialect == Dialect::MySQL)
            m_out.print("-- MySQL commits each CREATE at once: a load that fails leaves the tables made before it.\n");
        if (m_rules.transactionalDdl)
            m_out.print("\nBEGIN;\n");
        for (const schema::Table *table : tables)
            writeTable(m_names[table->name.toCaseFolded()]);
        writeRelations();
        if (m_rules.transactionalDdl)
            m_out.print("\nCOMMIT;\n");
        return Script{m_out.take(), m_warnings};
    }

private:
    QList<const schema::Table *> chosenTables(const QStringList &names) const
    {
        QHash<QString, const schema::Table *> byName;
        for (const schema::Table &table : m_db.tables)
            byName.insert(table.name.toCaseFolded(), &table);
        QList<const schema::Table *> chosen;
        for (const QString &name : names) {
            const schema::Table *table = byName.value(name.toCaseFolded());
            if (!table)
                pembry::raiseError(3265, QStringLiteral("tabulo"),
                                   QStringLiteral("Item not found in this collection: the table \"%1\" is not in \"%2\".")
                                       .arg(name, m_db.name));
            chosen.append(table);
        }
        return chosen;
    }

    QString quoted(const QString &name) const { return quotedName(m_rules, name); }

    // The relationships by their referencing table, and the fields each
    // table has in one, looked up per table instead of searched.
    void indexRelations()
    {
        for (const schema::Relation &relation : m_db.relations) {
            m_relationsByForeignTable[relation.foreignTable.toCaseFolded()].append(&relation);
            QSet<QString> &primary = m_relatedFields[relation.table.toCaseFolded()];
            QSet<QString> &foreign = m_relatedFields[relation.foreignTable.toCaseFolded()];
            const bool cascaded = (relation.attributes & dao::dbRelationUpdateCascade)
                                  && !(relation.attributes & dao::dbRelationDontEnforce);
            for (const schema::RelationField &f : relation.fields) {
                primary.insert(f.name.toCaseFolded());
                foreign.insert(f.foreignName.toCaseFolded());
                if (cascaded && m_options.includeRelations && bothChosen(relation))
                    m_cascadeUpdated[relation.foreignTable.toCaseFolded()].insert(f.foreignName.toCaseFolded());
            }
        }
    }

    // What a shortened name stands for; empty for a name as the source has it.
    QString shortenedNote(const QString &written, const QString &source) const
    {
        if (written == (m_options.lowercaseNames ? source.toLower() : source))
            return {};
        return QStringLiteral("\"%1\" stands for \"%2\"").arg(written, source);
    }

    void leaveOut(QStringList &comments, const QString &what)
    {
        comments.append(QStringLiteral("Left out: ") + commentText(what));
        m_warnings.append(what);
    }

    void nameTable(const schema::Table &table)
    {
        TableNames &names = m_names[table.name.toCaseFolded()];
        names.table = &table;
        const QString written = m_schemaNames.claimSourceName(table.name);
        names.name = quoted(written);
        names.note = shortenedNote(written, table.name);
        NameSpace columns(m_rules, m_options.lowercaseNames);
        names.quoted.resize(table.fields.size());
        names.notes.resize(table.fields.size());
        names.byName.reserve(table.fields.size());
        for (qsizetype k = 0; k < table.fields.size(); ++k) {
            const schema::Field &field = table.fields[k];
            if (field.type == 0 || isComplex(field))
                continue;
            const QString column = columns.claimSourceName(field.name);
            names.quoted[k] = quoted(column);
            names.notes[k] = shortenedNote(column, field.name);
            names.byName.insert(field.name.toCaseFolded(), k);
        }
    }

    const schema::Index *primaryKey(const schema::Table &table) const
    {
        for (const schema::Index &index : table.indexes) {
            if (index.primary)
                return &index;
        }
        return nullptr;
    }

    // The key's columns as written; empty when one of them is not written.
    QStringList keyColumns(const TableNames &names, const QList<QString> &fields) const
    {
        QStringList out;
        for (const QString &field : fields) {
            const std::optional<ColumnRef> ref = names.column(field);
            if (!ref)
                return {};
            out.append(ref->quoted);
        }
        return out;
    }

    // The Text fields MySQL gets as `text`, widest first, so that the row
    // fits MariaDB's limits: none of them is in an index or a relationship.
    QSet<const schema::Field *> textsForRowLimits(const schema::Table &table) const
    {
        QSet<const schema::Field *> widened;
        if (m_rules.dialect != Dialect::MySQL)
            return widened;
        QSet<QString> keyed = m_relatedFields.value(table.name.toCaseFolded());
        for (const schema::Index &index : table.indexes) {
            for (const QString &name : index.fields)
                keyed.insert(name.toCaseFolded());
        }
        RowBytes row;
        int columns = 0;
        QList<const schema::Field *> candidates;
        for (const schema::Field &field : table.fields) {
            if (field.type == 0 || isComplex(field))
                continue;
            const RowBytes bytes = mysqlRowBytes(field);
            row.innodb += bytes.innodb;
            row.server += bytes.server;
            ++columns;
            if (field.type == dao::dbText && !keyed.contains(field.name.toCaseFolded()))
                candidates.append(&field);
        }
        row.innodb += (columns + 7) / 8;   // the record's null flags
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const schema::Field *a, const schema::Field *b) { return a->size > b->size; });
        for (const schema::Field *field : candidates) {
            if (row.innodb <= kInnodbRowLimit && row.server <= kServerRowLimit)
                break;
            const RowBytes bytes = mysqlRowBytes(*field);
            row.innodb -= bytes.innodb - kTextRowBytes.innodb;
            row.server -= bytes.server - kTextRowBytes.server;
            widened.insert(field);
        }
        return widened;
    }

    void writeTable(const TableNames &names)
    {
        const schema::Table &table = *names.table;
        const schema::Index *primary = primaryKey(table);
        const QStringList primaryColumns = primary ? keyColumns(names, primary->fields) : QStringList();
        const QSet<const schema::Field *> widened = textsForRowLimits(table);
        QStringList tableComments;
        if (!names.note.isEmpty())
            tableComments.append(names.note);
        const QString description = propertyText(table.properties, QLatin1StringView("Description"));

        QList<Entry> entries;
        bool identityIsKey = false;
        QString autoNumberColumn;
        for (const schema::Field &field : table.fields)
            entries.append(column(names, field, primaryColumns, widened, identityIsKey, autoNumberColumn));
        if (primary && primaryColumns.isEmpty())
            leaveOut(tableComments, QStringLiteral("table \"%1\": its primary key \"%2\" names a field the script "
                                                   "leaves out").arg(table.name, primary->name));
        if (!primaryColumns.isEmpty() && !identityIsKey) {
            Entry key;
            const QString constraint = m_rules.dialect == Dialect::PostgreSQL
                                           ? QStringLiteral("CONSTRAINT %1 ").arg(quoted(indexName(table, *primary)))
                                           : QString();
            key.definition = constraint + QStringLiteral("PRIMARY KEY (%1)").arg(primaryColumns.join(QLatin1String(", ")));
            entries.append(key);
        }
        // MySQL numbers only a column that begins a key.
        if (!autoNumberColumn.isEmpty() && !beginsAnIndex(names, autoNumberColumn))
            entries.append(Entry{{QStringLiteral("MySQL numbers only a column that begins a key")},
                                 QStringLiteral("KEY (%1)").arg(autoNumberColumn)});
        if (!table.validationRule.isEmpty())
            tableCheck(names, entries);
        if (m_rules.foreignKeysInCreateTable)
            foreignKeysOf(names, entries);

        m_out.print("\n");
        if (std::none_of(entries.cbegin(), entries.cend(), [](const Entry &e) { return !e.definition.isEmpty(); })) {
            leaveOut(tableComments, QStringLiteral("table \"%1\": it has no field the script can write").arg(table.name));
            printComments(tableComments);
            return;
        }
        if (!description.isEmpty() && m_rules.comments == DialectRules::Comments::Lines)
            tableComments.prepend(description);
        printComments(tableComments);
        QString options = m_rules.tableOptions;
        if (!description.isEmpty() && m_rules.comments == DialectRules::Comments::Clauses)
            options += QStringLiteral(" COMMENT=") + stringLiteral(m_rules, description);
        m_out.print("CREATE TABLE $name$ (\n", {{"name", names.name}});
        {
            const auto indented = m_out.indented();
            qsizetype last = entries.size() - 1;
            while (last >= 0 && entries[last].definition.isEmpty())
                --last;
            for (qsizetype i = 0; i < entries.size(); ++i) {
                printComments(entries[i].comments);
                if (!entries[i].definition.isEmpty())
                    m_out.print("$entry$$comma$\n", {{"entry", entries[i].definition},
                                                     {"comma", i < last ? u"," : u""}});
            }
        }
        m_out.print(")$options$;\n", {{"options", options}});
        writeIndexes(names);
        if (m_rules.comments == DialectRules::Comments::Statements)
            writeCommentStatements(names, description);
        for (const schema::Field &field : table.fields) {
            if (isComplex(field))
                writeChildTable(names, field, primaryColumns);
        }
    }

    bool beginsAnIndex(const TableNames &names, const QString &quotedColumn) const
    {
        for (const schema::Index &index : names.table->indexes) {
            const QStringList columns = keyColumns(names, index.fields);
            if (!columns.isEmpty() && columns.constFirst() == quotedColumn)
                return true;
        }
        return false;
    }

    void printComments(const QStringList &comments)
    {
        for (const QString &comment : comments)
            m_out.print("-- $comment$\n", {{"comment", commentText(comment)}});
    }

    Entry column(const TableNames &names, const schema::Field &field, const QStringList &primaryColumns,
                 const QSet<const schema::Field *> &widened, bool &identityIsKey, QString &autoNumberColumn)
    {
        Entry entry;
        const QString where = QStringLiteral("table \"%1\", field \"%2\"").arg(names.table->name, field.name);
        if (field.type == 0) {
            leaveOut(entry.comments, QStringLiteral("%1: its storage type 0x%2 has no SQL type")
                                         .arg(where)
                                         .arg(QString::number(field.storageType, 16).toUpper().rightJustified(2, u'0')));
            return entry;
        }
        if (isComplex(field))
            return entry;   // a child table, after the table
        const std::optional<ColumnRef> ref = names.column(field);
        if (const QString &note = names.notes[&field - names.table->fields.constData()]; !note.isEmpty())
            entry.comments.append(note);
        const QString description = propertyText(field.properties, QLatin1StringView("Description"));
        if (!description.isEmpty() && m_rules.comments == DialectRules::Comments::Lines)
            entry.comments.append(description);

        QString type = columnType(m_rules, field);
        if (widened.contains(&field)) {
            type = QStringLiteral("text");
            entry.comments.append(QStringLiteral("text, not %1: the row would exceed MariaDB's row size limits")
                                      .arg(columnType(m_rules, field)));
        }
        const bool isKey = primaryColumns.contains(ref->quoted);
        const bool autoNumber = isAutoNumber(field);
        QStringList parts{ref->quoted, type};
        bool notNull = field.required || autoNumber || isKey;

        if (!field.expression.isEmpty()) {
            ExpressionContext context{&m_rules, [&names](const QString &n) { return names.column(n); }, std::nullopt,
                                      true, true};
            const Translation expression = translateExpression(field.expression, context);
            if (expression.ok()) {
                parts.append(QStringLiteral("GENERATED ALWAYS AS (%1) STORED").arg(expression.sql));
                notNull = false;
            } else {
                leaveOut(entry.comments, QStringLiteral("%1: its expression %2 (%3); the column holds plain values")
                                             .arg(where, field.expression, expression.problem));
            }
        }
        if (autoNumber) {
            switch (m_rules.dialect) {
            case Dialect::PostgreSQL: parts.append(QStringLiteral("GENERATED BY DEFAULT AS IDENTITY")); break;
            case Dialect::MySQL:
                parts.append(QStringLiteral("NOT NULL AUTO_INCREMENT"));
                notNull = false;
                autoNumberColumn = ref->quoted;
                break;
            case Dialect::SQLite:
                if (primaryColumns.size() == 1 && isKey) {
                    parts.append(QStringLiteral("PRIMARY KEY"));
                    identityIsKey = true;
                } else {
                    entry.comments.append(QStringLiteral("an AutoNumber in the source: SQLite numbers only an "
                                                         "INTEGER PRIMARY KEY alone"));
                }
                break;
            }
        }
        if (notNull)
            parts.append(QStringLiteral("NOT NULL"));
        if (!field.defaultValue.isEmpty() && field.expression.isEmpty() && !autoNumber) {
            const Translation value = translateDefault(field.defaultValue, field, m_rules);
            if (value.ok())
                parts.append(QStringLiteral("DEFAULT ") + value.sql);
            else
                leaveOut(entry.comments,
                         QStringLiteral("%1: the default value %2 (%3)").arg(where, field.defaultValue, value.problem));
        }
        // MySQL reads a column's COMMENT before its CHECK.
        if (!description.isEmpty() && m_rules.comments == DialectRules::Comments::Clauses)
            parts.append(QStringLiteral("COMMENT ") + stringLiteral(m_rules, description));
        if (!field.validationRule.isEmpty()) {
            const Translation rule = checkCondition(names, field.validationRule, &field);
            if (rule.ok())
                parts.append(QStringLiteral("CHECK (%1)").arg(rule.sql));
            else
                leaveOut(entry.comments,
                         QStringLiteral("%1: the validation rule %2 (%3)").arg(where, field.validationRule, rule.problem));
        }
        if (field.appendOnly)
            leaveOut(entry.comments, QStringLiteral("%1: it is append-only, keeping the history of its values; "
                                                    "here it is plain text").arg(where));
        if (field.type == dao::dbDateTimeExtended)
            entry.comments.append(QStringLiteral("Date/Time Extended in the source, to 100 nanoseconds; here to "
                                                 "the microsecond"));
        entry.definition = parts.join(u' ');
        return entry;
    }

    // A validation rule as a CHECK's condition; `field` is the field whose
    // rule it is, none for the table's own rule. MySQL refuses a CHECK on a
    // column that a foreign key's ON UPDATE CASCADE changes.
    Translation checkCondition(const TableNames &names, const QString &rule, const schema::Field *field) const
    {
        QSet<const schema::Field *> named;
        if (field)
            named.insert(field);
        const auto column = [&names, &named](const QString &n) {
            std::optional<ColumnRef> ref = names.column(n);
            if (ref)
                named.insert(ref->field);
            return ref;
        };
        const ExpressionContext context{&m_rules, column, field ? names.column(*field) : std::nullopt, true};
        Translation translation = translateCondition(rule, context);
        if (translation.ok() && m_rules.dialect == Dialect::MySQL) {
            const QSet<QString> cascaded = m_cascadeUpdated.value(names.table->name.toCaseFolded());
            for (const schema::Field *f : std::as_const(named)) {
                if (cascaded.contains(f->name.toCaseFolded()))
                    return Translation{{}, QStringLiteral("MariaDB/MySQL refuses a CHECK on \"%1\", which a foreign "
                                                          "key's ON UPDATE CASCADE changes").arg(f->name)};
            }
        }
        return translation;
    }

    void tableCheck(const TableNames &names, QList<Entry> &entries)
    {
        const schema::Table &table = *names.table;
        const Translation rule = checkCondition(names, table.validationRule, nullptr);
        Entry entry;
        if (rule.ok())
            entry.definition = QStringLiteral("CHECK (%1)").arg(rule.sql);
        else
            leaveOut(entry.comments, QStringLiteral("table \"%1\": the validation rule %2 (%3)")
                                         .arg(table.name, table.validationRule, rule.problem));
        entries.append(entry);
    }

    // An index's name: unique in the whole schema where the dialect needs
    // it, so named after its table there.
    QString indexName(const schema::Table &table, const schema::Index &index)
    {
        if (m_rules.schemaWideIndexNames)
            return m_schemaNames.claimMadeName(table.name + u'_' + index.name);
        return NameSpace(m_rules, m_options.lowercaseNames).claimMadeName(index.name);
    }

    void writeIndexes(const TableNames &names)
    {
        const schema::Table &table = *names.table;
        for (const schema::Index &index : table.indexes) {
            if (index.primary)
                continue;
            QStringList columns = keyColumns(names, index.fields);
            if (columns.isEmpty()) {
                QStringList comments;
                leaveOut(comments, QStringLiteral("table \"%1\": the index \"%2\" (it names no field the script "
                                                  "writes)").arg(table.name, index.name));
                printComments(comments);
                continue;
            }
            for (qsizetype k = 0; k < columns.size(); ++k) {
                if (index.isDescending(k))
                    columns[k] += QLatin1String(" DESC");
            }
            m_out.print("CREATE $unique$INDEX $name$ ON $table$ ($columns$);\n",
                        {{"unique", index.unique ? u"UNIQUE " : u""},
                         {"name", quoted(indexName(table, index))},
                         {"table", names.name},
                         {"columns", columns.join(QLatin1String(", "))}});
        }
    }

    void writeCommentStatements(const TableNames &names, const QString &description)
    {
        if (!description.isEmpty())
            m_out.print("COMMENT ON TABLE $table$ IS $text$;\n",
                        {{"table", names.name}, {"text", stringLiteral(m_rules, description)}});
        for (const schema::Field &field : names.table->fields) {
            const QString text = propertyText(field.properties, QLatin1StringView("Description"));
            const std::optional<ColumnRef> ref = names.column(field);
            if (!text.isEmpty() && ref)
                m_out.print("COMMENT ON COLUMN $table$.$column$ IS $text$;\n",
                            {{"table", names.name}, {"column", ref->quoted}, {"text", stringLiteral(m_rules, text)}});
        }
    }

    // A multi-valued or attachment field as a table of its own, one row a
    // value, keyed by the parent's key.
    void writeChildTable(const TableNames &parent, const schema::Field &field, const QStringList &parentKey)
    {
        const schema::Table &table = *parent.table;
        if (parentKey.isEmpty()) {
            QStringList comments;
            leaveOut(comments, QStringLiteral("table \"%1\", field \"%2\": %3 field needs a table of its own, "
                                              "keyed by the table's primary key, which it lacks")
                                   .arg(table.name, field.name,
                                        field.type == dao::dbAttachment ? QStringLiteral("an attachment")
                                                                        : QStringLiteral("a multi-valued")));
            printComments(comments);
            return;
        }
        const QString name = quoted(m_schemaNames.claimMadeName(table.name + u'_' + field.name));
        NameSpace columns(m_rules, m_options.lowercaseNames);
        QList<Entry> entries;
        QStringList childKey;
        for (const QString &keyField : primaryKey(table)->fields) {
            const schema::Field *source = parent.column(keyField)->field;
            schema::Field copy = *source;
            copy.attributes &= ~dao::dbAutoIncrField;
            const QString column = quoted(columns.claimSourceName(source->name));
            childKey.append(column);
            entries.append(Entry{{}, QStringLiteral("%1 %2 NOT NULL").arg(column, columnType(m_rules, copy))});
        }
        QStringList valueColumns;
        if (field.type == dao::dbAttachment) {
            schema::Field text;
            text.type = dao::dbText;
            text.size = 255;
            schema::Field data;
            data.type = dao::dbLongBinary;
            for (const char *member : {"FileName", "FileType"}) {
                const QString column = quoted(columns.claimMadeName(QLatin1String(member)));
                entries.append(Entry{{}, QStringLiteral("%1 %2%3").arg(column, columnType(m_rules, text),
                                                                    member[4] == 'N' ? QStringLiteral(" NOT NULL")
                                                                                     : QString())});
                if (member[4] == 'N')
                    valueColumns.append(column);
            }
            entries.append(Entry{{}, QStringLiteral("%1 %2").arg(quoted(columns.claimMadeName(QStringLiteral("FileData"))),
                                                                columnType(m_rules, data))});
        } else {
            schema::Field value = field;
            value.type = valueTypeOf(field.type);
            const QString column = quoted(columns.claimMadeName(QStringLiteral("Value")));
            entries.append(Entry{{}, QStringLiteral("%1 %2 NOT NULL").arg(column, columnType(m_rules, value))});
            valueColumns.append(column);
        }
        entries.append(Entry{{}, QStringLiteral("PRIMARY KEY (%1)").arg((childKey + valueColumns).join(QLatin1String(", ")))});
        entries.append(Entry{{}, QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%3) ON UPDATE CASCADE ON DELETE CASCADE")
                                     .arg(childKey.join(QLatin1String(", ")), parent.name,
                                          parentKey.join(QLatin1String(", ")))});
        m_out.print("\n-- The values of $what$ field \"$field$\" of \"$table$\", one row each.\n",
                    {{"what", field.type == dao::dbAttachment ? u"the attachment" : u"the multi-valued"},
                     {"field", commentText(field.name)},
                     {"table", commentText(table.name)}});
        m_out.print("CREATE TABLE $name$ (\n", {{"name", name}});
        {
            const auto indented = m_out.indented();
            for (qsizetype i = 0; i < entries.size(); ++i)
                m_out.print("$entry$$comma$\n",
                            {{"entry", entries[i].definition}, {"comma", i + 1 < entries.size() ? u"," : u""}});
        }
        m_out.print(")$options$;\n", {{"options", QString(m_rules.tableOptions)}});
    }

    // The relationships between two chosen tables, each as it is written.
    struct RelationText {
        const schema::Relation *relation;
        QString constraint;     // empty when it is not written as a key
        QStringList comments;
    };

    RelationText relationText(const schema::Relation &relation)
    {
        RelationText out{&relation, {}, {}};
        const TableNames &primary = m_names[relation.table.toCaseFolded()];
        const TableNames &foreign = m_names[relation.foreignTable.toCaseFolded()];
        QStringList from;
        QStringList to;
        for (const schema::RelationField &f : relation.fields) {
            const std::optional<ColumnRef> a = foreign.column(f.foreignName);
            const std::optional<ColumnRef> b = primary.column(f.name);
            if (!a || !b) {
                leaveOut(out.comments, QStringLiteral("the relationship \"%1\" (it names a field the script does "
                                                      "not write)").arg(relation.name));
                return out;
            }
            from.append(a->quoted);
            to.append(b->quoted);
        }
        const QString text = QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%3)")
                                 .arg(from.join(QLatin1String(", ")), primary.name, to.join(QLatin1String(", ")));
        if (relation.attributes & dao::dbRelationDontEnforce) {
            out.comments.append(QStringLiteral("The relationship \"%1\" is not enforced in the source: %2 %3")
                                    .arg(relation.name, foreign.name, text));
            return out;
        }
        QString actions;
        if (relation.attributes & dao::dbRelationUpdateCascade)
            actions += QLatin1String(" ON UPDATE CASCADE");
        if (relation.attributes & dao::dbRelationDeleteCascade)
            actions += QLatin1String(" ON DELETE CASCADE");
        out.constraint = QStringLiteral("CONSTRAINT %1 %2%3")
                             .arg(quoted(m_relationNames.claimMadeName(relation.name)), text, actions);
        return out;
    }

    bool bothChosen(const schema::Relation &relation) const
    {
        return m_names.contains(relation.table.toCaseFolded()) && m_names.contains(relation.foreignTable.toCaseFolded());
    }

    void foreignKeysOf(const TableNames &names, QList<Entry> &entries)
    {
        if (!m_options.includeRelations)
            return;
        for (const schema::Relation *relation : m_relationsByForeignTable.value(names.table->name.toCaseFolded())) {
            if (!bothChosen(*relation))
                continue;
            RelationText text = relationText(*relation);
            entries.append(Entry{text.comments, text.constraint});
        }
    }

    void writeRelations()
    {
        if (!m_options.includeRelations || m_rules.foreignKeysInCreateTable)
            return;
        bool first = true;
        for (const schema::Relation &relation : m_db.relations) {
            if (!bothChosen(relation))
                continue;
            if (first)
                m_out.print("\n");
            first = false;
            const RelationText text = relationText(relation);
            printComments(text.comments);
            if (!text.constraint.isEmpty())
                m_out.print("ALTER TABLE $table$ ADD $constraint$;\n",
                            {{"table", m_names[relation.foreignTable.toCaseFolded()].name},
                             {"constraint", text.constraint}});
        }
    }

    const schema::Database &m_db;
    const ScriptOptions &m_options;
    const DialectRules &m_rules;
    CodePrinter m_out;
    NameSpace m_schemaNames;
    NameSpace m_relationNames{m_rules, m_options.lowercaseNames};
    QHash<QString, TableNames> m_names;   // by the folded source name
    QHash<QString, QList<const schema::Relation *>> m_relationsByForeignTable;
    QHash<QString, QSet<QString>> m_relatedFields;   // folded table name -> its folded field names
    QHash<QString, QSet<QString>> m_cascadeUpdated;  // the fields an ON UPDATE CASCADE changes, so
    QStringList m_warnings;
};

}  // namespace

std::optional<Dialect> dialectNamed(QStringView name)
{
    for (Dialect dialect : {Dialect::SQLite, Dialect::PostgreSQL, Dialect::MySQL}) {
        if (name.compare(dialectName(dialect), Qt::CaseInsensitive) == 0)
            return dialect;
    }
    return std::nullopt;
}

QString dialectName(Dialect dialect)
{
    static const QString names[] = {QStringLiteral("sqlite"), QStringLiteral("postgresql"), QStringLiteral("mysql")};
    return names[int(dialect)];
}

QString dialectTitle(Dialect dialect)
{
    return rulesOf(dialect).title;
}

Script writeScript(const schema::Database &db, const QStringList &tables, const ScriptOptions &options)
{
    return ScriptWriter(db, options).write(tables);
}

}  // namespace tabulo::sql
