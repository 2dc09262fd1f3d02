// tabulo-cli's peak memory on a JSON snapshot of many small tables (each
// with one field), listed (--list-tables) and written to a code file (-o).
// The counters are the peak resident size in MB and its ratio to the size
// of the snapshot file: the design, the objects served from it and the
// table lists should stay within about ten times the file; a full run also
// holds the module, whose text is about ten times the file for such tables.
#include "bench/ProgramRuns.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace {

const std::string kCli = TABULO_BINARY_DIR "/bin/tabulo-cli";

// A snapshot of `tables` tables named Table0000000 and up, one Long field each.
QByteArray snapshot(int tables)
{
    QByteArray json = R"({"format":"tabulo-schema","formatVersion":3,"version":"4.0","tables":[)";
    for (int i = 0; i < tables; ++i) {
        if (i > 0)
            json += ',';
        json += R"({"name":"Table)" + QByteArray::number(i).rightJustified(7, '0')
                + R"(","fields":[{"name":"ID","type":4}]})";
    }
    return json + "]}";
}

void peakMemory(benchmark::State &state, bool writeModule)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tables.json"));
    QFile file(path);
    const QByteArray json = snapshot(int(state.range(0)));
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size()) {
        state.SkipWithError("cannot write the snapshot");
        return;
    }
    file.close();
    std::vector<std::string> run = {kCli, path.toStdString()};
    if (writeModule)
        run.insert(run.end(), {"-o", dir.filePath(QStringLiteral("tables.bas")).toStdString()});
    else
        run.push_back("--list-tables");
    double peak = 0;
    for (auto _ : state) {
        peak = peakBytes(run);
        if (peak < 0) {
            state.SkipWithError("tabulo-cli failed on the snapshot");
            return;
        }
    }
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["times_file"] = peak / double(json.size());
}

void BM_ListTablesOfASnapshot(benchmark::State &state)
{
    peakMemory(state, false);
}
BENCHMARK(BM_ListTablesOfASnapshot)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_WriteModuleOfASnapshot(benchmark::State &state)
{
    peakMemory(state, true);
}
BENCHMARK(BM_WriteModuleOfASnapshot)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
