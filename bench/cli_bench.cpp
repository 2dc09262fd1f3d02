// tabulo-cli's choice of the --tables names among the listed tables: on its
// own for up to 20,000 tables, each asked for in another letter case, and
// the whole program on a 20,000-table snapshot with every table requested.

#include "cli/TableChoice.h"
#include "tests/support/SnapshotJson.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QStringList tableNames(int count)
{
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names.append(QStringLiteral("Table%1").arg(i, 5, 10, QLatin1Char('0')));
    return names;
}

// Every listed name requested in lower case, last first.
QStringList requestOfAll(const QStringList &listed)
{
    QStringList requested;
    requested.reserve(listed.size());
    for (auto it = listed.crbegin(); it != listed.crend(); ++it)
        requested.append(it->toLower());
    return requested;
}

void BM_ChooseTables(benchmark::State &state)
{
    const QStringList listed = tableNames(int(state.range(0)));
    const QStringList requested = requestOfAll(listed);
    for (auto _ : state) {
        const tabulo::cli::TableChoice choice(listed);
        benchmark::DoNotOptimize(choice.choose(requested, QStringLiteral("big.json")));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ChooseTables)->RangeMultiplier(4)->Range(1250, 20000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// tabulo-cli on a snapshot of N one-field tables, every table named once
// with --tables in lower case.
void BM_TabuloCliAllTablesByName(benchmark::State &state)
{
    const int count = int(state.range(0));
    QTemporaryDir dir;
    schema::Database model;
    model.version = QStringLiteral("4.0");
    QStringList arguments{dir.filePath(QStringLiteral("big.json")), QStringLiteral("-o"),
                          dir.filePath(QStringLiteral("big.bas"))};
    for (const QString &name : tableNames(count)) {
        schema::Table table;
        table.name = name;
        schema::Field field;
        field.name = QStringLiteral("ID");
        field.type = 4;
        field.size = 4;
        table.fields = {field};
        model.tables.append(table);
        arguments << QStringLiteral("--tables") << name.toLower();
    }
    QFile file(arguments.first());
    file.open(QIODevice::WriteOnly);
    file.write(testsupport::snapshotJson(model));
    file.close();
    const QString program =
        QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath() + QStringLiteral("/tabulo-cli");
    for (auto _ : state) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(600000) || process.exitCode() != 0) {
            state.SkipWithError("tabulo-cli failed");
            return;
        }
    }
}
BENCHMARK(BM_TabuloCliAllTablesByName)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
