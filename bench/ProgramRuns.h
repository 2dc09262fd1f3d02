#pragma once
// Timing whole program runs for the benchmarks that compare our programs
// with mdbtools' (startup_bench, scale_bench), and measuring their peak
// memory (those two and snapshot_memory_bench).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

// Runs the command (searched on PATH) with its output on the null device and
// answers its wall time in milliseconds; negative when it could not be
// started or did not exit with status 0.
inline double runMs(const std::vector<std::string> &command)
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
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The peak resident size in bytes of one run of the command, measured by
// peak_runner (bench/peak_runner.cpp says why not here); negative when the
// command failed. A program's peak is that of its largest process: the
// kernel reports the larger of its own and those of the children it forked
// and waited for (tabulo-cli's reader), not their sum.
inline double peakBytes(const std::vector<std::string> &command)
{
    std::vector<std::string> words = {TABULO_BINARY_DIR "/bin/peak_runner"};
    words.insert(words.end(), command.begin(), command.end());
    std::vector<char *> argv;
    for (const std::string &word : words)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string answer;
    char buffer[64];
    for (ssize_t got; spawned == 0 && (got = read(out[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, size_t(got));
    close(out[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    int exitCode = -1;
    long long bytes = 0;
    if (std::sscanf(answer.c_str(), "%d %lld", &exitCode, &bytes) != 2 || exitCode != 0)
        return -1;
    return double(bytes);
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
// median wall time of each command, and with `peaks` the peak resident size
// of each, from one further run of each through peakBytes(). When a run
// fails, the benchmark is skipped with `failure(ms)`, ms being that
// iteration's times (negative for a run that failed), and the answer is empty.
inline std::vector<double> mediansOfRunsInTurn(benchmark::State &state,
                                               const std::vector<std::vector<std::string>> &commands,
                                               const std::function<std::string(const std::vector<double> &)> &failure,
                                               std::vector<double> *peaks = nullptr)
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
    if (peaks) {
        peaks->clear();
        for (const std::vector<std::string> &command : commands)
            peaks->push_back(peakBytes(command));
        if (std::any_of(peaks->begin(), peaks->end(), [](double bytes) { return bytes < 0; })) {
            state.SkipWithError(failure(*peaks).c_str());
            return {};
        }
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
// the ratio of the medians, and the same for the peak resident sizes in MB
// (as peakBytes() measures them).
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
    std::vector<double> peaks;
    const std::vector<double> medians = mediansOfRunsInTurn(
        state, commands,
        [&](const std::vector<double> &ms) {
            return ms[1] < 0 ? std::string("mdb-schema (package mdbtools) failed or is not installed")
                             : "tabulo-cli or its reader failed on " + file;
        },
        &peaks);
    if (medians.empty())
        return;
    const double cliMedian = medians[0], schemaMedian = medians[1];
    state.counters["cli_ms"] = cliMedian;
    state.counters["mdb_schema_ms"] = schemaMedian;
    if (!reader.empty())
        state.counters["reader_ms"] = medians[2];
    state.counters["ratio"] = schemaMedian > 0 ? cliMedian / schemaMedian : 0;
    state.counters["cli_peak_MB"] = peaks[0] / 1e6;
    state.counters["mdb_schema_peak_MB"] = peaks[1] / 1e6;
    if (!reader.empty())
        state.counters["reader_peak_MB"] = peaks[2] / 1e6;
    state.counters["peak_ratio"] = peaks[1] > 0 ? peaks[0] / peaks[1] : 0;
}
