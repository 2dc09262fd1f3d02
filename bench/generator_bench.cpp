// WriteTableCreationCode on large in-memory schemas (tables x 50 fields x 3
// indexes, one relationship per table), and tabulo-cli against mdb-schema
// on northwind.mdb. Reports the module size and the memory the run holds.

#include "bench/BenchFiles.h"
#include "tests/support/FakeUi.h"
#include "wizard/engine/MemoryEngine.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

constexpr int kFieldsPerTable = 50;
constexpr int kIndexesPerTable = 3;

schema::Database largeSchema(int tableCount)
{
    schema::Database db;
    db.version = QStringLiteral("4.0");
    db.tables.reserve(tableCount);
    for (int t = 0; t < tableCount; ++t) {
        schema::Table table;
        table.name = QStringLiteral("Table %1").arg(t);
        for (int f = 0; f < kFieldsPerTable; ++f) {
            schema::Field field;
            field.name = QStringLiteral("Field%1").arg(f);
            field.type = f == 0 ? 4 : (f % 3 == 0 ? 8 : 10);
            field.size = field.type == 10 ? 50 : 4;
            field.attributes = f == 0 ? 17 : 2;
            field.required = f % 5 == 0;
            if (f % 7 == 0)
                field.defaultValue = QStringLiteral("\"n/a\"");
            if (f % 11 == 0) {
                field.validationRule = QStringLiteral("Is Not Null");
                field.validationText = QStringLiteral("Field %1 needs a value").arg(f);
            }
            table.fields.append(field);
        }
        for (int i = 0; i < kIndexesPerTable; ++i) {
            schema::Index index;
            index.name = i == 0 ? QStringLiteral("PrimaryKey") : QStringLiteral("Index%1").arg(i);
            index.primary = i == 0;
            index.unique = i < 2;
            index.fields = {QStringLiteral("Field%1").arg(i), QStringLiteral("Field%1").arg(i + 3)};
            table.indexes.append(index);
        }
        db.tables.append(table);
    }
    for (int r = 0; r < tableCount; ++r) {
        schema::Relation relation;
        relation.name = QStringLiteral("Relation%1").arg(r);
        relation.table = QStringLiteral("Table %1").arg(r);
        relation.foreignTable = QStringLiteral("Table %1").arg((r + 1) % tableCount);
        relation.attributes = 256;
        relation.fields = {{QStringLiteral("Field0"), QStringLiteral("Field1")}};
        db.relations.append(relation);
    }
    return db;
}

// The resident memory of this process in bytes.
double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) : 0;
}

void BM_WriteTableCreationCode(benchmark::State &state)
{
    const int tableCount = int(state.range(0));
    const double before = residentBytes();

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("large.mdb"));
    QFile(source).open(QIODevice::WriteOnly);
    auto engine = std::make_shared<dao::MemoryEngine>();
    engine->addDatabase(source, largeSchema(tableCount));
    dao::installDBEngine(engine);

    FakeList chosen;
    for (int t = 0; t < tableCount; ++t)
        chosen.items.append(QStringLiteral("Table %1").arg(t));
    {
        tabulo::clsWriteNewDatabase gen;
        gen.setSourceTablesChosenList(&chosen);
        gen.setPathNameDBSource(source);
        gen.setPathNameDBNew(QStringLiteral("Variable"));
        gen.DBSource()->TableDefs().Refresh();
        const double opened = residentBytes();
        for (auto _ : state) {
            gen.WriteTableCreationCode();
            benchmark::DoNotOptimize(gen.ModuleText().size());
            // The in-memory engine logs every member called; that log is
            // the test engine's, not the generator's.
            engine->faults().clearCalls();
        }
        state.counters["module_MB"] = double(gen.ModuleText().size()) * 2 / 1e6;
        // The source schema as the engine serves it, and what the runs add.
        state.counters["source_MB"] = (opened - before) / 1e6;
        state.counters["run_MB"] = (residentBytes() - opened) / 1e6;
        state.counters["tables/s"] = benchmark::Counter(double(tableCount) * double(state.iterations()),
                                                        benchmark::Counter::kIsRate);
        gen.CloseSourceDBandMDW();
    }
    dao::installDBEngine(nullptr);
}
BENCHMARK(BM_WriteTableCreationCode)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The folder this benchmark runs from: tabulo-cli is built beside it.
QString binaryFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

void runToCompletion(benchmark::State &state, const QString &program, const QStringList &arguments)
{
    for (auto _ : state) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            state.SkipWithError("the program failed");
            return;
        }
    }
}

void BM_TabuloCliNorthwind(benchmark::State &state)
{
    const QString northwind = corpusFile(state, QStringLiteral("northwind.mdb"));
    if (!northwind.isEmpty())
        runToCompletion(state, binaryFolder() + QStringLiteral("/tabulo-cli"), {northwind});
}
BENCHMARK(BM_TabuloCliNorthwind)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_MdbSchemaNorthwind(benchmark::State &state)
{
    const QString mdbSchema = QStandardPaths::findExecutable(QStringLiteral("mdb-schema"));
    if (mdbSchema.isEmpty()) {
        state.SkipWithError("mdb-schema is not installed");
        return;
    }
    const QString northwind = corpusFile(state, QStringLiteral("northwind.mdb"));
    if (!northwind.isEmpty())
        runToCompletion(state, mdbSchema,
                        {QStringLiteral("--relations"), QStringLiteral("--indexes"), northwind,
                         QStringLiteral("access")});
}
BENCHMARK(BM_MdbSchemaNorthwind)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
