// tabulo-cli on a file of 1,000 tables (scale/tables-1000.mdb of the
// corpus) against `mdb-schema --relations --indexes FILE access`, the
// mdbtools program that reads the same design. The programs run in turn,
// each iteration one of each, so that both see the same machine; the
// counters are the medians of the wall times, the ratio of the medians, and
// the reader's share (tabulo-schema-reader alone on the file), for a plain
// run and one with --design-properties.
#include "bench/BenchFiles.h"
#include "bench/ProgramRuns.h"

#include <benchmark/benchmark.h>

namespace {

const std::string kCli = TABULO_BINARY_DIR "/bin/tabulo-cli";
const std::string kReader = TABULO_BINARY_DIR "/bin/tabulo-schema-reader";

void compareAtScale(benchmark::State &state, bool designProperties)
{
    const std::string file = corpusFile(state, QStringLiteral("scale/tables-1000.mdb")).toStdString();
    if (file.empty())
        return;
    const std::vector<std::string> mdbSchema = {"mdb-schema", "--relations", "--indexes", file, "access"};
    std::vector<std::string> cli = {kCli, file};
    std::vector<std::string> reader = {kReader, "--no-design-properties", "--", file};
    if (designProperties) {
        cli.push_back("--design-properties");
        reader.erase(reader.begin() + 1);
    }
    std::vector<double> ours, theirs, readers;
    for (auto _ : state) {
        const double cliMs = runMs(cli);
        const double schemaMs = runMs(mdbSchema);
        const double readerMs = runMs(reader);
        if (cliMs < 0 || schemaMs < 0 || readerMs < 0) {
            state.SkipWithError(schemaMs < 0 ? "mdb-schema (package mdbtools) failed or is not installed"
                                             : "tabulo-cli or its reader failed on scale/tables-1000.mdb");
            return;
        }
        ours.push_back(cliMs);
        theirs.push_back(schemaMs);
        readers.push_back(readerMs);
        state.SetIterationTime(cliMs / 1000);
    }
    const double cliMedian = median(ours), schemaMedian = median(theirs);
    state.counters["cli_ms"] = cliMedian;
    state.counters["mdb_schema_ms"] = schemaMedian;
    state.counters["reader_ms"] = median(readers);
    state.counters["ratio"] = schemaMedian > 0 ? cliMedian / schemaMedian : 0;
}

void BM_ThousandTablesAgainstMdbSchema(benchmark::State &state)
{
    compareAtScale(state, false);
}
BENCHMARK(BM_ThousandTablesAgainstMdbSchema)->UseManualTime()->Iterations(11)->Unit(benchmark::kMillisecond);

void BM_ThousandTablesWithDesignPropertiesAgainstMdbSchema(benchmark::State &state)
{
    compareAtScale(state, true);
}
BENCHMARK(BM_ThousandTablesWithDesignPropertiesAgainstMdbSchema)
    ->UseManualTime()
    ->Iterations(11)
    ->Unit(benchmark::kMillisecond);

}  // namespace
