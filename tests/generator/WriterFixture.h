#pragma once
// Building small schema models and writing their module, for the module
// writer's tests.

#include "BasicEvaluator.h"
#include "FakeSchema.h"
#include "QtPrinting.h"
#include "wizard/generator/ModuleWriter.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace writertest {

using tabulo::GeneratorSettings;
using tabulo::ModuleWriter;

// Test texts are written with LF line ends; the module has CR LF.
inline QString crlf(const char *text)
{
    QString s = QString::fromUtf8(text);
    EXPECT_FALSE(s.contains(u'\r'));
    return s.replace(u'\n', QLatin1StringView("\r\n"));
}

inline GeneratorSettings wizardStyle()
{
    GeneratorSettings style;
    style.varNameNewTable = QStringLiteral("tdfNew");
    style.pathNameDBNew = QStringLiteral("Variable");
    return style;
}

inline schema::Field field(const QString &name, int type, qint32 size, qint32 attributes = 0)
{
    schema::Field f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.attributes = attributes;
    return f;
}

inline schema::Index index(const QString &name, QList<QString> fields, bool primary = false,
                    bool foreign = false)
{
    schema::Index i;
    i.name = name;
    i.fields = std::move(fields);
    i.primary = primary;
    i.unique = primary;
    i.required = primary;
    i.foreign = foreign;
    return i;
}

inline schema::Table table(const QString &name, QList<schema::Field> fields,
                    QList<schema::Index> indexes = {})
{
    schema::Table t;
    t.name = name;
    t.fields = std::move(fields);
    t.indexes = std::move(indexes);
    return t;
}

inline schema::Relation relation(const QString &name, const QString &primary, const QString &foreign,
                          qint32 attributes, QList<schema::RelationField> fields)
{
    schema::Relation r;
    r.name = name;
    r.table = primary;
    r.foreignTable = foreign;
    r.attributes = attributes;
    r.fields = std::move(fields);
    return r;
}

// The module for `model`, the tables of `chosen` (all tables when empty) in
// that order.
inline QString generate(const GeneratorSettings &style, const schema::Database &model, QStringList chosen = {},
                 bool replica = false, std::shared_ptr<fake::Faults> faults = std::make_shared<fake::Faults>())
{
    if (chosen.isEmpty()) {
        for (const schema::Table &t : model.tables)
            chosen.append(t.name);
    }
    fake::Schema source(model, faults);
    ModuleWriter writer(style);
    writer.begin();
    for (const QString &name : chosen) {
        for (const auto &t : source.tables) {
            if (t->Name() == name)
                writer.addTable(*t);
        }
    }
    if (style.includeRelations) {
        writer.addRelations(source.relations,
                            [&](const QString &name) { return chosen.contains(name); }, replica);
    }
    return writer.finish();
}

inline schema::Database customers()
{
    schema::Field id = field(QStringLiteral("CustomerID"), 4, 4, 17);
    schema::Field company = field(QStringLiteral("CompanyName"), 10, 50, 2);
    company.defaultValue = QStringLiteral("\"n/a\"");
    company.required = true;
    schema::Database db;
    db.tables = {table(QStringLiteral("Customers"), {id, company},
                       {index(QStringLiteral("PrimaryKey"), {QStringLiteral("CustomerID")}, true)})};
    return db;
}

// The lines of `module` between the line that is `first` and the next line
// that is `last`, both included.
inline QString section(const QString &module, const QString &first, const QString &last)
{
    const QStringList lines = module.split(QLatin1StringView("\r\n"));
    const qsizetype from = lines.indexOf(first);
    EXPECT_GE(from, 0) << first.toStdString();
    qsizetype to = from;
    while (to < lines.size() && lines[to] != last)
        ++to;
    return lines.mid(from, to - from + 1).join(QLatin1StringView("\r\n")) + QLatin1StringView("\r\n");
}

inline QString wrapperOf(const QString &module)
{
    return section(module, module.section(QLatin1StringView("\r\n"), 0, 0), QStringLiteral("End Sub"));
}

// The string argument of the statement that starts with `head`, up to the
// last `tail` (all of the rest when there is none).
inline QString argumentOf(const QStringList &lines, const QString &head, const QString &tail)
{
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (text.startsWith(head)) {
            const qsizetype end = text.lastIndexOf(tail);
            return evaluateBasicString(text.mid(head.size(), end - head.size()));
        }
    }
    ADD_FAILURE() << "no statement " << head.toStdString();
    return {};
}

}  // namespace writertest
