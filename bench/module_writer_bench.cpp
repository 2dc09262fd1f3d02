// Time and memory of writing the module text, and the SQL script of each
// dialect, for schemas of 100, 1,000 and 10,000 tables, each with 50 fields
// and 3 indexes, and as many relationships as tables. The schema is served
// from memory, so the figures are the writers' own.

#include "bench/LargeSchema.h"
#include "wizard/generator/ModuleWriter.h"
#include "wizard/generator/sql/SqlScript.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// Bytes of heap in use now.
double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

void BM_ModuleText(benchmark::State &state)
{
    const int tableCount = int(state.range(0));
    const schema::Database model = largeSchema(tableCount);
    tabulo::ModuleSource source{{}, {}, model.relations, false, {}};
    for (const schema::Table &t : model.tables) {
        source.tables.append(&t);
        source.chosenNames.append(t.name);
    }

    const double schemaBytes = heapInUse();
    double writerBytes = 0;

    tabulo::GeneratorSettings style;
    style.pathNameDBNew = QStringLiteral("Variable");
    qsizetype length = 0;
    for (auto _ : state) {
        tabulo::ModuleWriter writer(style);
        writer.begin();
        const QString module = writer.write(source);
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

void BM_SqlScript(benchmark::State &state)
{
    const int tableCount = int(state.range(0));
    const auto dialect = tabulo::sql::Dialect(state.range(1));
    const schema::Database model = largeSchema(tableCount);
    QStringList chosen;
    for (const schema::Table &t : model.tables)
        chosen.append(t.name);
    const double schemaBytes = heapInUse();
    double writerBytes = 0;
    qsizetype length = 0;
    for (auto _ : state) {
        const tabulo::sql::Script script = tabulo::sql::writeScript(model, chosen, {dialect});
        length = script.text.size();
        writerBytes = heapInUse() - schemaBytes;
        benchmark::DoNotOptimize(script.text.constData());
    }
    state.SetLabel(tabulo::sql::dialectName(dialect).toStdString());
    state.SetItemsProcessed(state.iterations() * tableCount);
    state.counters["chars/table"] = double(length) / tableCount;
    state.counters["writer_MiB"] = writerBytes / (1024 * 1024);
}

}  // namespace

BENCHMARK(BM_ModuleText)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqlScript)
    ->ArgsProduct({{100, 1000, 10000}, {int(tabulo::sql::Dialect::SQLite), int(tabulo::sql::Dialect::PostgreSQL),
                                        int(tabulo::sql::Dialect::MySQL)}})
    ->Unit(benchmark::kMillisecond);
