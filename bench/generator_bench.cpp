// WriteTableCreationCode on large in-memory schemas (tables x 50 fields x 3
// indexes, one relationship per table), with and without a code file; on
// northwind.mdb with and without the design properties; and tabulo-cli
// against mdb-schema on northwind.mdb. Reports the module size
// and the peak memory of the runs. The peak also depends on what earlier
// benchmarks left in the heap: for clean figures run one benchmark and size
// per process (--benchmark_filter='BM_WriteTableCreationCode/1000/').

#include "bench/BenchFiles.h"
#include "bench/LargeSchema.h"
#include "tests/support/FakeUi.h"
#include "wizard/engine/ModelDatabase.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// Resident memory of this process, from /proc/self/status: "VmRSS" now or
// "VmHWM" (the peak since the last resetPeakMemory()), in bytes.
double memoryFigure(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toDouble() * 1024;
    }
    return 0;
}

// Hands freed heap back to the system and starts a new peak from the
// present resident size, so that a run's peak is its own.
double resetPeakMemory()
{
    ::malloc_trim(0);
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
    return memoryFigure("VmRSS:");
}

// A run on `tableCount` tables, read from the DAO objects the Jet file
// engine serves, nothing in between; with `codeFile` the module is
// also written to a code file with the VB_Name header. Counters, in MB:
// schema (what the served schema adds), module (the text as the generator
// holds it, two bytes a character), file (the code file) and peak (the
// highest resident memory during the runs, above what was there before).
void runGenerator(benchmark::State &state, bool codeFile)
{
    const int tableCount = int(state.range(0));
    const double before = resetPeakMemory();

    QTemporaryDir dir;
    schema::Database model = largeSchema(tableCount);
    model.name = dir.filePath(QStringLiteral("large.mdb"));
    auto database = std::make_shared<dao::ModelDatabase>(
        std::move(model), std::make_shared<dao::ErrorList>());

    FakeList chosen;
    for (int t = 0; t < tableCount; ++t)
        chosen.items.append(QStringLiteral("Table %1").arg(t));
    const QString codeFilePath = dir.filePath(QStringLiteral("Create Large.bas"));
    {
        tabulo::clsWriteNewDatabase gen;
        gen.setSourceTablesChosenList(&chosen);
        gen.setDBSource(database);
        gen.setPathNameDBNew(QStringLiteral("Variable"));
        if (codeFile) {
            gen.setPathNameCodeFile(codeFilePath);
            gen.setWriteVB5Header(true);
        }
        const double opened = resetPeakMemory();
        for (auto _ : state) {
            gen.WriteTableCreationCode();
            benchmark::DoNotOptimize(gen.ModuleText().size());
        }
        state.counters["peak_MB"] = (memoryFigure("VmHWM:") - opened) / 1e6;
        state.counters["schema_MB"] = (opened - before) / 1e6;
        state.counters["module_MB"] = double(gen.ModuleText().size()) * 2 / 1e6;
        if (codeFile)
            state.counters["file_MB"] = double(QFileInfo(codeFilePath).size()) / 1e6;
        state.counters["tables/s"] = benchmark::Counter(double(tableCount) * double(state.iterations()),
                                                        benchmark::Counter::kIsRate);
        gen.CloseSourceDBandMDW();
    }
}

void BM_WriteTableCreationCode(benchmark::State &state)
{
    runGenerator(state, false);
}
BENCHMARK(BM_WriteTableCreationCode)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_WriteTableCreationCodeToFile(benchmark::State &state)
{
    runGenerator(state, true);
}
BENCHMARK(BM_WriteTableCreationCodeToFile)->Arg(100)->Arg(1000)->Arg(10000)
    ->Unit(benchmark::kMillisecond)->Iterations(3);

// WriteTableCreationCode on northwind.mdb, opened once through the Jet file
// engine, every table chosen; Arg 1 writes the design properties too.
void BM_WriteNorthwindModule(benchmark::State &state)
{
    const QString northwind = corpusFile(state, QStringLiteral("northwind.mdb"));
    if (northwind.isEmpty())
        return;
    tabulo::clsWriteNewDatabase gen;
    FakeList available;
    FakeList chosen;
    gen.setPathNameDBSource(northwind);
    gen.setSourceTablesAvailableList(&available);
    gen.FillSourceTablesAvailableList();
    chosen.items = available.items;
    gen.setSourceTablesChosenList(&chosen);
    gen.setPathNameDBNew(QStringLiteral("Variable"));
    gen.setIncludeDesignProperties(state.range(0) != 0);
    for (auto _ : state) {
        gen.WriteTableCreationCode();
        benchmark::DoNotOptimize(gen.ModuleText().size());
    }
    state.counters["module_kB"] = double(gen.ModuleText().size()) * 2 / 1e3;
    gen.CloseSourceDBandMDW();
    gen.setSourceTablesAvailableList(nullptr);
    gen.setSourceTablesChosenList(nullptr);
}
BENCHMARK(BM_WriteNorthwindModule)->ArgName("design")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

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

void BM_TabuloCliNorthwindDesignProperties(benchmark::State &state)
{
    const QString northwind = corpusFile(state, QStringLiteral("northwind.mdb"));
    if (!northwind.isEmpty())
        runToCompletion(state, binaryFolder() + QStringLiteral("/tabulo-cli"),
                        {northwind, QStringLiteral("--design-properties")});
}
BENCHMARK(BM_TabuloCliNorthwindDesignProperties)->Unit(benchmark::kMillisecond)->Iterations(10);

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
