// A whole tabulo-cli run on northwind.mdb against `mdb-schema --relations
// --indexes northwind.mdb access`, the mdbtools program that reads the same
// design. The two run in turn, each iteration one of each, so that both see
// the same machine; the counters are the medians of their wall times and the
// ratio of the medians, for a plain run and one with --design-properties.
// BM_CliVersion and BM_SchemaReader split the run into the program's start
// alone and the reader child alone. BM_AceReaderAgainstJet4Twin and
// BM_CliAceAgainstJet4Twin read ace14-types.accdb against jet4-types.mdb,
// which hold the same four tables: an ACE file should read as fast.
#include "bench/BenchFiles.h"
#include "bench/ProgramRuns.h"

#include <benchmark/benchmark.h>

namespace {

const std::string kCli = TABULO_BINARY_DIR "/bin/tabulo-cli";
const std::string kReader = TABULO_BINARY_DIR "/bin/tabulo-schema-reader";

// The corpus's northwind.mdb; "" (and the benchmark skipped) without it.
std::string northwind(benchmark::State &state)
{
    return corpusFile(state, QStringLiteral("northwind.mdb")).toStdString();
}

// A whole run, with the further design properties when `designProperties`.
void compareOnNorthwind(benchmark::State &state, bool designProperties)
{
    const std::string file = northwind(state);
    if (!file.empty())
        compareWithMdbSchema(state, kCli, std::string(), file, designProperties);
}

void BM_CliAgainstMdbSchema(benchmark::State &state)
{
    compareOnNorthwind(state, false);
}
BENCHMARK(BM_CliAgainstMdbSchema)->UseManualTime()->Iterations(31)->Unit(benchmark::kMillisecond);

void BM_CliWithDesignPropertiesAgainstMdbSchema(benchmark::State &state)
{
    compareOnNorthwind(state, true);
}
BENCHMARK(BM_CliWithDesignPropertiesAgainstMdbSchema)->UseManualTime()->Iterations(31)->Unit(benchmark::kMillisecond);

// One program alone: the median wall time of its runs.
void runAlone(benchmark::State &state, const std::vector<std::string> &command)
{
    const std::vector<double> medians =
        mediansOfRunsInTurn(state, {command}, [&](const std::vector<double> &) { return command.front() + " failed"; });
    if (!medians.empty())
        state.counters["median_ms"] = medians[0];
}

void BM_CliVersion(benchmark::State &state)
{
    runAlone(state, {kCli, "--version"});
}
BENCHMARK(BM_CliVersion)->UseManualTime()->Iterations(31)->Unit(benchmark::kMillisecond);

void BM_SchemaReader(benchmark::State &state)
{
    const std::string file = northwind(state);
    if (!file.empty())
        runAlone(state, {kReader, "--", file});
}
BENCHMARK(BM_SchemaReader)->UseManualTime()->Iterations(31)->Unit(benchmark::kMillisecond);

// `command` on ace14-types.accdb and on jet4-types.mdb in turn: the medians
// of each and their ratio.
void compareAceWithJet4Twin(benchmark::State &state, const std::vector<std::string> &command)
{
    const std::string ace = corpusFile(state, QStringLiteral("ace14-types.accdb")).toStdString();
    const std::string jet = corpusFile(state, QStringLiteral("jet4-types.mdb")).toStdString();
    if (ace.empty() || jet.empty())
        return;
    std::vector<std::string> aceRun = command, jetRun = command;
    aceRun.push_back(ace);
    jetRun.push_back(jet);
    const std::vector<double> medians = mediansOfRunsInTurn(state, {aceRun, jetRun}, [&](const std::vector<double> &ms) {
        return command.front() + " failed on " + (ms[0] < 0 ? ace : jet);
    });
    if (medians.empty())
        return;
    const double aceMedian = medians[0], jetMedian = medians[1];
    state.counters["ace_ms"] = aceMedian;
    state.counters["jet4_ms"] = jetMedian;
    state.counters["ratio"] = jetMedian > 0 ? aceMedian / jetMedian : 0;
}

void BM_AceReaderAgainstJet4Twin(benchmark::State &state)
{
    compareAceWithJet4Twin(state, {kReader, "--"});
}
BENCHMARK(BM_AceReaderAgainstJet4Twin)->UseManualTime()->Iterations(31)->Unit(benchmark::kMillisecond);

// Needs a tabulo-cli that reads as the ACE build does.
void BM_CliAceAgainstJet4Twin(benchmark::State &state)
{
    compareAceWithJet4Twin(state, {kCli});
}
BENCHMARK(BM_CliAceAgainstJet4Twin)->UseManualTime()->Iterations(31)->Unit(benchmark::kMillisecond);

}  // namespace
