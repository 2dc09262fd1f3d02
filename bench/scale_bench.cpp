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
    if (!file.empty())
        compareWithMdbSchema(state, kCli, kReader, file, designProperties);
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
