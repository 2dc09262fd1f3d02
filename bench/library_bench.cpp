// Timings of the SQL builder, the registry and the command-line parser as
// their input grows; each should grow linearly.

#include "utility/CRegistryAdvanced.h"
#include "utility/CommandParams.h"
#include "utility/internal/RegistryStore.h"
#include "utility/SQLRoutines.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace pembry;

// state.range(0) texts made from `pattern`, its %1 the numbers 0, 1, ...
static QStringList numbered(const benchmark::State &state, const char *pattern)
{
    QStringList texts;
    for (int i = 0; i < state.range(0); ++i)
        texts << QString::fromUtf8(pattern).arg(i);
    return texts;
}

// The key "Bench" below HKEY_CURRENT_USER of a registry store in `dir`, open.
static registry::HKEY createBenchKey(const QTemporaryDir &dir)
{
    qputenv("PEMBRY31_REGISTRY", dir.filePath(QStringLiteral("bench.sqlite3")).toUtf8());
    registry::HKEY h = 0;
    quint32 d = 0;
    registry::RegCreateKeyEx(registry::HKEY_CURRENT_USER, QStringLiteral("Bench"), QString(), 0,
                             registry::KEY_ALL_ACCESS, &h, &d);
    return h;
}

static void SQLParseLongWhere(benchmark::State &state)
{
    const QString text = QStringLiteral("SELECT a, b\r\nFROM t\r\nWHERE ")
                         + numbered(state, "field%1 = 'value; %1'").join(QStringLiteral(" AND\r\n  "))
                         + QStringLiteral("\r\nORDER BY a;");
    SQLRoutines sql;
    for (auto _ : state) {
        Variant v(text);
        sql.SQLParse(v);
        sql.SQLAppend();
        benchmark::DoNotOptimize(sql.SQL());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(SQLParseLongWhere)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

static void ParseLongCommandLine(benchmark::State &state)
{
    const QString line = numbered(state, "/p%1 \"value %1\"").join(u' ');
    for (auto _ : state) {
        CommandParams params;
        params.setCommandLine(line);
        params.ParseCommandLine();
        benchmark::DoNotOptimize(params.Count());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(ParseLongCommandLine)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// Reading a key with N values: one key-information read through the
// Win32-shaped calls.
static void ReadKeyWithValues(benchmark::State &state)
{
    QTemporaryDir dir;
    const registry::HKEY h = createBenchKey(dir);
    for (int i = 0; i < state.range(0); ++i)
        registry::RegSetValueEx(h, QStringLiteral("value%1").arg(i), registry::REG_SZ,
                                registry::stringData(QStringLiteral("data %1").arg(i)));
    registry::RegCloseKey(h);
    CRegistryAdvanced reg;
    reg.setRoot(HkeyCurrentUser);
    reg.setKey(QStringLiteral("Bench"));
    for (auto _ : state) {
        reg.Refresh();
        benchmark::DoNotOptimize(reg.ValueCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(ReadKeyWithValues)->RangeMultiplier(4)->Range(16, 1024)->Complexity()->Unit(benchmark::kMillisecond);

static void WriteOneValue(benchmark::State &state)
{
    QTemporaryDir dir;
    const registry::HKEY h = createBenchKey(dir);
    int i = 0;
    for (auto _ : state) {
        registry::RegSetValueEx(h, QStringLiteral("v%1").arg(i % 100), registry::REG_DWORD, registry::dwordData(i));
        ++i;
    }
    registry::RegCloseKey(h);
}
BENCHMARK(WriteOneValue)->Unit(benchmark::kMicrosecond);
