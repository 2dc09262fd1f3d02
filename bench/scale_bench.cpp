// tabulo-cli on a file of 1,000 tables (scale/tables-1000.mdb of the
// corpus) against `mdb-schema --relations --indexes FILE access`, the
// mdbtools program that reads the same design. The programs run in turn,
// each iteration one of each, so that both see the same machine; the
// counters are the medians of the wall times, the ratio of the medians, and
// the reader's share (tabulo-schema-reader alone on the file), for a plain
// run and one with --design-properties, and the peak memory of each.
//
// No real file of 10,000 tables is at hand, so the growth from 1,000 to
// 10,000 tables is measured on JSON snapshots of the same shape (the large
// schema of the other benchmarks), written with the test support.
#include "bench/BenchFiles.h"
#include "bench/LargeSchema.h"
#include "bench/ProgramRuns.h"
#include "tests/support/SnapshotJson.h"

#include <QTemporaryDir>
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

// tabulo-cli on snapshots of 1,000 and of 10,000 tables, in turn. The
// counters are the medians of each, their ratio (linear cost: about 10) and
// the peak memory of each run.
void BM_TenThousandTablesAgainstOneThousand(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("tables-1000.json"));
    const QString large = dir.filePath(QStringLiteral("tables-10000.json"));
    if (!dir.isValid() || !testsupport::writeSnapshot(small, largeSchema(1000))
        || !testsupport::writeSnapshot(large, largeSchema(10000))) {
        state.SkipWithError("cannot write the snapshots");
        return;
    }
    std::vector<double> peaks;
    const std::vector<double> medians = mediansOfRunsInTurn(
        state, {{kCli, large.toStdString()}, {kCli, small.toStdString()}},
        [](const std::vector<double> &ms) {
            return std::string("tabulo-cli failed on the snapshot of ") + (ms[0] < 0 ? "10,000" : "1,000")
                   + " tables";
        },
        &peaks);
    if (medians.empty())
        return;
    state.counters["ms_10000"] = medians[0];
    state.counters["ms_1000"] = medians[1];
    state.counters["growth"] = medians[1] > 0 ? medians[0] / medians[1] : 0;
    state.counters["peak_MB_10000"] = peaks[0] / 1e6;
    state.counters["peak_MB_1000"] = peaks[1] / 1e6;
    state.counters["peak_growth"] = peaks[1] > 0 ? peaks[0] / peaks[1] : 0;
}
BENCHMARK(BM_TenThousandTablesAgainstOneThousand)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
