// Time and memory of writing the module text for schemas of 100, 1,000 and
// 10,000 tables, each with 50 fields and 3 indexes, and as many
// relationships as tables. The schema is served from memory, so the figures
// are the writer's own.

#include "wizard/engine/ModelDatabase.h"
#include "wizard/generator/ModuleWriter.h"

#include <benchmark/benchmark.h>

#include <QSet>
#include <malloc.h>

namespace {

schema::Database makeSchema(int tableCount)
{
    schema::Database db;
    db.tables.reserve(tableCount);
    for (int t = 0; t < tableCount; ++t) {
        schema::Table table;
        table.name = QStringLiteral("Table %1").arg(t);
        for (int f = 0; f < 50; ++f) {
            schema::Field field;
            field.name = QStringLiteral("Field%1").arg(f);
            field.type = f % 5 == 0 ? 10 : 4;
            field.size = field.type == 10 ? 50 : 4;
            field.attributes = f == 0 ? 17 : 2;
            field.required = f % 2 == 0;
            if (f % 7 == 0)
                field.defaultValue = QStringLiteral("\"n/a\"");
            if (f % 11 == 0)
                field.validationRule = QStringLiteral("In (\"A\",\"B\")");
            table.fields.append(field);
        }
        for (int i = 0; i < 3; ++i) {
            schema::Index index;
            index.name = i == 0 ? QStringLiteral("PrimaryKey") : QStringLiteral("Index%1").arg(i);
            index.primary = i == 0;
            index.unique = i == 0;
            index.foreign = i == 2;
            index.fields = {QStringLiteral("Field%1").arg(i), QStringLiteral("Field%1").arg(i + 3)};
            table.indexes.append(index);
        }
        db.tables.append(table);
    }
    for (int t = 0; t < tableCount; ++t) {
        schema::Relation relation;
        relation.name = QStringLiteral("Relation%1").arg(t);
        relation.table = db.tables[t].name;
        relation.foreignTable = db.tables[(t + 1) % tableCount].name;
        relation.attributes = 256 | 4096;
        relation.fields = {{QStringLiteral("Field0"), QStringLiteral("Field2")}};
        db.relations.append(relation);
    }
    return db;
}

// Bytes of heap in use now.
double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

void BM_ModuleText(benchmark::State &state)
{
    const int tableCount = int(state.range(0));
    const schema::Database model = makeSchema(tableCount);
    dao::ModelDatabase source(model, std::make_shared<dao::ErrorList>());
    const dao::TableDefs &tables = source.TableDefs();
    QSet<QString> chosen;
    for (const schema::Table &t : model.tables)
        chosen.insert(t.name);
    const auto isChosen = [&](const QString &name) { return chosen.contains(name); };

    const double schemaBytes = heapInUse();
    double writerBytes = 0;

    tabulo::GeneratorSettings style;
    style.pathNameDBNew = QStringLiteral("Variable");
    qsizetype length = 0;
    for (auto _ : state) {
        tabulo::ModuleWriter writer(style);
        writer.begin();
        for (int k = 0; k < tables.Count(); ++k)
            writer.addTable(*tables.Item(k));
        writer.addRelations(source.Relations(), isChosen, false);
        const QString module = writer.finish();
        length = module.size();
        // The writer's buffers and the module, all alive at this point.
        writerBytes = heapInUse() - schemaBytes;
        benchmark::DoNotOptimize(module.constData());
    }
    state.SetItemsProcessed(state.iterations() * tableCount);
    state.SetBytesProcessed(state.iterations() * length * qsizetype(sizeof(QChar)));
    state.counters["chars/table"] = double(length) / tableCount;
    state.counters["writer_MiB"] = writerBytes / (1024 * 1024);
}

}  // namespace

BENCHMARK(BM_ModuleText)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
