// Every real database of the corpus, written as an SQL script by tabulo-cli
// in each dialect, loaded into the real engine, and the engine's catalogue
// held against the design the reader finds in the file: tables, columns
// with their lengths, digits and NOT NULL, primary keys, indexes, foreign
// keys with their cascades, CHECKs and comments. What the script leaves out
// must be named by a warning.

#include "SqlEngines.h"
#include "TestPaths.h"
#include "wizard/engine/Dao.h"
#include "wizard/engine/SchemaJson.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

using namespace sqlengines;

namespace {

struct CorpusFile {
    const char *name;
    const char *password;
};

constexpr CorpusFile kFiles[] = {
    {"northwind.mdb", nullptr},          {"northwind-variant.mdb", nullptr},
    {"jet3-index.mdb", nullptr},         {"jet3-index-codes.mdb", nullptr},
    {"jet3-types.mdb", nullptr},         {"jet4-index.mdb", nullptr},
    {"jet4-index-properties.mdb", nullptr}, {"jet4-unicode.mdb", nullptr},
    {"jet4-types.mdb", nullptr},         {"jet4-decimal.mdb", nullptr},
    {"jet4-password.mdb", "password"},   {"jet4-password-2003.mdb", "password"},
    {"ace-2007.accdb", nullptr},         {"ace14-types.accdb", nullptr},
    {"ace14-calculated-fields.accdb", nullptr}, {"ace14-complex-fields.accdb", nullptr},
    {"ace12-attachments.accdb", nullptr}, {"ace12-unknown-types.accdb", nullptr},
    {"ace16-large-number.accdb", nullptr}, {"ace17-datetime-extended.accdb", nullptr},
    {"ace14-encrypted-standard.accdb", "password"}, {"ace14-encrypted-agile.accdb", "password"},
};

struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

ProgramRun runProgram(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForStarted())
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        process.kill();
    process.waitForFinished();
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString binary(const char *name)
{
    return QStringLiteral(TABULO_BINARY_DIR "/bin/") + QLatin1String(name);
}

// What the engine's catalogue says of one table.
struct Column {
    QString name;
    bool notNull = false;
    int length = 0;         // of a varchar; 0 for other types
    int precision = 0;      // of a numeric or decimal
    int scale = 0;
};
struct Catalogue {
    QList<Column> columns;
    QStringList primaryKey;
    QStringList indexes;    // "unique a,b" or "a,b DESC"... as "[unique ]columns"
    QStringList foreignKeys;   // "a,b -> T(c,d) update CASCADE delete NO ACTION"
    int checks = 0;
    int comments = 0;
};

QString literal(Engine engine, const QString &text)
{
    QString out = text;
    out.replace(u'\'', QLatin1String("''"));
    if (engine == Engine::MariaDB)
        out.replace(u'\\', QLatin1String("\\\\"));
    return u'\'' + out + u'\'';
}

QString actionName(QString action)
{
    action = action.toUpper();
    if (action == QLatin1String("A") || action == QLatin1String("NO ACTION") || action == QLatin1String("RESTRICT")
        || action == QLatin1String("R"))
        return QStringLiteral("none");
    if (action == QLatin1String("C") || action == QLatin1String("CASCADE"))
        return QStringLiteral("cascade");
    return action;
}

QString foreignKeyText(const QStringList &from, const QString &table, const QStringList &to, const QString &update,
                       const QString &remove)
{
    return QStringLiteral("%1 -> %2(%3) update %4 delete %5")
        .arg(from.join(u','), table, to.join(u','), actionName(update), actionName(remove));
}

Catalogue sqliteCatalogue(const QString &db, const QString &table)
{
    const Engine e = Engine::SQLite;
    Catalogue c;
    const QString t = literal(e, table);
    for (const QStringList &row : query(e, db, QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_xinfo(%1) ORDER BY cid").arg(t))) {
        Column column{row[0], row[2] == QLatin1String("1") || row[3] != QLatin1String("0")};
        const QString type = row[1].toLower();
        if (type.startsWith(QLatin1String("varchar(")))
            column.length = type.mid(8).chopped(1).toInt();
        if (type.startsWith(QLatin1String("numeric("))) {
            const QStringList digits = type.mid(8).chopped(1).split(u',');
            column.precision = digits.value(0).toInt();
            column.scale = digits.value(1).toInt();
        }
        c.columns.append(column);
    }
    for (const QStringList &row : query(e, db, QStringLiteral("SELECT name FROM pragma_table_info(%1) WHERE pk > 0 ORDER BY pk").arg(t)))
        c.primaryKey.append(row[0]);
    for (const QStringList &row : query(e, db, QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(%1) WHERE origin = 'c'").arg(t))) {
        QStringList columns;
        for (const QStringList &key : query(e, db, QStringLiteral("SELECT name, \"desc\" FROM pragma_index_xinfo(%1) WHERE key = 1 ORDER BY seqno").arg(literal(e, row[0]))))
            columns.append(key[0]);
        c.indexes.append((row[1] == QLatin1String("1") ? QStringLiteral("unique ") : QString()) + columns.join(u','));
    }
    QMap<int, QList<QStringList>> keys;
    for (const QStringList &row : query(e, db, QStringLiteral("SELECT id, \"table\", \"from\", \"to\", on_update, on_delete FROM pragma_foreign_key_list(%1) ORDER BY id, seq").arg(t)))
        keys[row[0].toInt()].append(row);
    for (const QList<QStringList> &rows : keys) {
        QStringList from, to;
        for (const QStringList &row : rows) {
            from.append(row[2]);
            to.append(row[3]);
        }
        c.foreignKeys.append(foreignKeyText(from, rows[0][1], to, rows[0][4], rows[0][5]));
    }
    const QList<QStringList> sql = query(e, db, QStringLiteral("SELECT sql FROM sqlite_schema WHERE name = %1").arg(t));
    c.checks = sql.isEmpty() ? 0 : int(sql[0][0].count(QLatin1String(" CHECK (")));
    return c;
}

Catalogue postgresCatalogue(const QString &db, const QString &table)
{
    const Engine e = Engine::PostgreSQL;
    Catalogue c;
    const QString oid = QStringLiteral("(SELECT c.oid FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                                       "WHERE n.nspname = 'public' AND c.relname = %1)").arg(literal(e, table));
    for (const QStringList &row : query(e, db, QStringLiteral(
             "SELECT column_name, is_nullable, coalesce(character_maximum_length, 0), "
             "CASE WHEN data_type = 'numeric' THEN coalesce(numeric_precision, 0) ELSE 0 END, "
             "CASE WHEN data_type = 'numeric' THEN coalesce(numeric_scale, 0) ELSE 0 END "
             "FROM information_schema.columns WHERE table_schema = 'public' AND table_name = %1 "
             "ORDER BY ordinal_position").arg(literal(e, table))))
        c.columns.append(Column{row[0], row[1] == QLatin1String("NO"), row[2].toInt(), row[3].toInt(), row[4].toInt()});
    const QString keyColumns = QStringLiteral(
        "(SELECT string_agg(a.attname, ',' ORDER BY k.ord) FROM unnest(%1) WITH ORDINALITY k(attnum, ord) "
        "JOIN pg_attribute a ON a.attrelid = %2 AND a.attnum = k.attnum)");
    for (const QStringList &row : query(e, db, QStringLiteral("SELECT i.indisprimary, i.indisunique, %1 FROM pg_index i WHERE i.indrelid = %2")
                                                    .arg(keyColumns.arg(QStringLiteral("i.indkey::int2[]"), QStringLiteral("i.indrelid")), oid))) {
        if (row[0] == QLatin1String("t"))
            c.primaryKey = row[2].split(u',');
        else
            c.indexes.append((row[1] == QLatin1String("t") ? QStringLiteral("unique ") : QString()) + row[2]);
    }
    for (const QStringList &row : query(e, db, QStringLiteral(
             "SELECT %1, (SELECT relname FROM pg_class WHERE oid = con.confrelid), %2, con.confupdtype, con.confdeltype "
             "FROM pg_constraint con WHERE con.contype = 'f' AND con.conrelid = %3")
                                                    .arg(keyColumns.arg(QStringLiteral("con.conkey"), QStringLiteral("con.conrelid")),
                                                         keyColumns.arg(QStringLiteral("con.confkey"), QStringLiteral("con.confrelid")), oid)))
        c.foreignKeys.append(foreignKeyText(row[0].split(u','), row[1], row[2].split(u','), row[3], row[4]));
    c.checks = query(e, db, QStringLiteral("SELECT count(*) FROM pg_constraint WHERE contype = 'c' AND conrelid = %1").arg(oid))
                   .value(0).value(0).toInt();
    c.comments = query(e, db, QStringLiteral("SELECT count(*) FROM pg_description WHERE objoid = %1").arg(oid))
                     .value(0).value(0).toInt();
    return c;
}

Catalogue mariadbCatalogue(const QString &db, const QString &table)
{
    const Engine e = Engine::MariaDB;
    Catalogue c;
    const QString where = QStringLiteral("TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1").arg(literal(e, table));
    for (const QStringList &row : query(e, db, QStringLiteral(
             "SELECT COLUMN_NAME, IS_NULLABLE, IF(DATA_TYPE = 'varchar', CHARACTER_MAXIMUM_LENGTH, 0), "
             "IF(DATA_TYPE = 'decimal', NUMERIC_PRECISION, 0), IF(DATA_TYPE = 'decimal', NUMERIC_SCALE, 0), "
             "COLUMN_COMMENT <> '' FROM information_schema.COLUMNS WHERE %1 ORDER BY ORDINAL_POSITION").arg(where))) {
        c.columns.append(Column{row[0], row[1] == QLatin1String("NO"), row[2].toInt(), row[3].toInt(), row[4].toInt()});
        c.comments += row[5].toInt();
    }
    c.comments += query(e, db, QStringLiteral("SELECT TABLE_COMMENT <> '' FROM information_schema.TABLES WHERE %1").arg(where))
                      .value(0).value(0).toInt();
    for (const QStringList &row : query(e, db, QStringLiteral(
             "SELECT INDEX_NAME, MAX(NON_UNIQUE), GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX SEPARATOR ',') "
             "FROM information_schema.STATISTICS WHERE %1 GROUP BY INDEX_NAME").arg(where))) {
        if (row[0] == QLatin1String("PRIMARY"))
            c.primaryKey = row[2].split(u',');
        else
            c.indexes.append((row[1] == QLatin1String("0") ? QStringLiteral("unique ") : QString()) + row[2]);
    }
    for (const QStringList &row : query(e, db, QStringLiteral(
             "SELECT GROUP_CONCAT(k.COLUMN_NAME ORDER BY k.ORDINAL_POSITION SEPARATOR ','), r.REFERENCED_TABLE_NAME, "
             "GROUP_CONCAT(k.REFERENCED_COLUMN_NAME ORDER BY k.ORDINAL_POSITION SEPARATOR ','), r.UPDATE_RULE, r.DELETE_RULE "
             "FROM information_schema.REFERENTIAL_CONSTRAINTS r JOIN information_schema.KEY_COLUMN_USAGE k "
             "ON k.CONSTRAINT_SCHEMA = r.CONSTRAINT_SCHEMA AND k.CONSTRAINT_NAME = r.CONSTRAINT_NAME AND k.TABLE_NAME = r.TABLE_NAME "
             "WHERE r.CONSTRAINT_SCHEMA = DATABASE() AND r.TABLE_NAME = %1 GROUP BY r.CONSTRAINT_NAME").arg(literal(e, table))))
        c.foreignKeys.append(foreignKeyText(row[0].split(u','), row[1], row[2].split(u','), row[3], row[4]));
    c.checks = query(e, db, QStringLiteral("SELECT count(*) FROM information_schema.CHECK_CONSTRAINTS WHERE "
                                           "CONSTRAINT_SCHEMA = DATABASE() AND TABLE_NAME = %1").arg(literal(e, table)))
                   .value(0).value(0).toInt();
    return c;
}

Catalogue catalogueOf(Engine engine, const QString &db, const QString &table)
{
    switch (engine) {
    case Engine::SQLite: return sqliteCatalogue(db, table);
    case Engine::PostgreSQL: return postgresCatalogue(db, table);
    case Engine::MariaDB: return mariadbCatalogue(db, table);
    }
    return {};
}

QString descriptionOf(const QList<schema::Property> &properties)
{
    for (const schema::Property &p : properties) {
        if (p.name.compare(QLatin1String("Description"), Qt::CaseInsensitive) == 0)
            return p.value.toString();
    }
    return {};
}

bool written(const schema::Field &field)
{
    return field.type != 0 && !(field.type >= dao::dbAttachment && field.type <= dao::dbComplexText);
}

// Where the catalogue differs from the design of `table`, one line each.
// `warnings` are the script's: a design member they name may be missing.
QStringList differences(Engine engine, const schema::Database &db, const QStringList &chosen,
                        const schema::Table &table, const Catalogue &c, const QString &warnings)
{
    QStringList out;
    const auto differ = [&](const QString &what) { out.append(QStringLiteral("\"%1\": %2").arg(table.name, what)); };
    const auto leftOut = [&](const QString &field, const char *what) {
        return warnings.contains(QStringLiteral("table \"%1\", field \"%2\": %3").arg(table.name, field, QLatin1String(what)));
    };
    QStringList primary;
    for (const schema::Index &index : table.indexes) {
        if (index.primary)
            primary = index.fields;
    }
    QList<const schema::Field *> fields;
    for (const schema::Field &f : table.fields) {
        if (written(f))
            fields.append(&f);
        else if (!warnings.contains(QStringLiteral("\"%1\"").arg(f.name)) && (f.type == 0 || primary.isEmpty()))
            differ(QStringLiteral("field \"%1\" is missing without a warning").arg(f.name));
    }
    if (c.columns.size() != fields.size()) {
        differ(QStringLiteral("%1 columns for %2 fields").arg(c.columns.size()).arg(fields.size()));
        return out;
    }
    int checks = table.validationRule.isEmpty() ? 0 : 1;
    if (checks && warnings.contains(QStringLiteral("table \"%1\": the validation rule").arg(table.name)))
        checks = 0;
    int comments = descriptionOf(table.properties).isEmpty() ? 0 : 1;
    for (qsizetype k = 0; k < fields.size(); ++k) {
        const schema::Field &f = *fields[k];
        const Column &column = c.columns[k];
        if (column.name != f.name)
            differ(QStringLiteral("column %1 is \"%2\", not \"%3\"").arg(k).arg(column.name, f.name));
        const bool autoNumber = (f.attributes & dao::dbAutoIncrField) && f.type == dao::dbLong;
        const bool notNull = f.expression.isEmpty() && (f.required || autoNumber || primary.contains(f.name));
        if (column.notNull != notNull)
            differ(QStringLiteral("\"%1\" is %2NOT NULL").arg(f.name, column.notNull ? "" : "not "));
        if (f.type == dao::dbText && column.length != f.size
            && !(engine == Engine::MariaDB && column.length == 0))   // widened to fit MariaDB's row
            differ(QStringLiteral("\"%1\" holds %2 characters, not %3").arg(f.name).arg(column.length).arg(f.size));
        if (f.type == dao::dbCurrency && engine != Engine::SQLite && (column.precision != 19 || column.scale != 4))
            differ(QStringLiteral("\"%1\" is not exact to 4 places").arg(f.name));
        if (f.type == dao::dbDecimal && f.precision > 0 && (column.precision != f.precision || column.scale != f.scale))
            differ(QStringLiteral("\"%1\" has %2,%3 digits, not %4,%5")
                       .arg(f.name).arg(column.precision).arg(column.scale).arg(f.precision).arg(f.scale));
        if (!f.validationRule.isEmpty() && !leftOut(f.name, "the validation rule"))
            ++checks;
        if (!descriptionOf(f.properties).isEmpty())
            ++comments;
    }
    if (c.primaryKey != primary)
        differ(QStringLiteral("primary key (%1), not (%2)").arg(c.primaryKey.join(u','), primary.join(u',')));
    for (const schema::Index &index : table.indexes) {
        if (index.primary)
            continue;
        const QString wanted = (index.unique ? QStringLiteral("unique ") : QString()) + index.fields.join(u',');
        if (!c.indexes.contains(wanted))
            differ(QStringLiteral("no index %1 (has: %2)").arg(wanted, c.indexes.join(QLatin1String("; "))));
    }
    for (const schema::Relation &relation : db.relations) {
        if (relation.foreignTable.compare(table.name, Qt::CaseInsensitive) != 0 || !chosen.contains(relation.table)
            || (relation.attributes & dao::dbRelationDontEnforce))
            continue;
        QStringList from, to;
        for (const schema::RelationField &f : relation.fields) {
            from.append(f.foreignName);
            to.append(f.name);
        }
        const QString wanted =
            foreignKeyText(from, relation.table, to,
                           relation.attributes & dao::dbRelationUpdateCascade ? "CASCADE" : "NO ACTION",
                           relation.attributes & dao::dbRelationDeleteCascade ? "CASCADE" : "NO ACTION");
        if (!c.foreignKeys.contains(wanted))
            differ(QStringLiteral("no foreign key %1 (has: %2)").arg(wanted, c.foreignKeys.join(QLatin1String("; "))));
    }
    if (c.checks != checks)
        differ(QStringLiteral("%1 CHECKs, not %2").arg(c.checks).arg(checks));
    if (engine != Engine::SQLite && c.comments != comments)
        differ(QStringLiteral("%1 comments, not %2").arg(c.comments).arg(comments));
    return out;
}

class CorpusScripts : public ::testing::TestWithParam<Engine> {};

}  // namespace

// One test an engine, over every file: a file that does not load, or whose
// catalogue differs from its design, is named with each difference.
TEST_P(CorpusScripts, EveryFileLoadsAndKeepsItsDesign)
{
    TABULO_NEED_TESTDATA();
    const Engine engine = GetParam();
    TABULO_NEED_ENGINE(engine);
    const QString dialect = engine == Engine::SQLite       ? QStringLiteral("sqlite")
                            : engine == Engine::PostgreSQL ? QStringLiteral("postgresql")
                                                           : QStringLiteral("mysql");
    for (const CorpusFile &file : kFiles) {
        SCOPED_TRACE(file.name);
        const QString path = testDataPath(QLatin1String(file.name));
        QStringList cliArguments{path, QStringLiteral("--sql"), dialect};
        QStringList readerArguments;
        QByteArray password;
        if (file.password) {
            cliArguments << QStringLiteral("--db-password") << QLatin1String(file.password);
            readerArguments << QStringLiteral("--password-stdin");
            password = QByteArray(file.password);
        }
        const ProgramRun design = runProgram(binary("tabulo-schema-reader"), readerArguments << QStringLiteral("--") << path,
                                      password);
        const std::optional<schema::Database> db = schema::fromJson(design.out);
        ASSERT_TRUE(db) << design.err.toStdString();
        const ProgramRun script = runProgram(binary("tabulo-cli"), cliArguments);
        ASSERT_EQ(script.exitCode, 0) << script.err.toStdString();
        const Loaded loaded = load(engine, script.out);
        ASSERT_EQ(loaded.error, QString()) << loaded.error.toStdString();
        const ProgramRun listed = runProgram(binary("tabulo-cli"), QStringList(cliArguments.mid(0, 1))
                                                                << cliArguments.mid(3) << QStringLiteral("--list-tables"));
        const QStringList chosen = QString::fromUtf8(listed.out).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(chosen.isEmpty());
        QStringList found;
        for (const schema::Table &table : db->tables) {
            if (chosen.contains(table.name))
                found += differences(engine, *db, chosen, table, catalogueOf(engine, loaded.database, table.name), script.err);
        }
        EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, CorpusScripts,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL, Engine::MariaDB),
                         [](const ::testing::TestParamInfo<Engine> &info) {
                             return engineName(info.param).toStdString();
                         });
