#pragma once
// Building small schema models and writing their module, for the module
// writer's tests.

#include "BasicEvaluator.h"
#include "FaultyEngine.h"
#include "QtPrinting.h"
#include "SchemaBuilders.h"
#include "utility/BasicError.h"
#include "wizard/engine/ModelDatabase.h"
#include "wizard/generator/ModuleWriter.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace writertest {

using namespace schemabuild;
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

// The module for `model`, the tables of `chosen` (all tables when empty) in
// that order, read through an engine whose members fail as `faults` plans.
inline QString generate(const GeneratorSettings &style, const schema::Database &model, QStringList chosen = {},
                        bool replica = false,
                        std::shared_ptr<testsupport::FaultPlan> faults = std::make_shared<testsupport::FaultPlan>())
{
    if (chosen.isEmpty()) {
        for (const schema::Table &t : model.tables)
            chosen.append(t.name);
    }
    const std::shared_ptr<dao::Database> database = testsupport::fakeDatabase(model, std::move(faults));
    const schema::Database design = dao::designOf(*database, {style.includeDesignProperties, style.includeRelations});
    tabulo::ModuleSource source{{}, chosen, design.relations, replica, model.queries};
    for (const QString &name : chosen) {
        for (const schema::Table &t : design.tables) {
            if (t.name == name)
                source.tables.append(&t);
        }
    }
    ModuleWriter writer(style);
    writer.begin();
    return writer.write(source);
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
