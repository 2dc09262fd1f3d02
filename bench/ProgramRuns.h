#pragma once
// Timing whole program runs for the benchmarks that compare our programs
// with mdbtools' (startup_bench, scale_bench), and their peak memory
// (snapshot_memory_bench).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

// One run of a program: its wall time and its peak resident size.
struct ProgramRun {
    double ms = -1;
    double peakBytes = -1;
};

// Runs the command (searched on PATH) with its output on the null device;
// negative figures when it could not be started or did not exit with status 0.
inline ProgramRun runProgram(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            double(usage.ru_maxrss) * 1024};
}

// The wall time of a run in milliseconds; negative as runProgram() says.
inline double runMs(const std::vector<std::string> &command)
{
    return runProgram(command).ms;
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}


// Runs the commands in turn, each iteration one of each, so that all see the
// same machine; an iteration's time is that of the first command. Answers the
// median wall time of each command. When a run fails, the benchmark is
// skipped with `failure(ms)`, ms being that iteration's times (negative for a
// run that failed), and the answer is empty.
inline std::vector<double> mediansOfRunsInTurn(benchmark::State &state,
                                               const std::vector<std::vector<std::string>> &commands,
                                               const std::function<std::string(const std::vector<double> &)> &failure)
{
    std::vector<std::vector<double>> times(commands.size());
    for (auto _ : state) {
        std::vector<double> ms;
        for (const std::vector<std::string> &command : commands)
            ms.push_back(runMs(command));
        if (std::any_of(ms.begin(), ms.end(), [](double t) { return t < 0; })) {
            state.SkipWithError(failure(ms).c_str());
            return {};
        }
        for (size_t i = 0; i < ms.size(); ++i)
            times[i].push_back(ms[i]);
        state.SetIterationTime(ms.front() / 1000);
    }
    std::vector<double> medians;
    for (const std::vector<double> &commandTimes : times)
        medians.push_back(median(commandTimes));
    return medians;
}

// tabulo-cli (`cli`) on `file` against `mdb-schema --relations --indexes
// FILE access`, the mdbtools program that reads the same design, with the
// further design properties when `designProperties`. The programs run in
// turn, each iteration one of each; with a `reader` the reader program alone
// on the file runs too. The counters are the medians of the wall times and
// the ratio of the medians.
inline void compareWithMdbSchema(benchmark::State &state, const std::string &cli, const std::string &reader,
                                 const std::string &file, bool designProperties)
{
    const std::vector<std::string> mdbSchema = {"mdb-schema", "--relations", "--indexes", file, "access"};
    std::vector<std::string> run = {cli, file};
    std::vector<std::string> readerRun = {reader, "--no-design-properties", "--", file};
    if (designProperties) {
        run.push_back("--design-properties");
        readerRun.erase(readerRun.begin() + 1);
    }
    std::vector<std::vector<std::string>> commands = {run, mdbSchema};
    if (!reader.empty())
        commands.push_back(readerRun);
    const std::vector<double> medians = mediansOfRunsInTurn(state, commands, [&](const std::vector<double> &ms) {
        return ms[1] < 0 ? std::string("mdb-schema (package mdbtools) failed or is not installed")
                         : "tabulo-cli or its reader failed on " + file;
    });
    if (medians.empty())
        return;
    const double cliMedian = medians[0], schemaMedian = medians[1];
    state.counters["cli_ms"] = cliMedian;
    state.counters["mdb_schema_ms"] = schemaMedian;
    if (!reader.empty())
        state.counters["reader_ms"] = medians[2];
    state.counters["ratio"] = schemaMedian > 0 ? cliMedian / schemaMedian : 0;
}
