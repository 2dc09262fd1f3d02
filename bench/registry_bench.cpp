// The registry store under concurrent use, measured with real processes:
//
//   ConcurrentWriters   12 writer processes x 1,000 writes each into one
//                       store; reports throughput, the worst single call
//                       and the 99th percentile, and how many calls failed.
//   EnumerateKey        a full walk over a key of 4,000 values by index, with
//                       the store idle (0) or while another process writes to
//                       an unrelated key (1).
//
// The program starts copies of itself as the writers:
//   registry_bench --writer STORE COUNT TAG   writes COUNT values, prints the
//                                             microseconds of each call, one
//                                             a line, then "failed N"
//   registry_bench --churn STORE              writes to an unrelated key until
//                                             its standard input closes

#include "utility/internal/RegistryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include "bench/RunBenchmarks.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace pembry::registry;

namespace {

HKEY openShared(const QString &path)
{
    HKEY h = 0;
    quint32 d = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, path, QString(), 0, KEY_ALL_ACCESS, &h, &d) != ERROR_SUCCESS) {
        std::fprintf(stderr, "create failed: %s\n", qPrintable(lastErrorText()));
        return 0;
    }
    return h;
}

int runWriter(int count, const QString &tag)
{
    const HKEY h = openShared(QStringLiteral("Software\\Shared"));
    if (!h)
        return 1;
    int failed = 0;
    QByteArray out;
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        timer.start();
        const qint32 rc = RegSetValueEx(h, QStringLiteral("%1_%2").arg(tag).arg(i), REG_DWORD, dwordData(quint32(i)));
        const qint64 us = timer.nsecsElapsed() / 1000;
        if (rc != ERROR_SUCCESS) {
            ++failed;
            std::fprintf(stderr, "write %d failed with %d: %s\n", i, rc, qPrintable(lastErrorText()));
        }
        out += QByteArray::number(us) + '\n';
    }
    RegCloseKey(h);
    out += "failed " + QByteArray::number(failed) + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return failed ? 1 : 0;
}

// Writes until standard input reaches its end.
int runChurn()
{
    const HKEY h = openShared(QStringLiteral("Software\\Unrelated"));
    if (!h)
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    char byte = 0;
    for (int i = 0;; ++i) {
        RegSetValueEx(h, QStringLiteral("n%1").arg(i % 50), REG_DWORD, dwordData(quint32(i)));
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(0, &fds);
        timeval zero{0, 0};
        if (select(1, &fds, nullptr, nullptr, &zero) > 0 && read(0, &byte, 1) <= 0)
            break;
    }
    RegCloseKey(h);
    return 0;
}

std::unique_ptr<QProcess> startSelf(const QString &store, const QStringList &args)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PEMBRY31_REGISTRY"), store);
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QCoreApplication::applicationFilePath(), args);
    p->waitForStarted();
    return p;
}

void ConcurrentWriters(benchmark::State &state)
{
    const int writers = int(state.range(0));
    const int count = int(state.range(1));
    QList<qint64> waits;
    qint64 failed = 0;
    double seconds = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("bench.sqlite3"));
        qputenv("PEMBRY31_REGISTRY", store.toUtf8());
        RegCloseKey(openShared(QStringLiteral("Software\\Shared")));   // the store exists before the race
        QElapsedTimer wall;
        wall.start();
        std::vector<std::unique_ptr<QProcess>> children;
        for (int w = 0; w < writers; ++w)
            children.push_back(startSelf(store, {QStringLiteral("--writer"), store, QString::number(count),
                                                 QStringLiteral("w%1").arg(w)}));
        for (auto &c : children) {
            c->waitForFinished(-1);
            for (const QByteArray &line : c->readAllStandardOutput().split('\n')) {
                if (line.startsWith("failed "))
                    failed += line.mid(7).toLongLong();
                else if (!line.isEmpty())
                    waits.append(line.toLongLong());
            }
            if (c->exitStatus() != QProcess::NormalExit)
                ++failed;
        }
        seconds = double(wall.nsecsElapsed()) / 1e9;
    }
    std::sort(waits.begin(), waits.end());
    const auto at = [&](double q) { return waits.isEmpty() ? 0.0 : double(waits[qsizetype(q * double(waits.size() - 1))]) / 1000.0; };
    state.counters["writes_per_s"] = double(waits.size()) / seconds;
    state.counters["worst_ms"] = waits.isEmpty() ? 0.0 : double(waits.last()) / 1000.0;
    state.counters["p99_ms"] = at(0.99);
    state.counters["median_ms"] = at(0.5);
    state.counters["failed"] = double(failed);
}
BENCHMARK(ConcurrentWriters)->Args({12, 1000})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void EnumerateKey(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("bench.sqlite3"));
    qputenv("PEMBRY31_REGISTRY", store.toUtf8());
    const HKEY h = openShared(QStringLiteral("Software\\Big"));
    for (int i = 0; i < 4000; ++i)
        RegSetValueEx(h, QStringLiteral("value%1").arg(i), REG_SZ, stringData(QStringLiteral("data %1").arg(i)));
    std::unique_ptr<QProcess> churn;
    if (state.range(0)) {
        churn = startSelf(store, {QStringLiteral("--churn"), store});
        churn->waitForReadyRead(10000);
    }
    QString name;
    for (auto _ : state) {
        quint32 n = 0;
        while (RegEnumValue(h, n, &name, nullptr, nullptr) == ERROR_SUCCESS)
            ++n;
        if (n != 4000)
            state.SkipWithError("the walk did not see every value");
    }
    if (churn) {
        churn->closeWriteChannel();
        churn->waitForFinished(10000);
    }
    RegCloseKey(h);
}
BENCHMARK(EnumerateKey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--writer") == 0) {
        qputenv("PEMBRY31_REGISTRY", argv[2]);
        return runWriter(std::atoi(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--churn") == 0) {
        qputenv("PEMBRY31_REGISTRY", argv[2]);
        return runChurn();
    }
    return runBenchmarks(argc, argv);
}
