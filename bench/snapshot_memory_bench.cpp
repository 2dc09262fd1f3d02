// tabulo-cli's peak memory on a JSON snapshot of many small tables (each
// with one field), listed (--list-tables) and written to a code file (-o).
// The counters are the peak resident size in MB and its ratio to the size
// of the snapshot file: the design, the objects served from it and the
// table lists should stay within about ten times the file; a full run also
// holds the module, whose text is about ten times the file for such tables.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

const std::string kCli = TABULO_BINARY_DIR "/bin/tabulo-cli";

// The peak resident size of the command in bytes, its output on the null
// device; negative when it could not be started or failed.
double peakBytes(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return double(usage.ru_maxrss) * 1024;
}

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
