// The wizard window's table lists: filling a sorted list with n table names,
// in sorted order (as ">>" copies the available list, and as the engines list
// tables) and in a shuffled order.

#include "wizard/form/QtUiControls.h"

#include <QApplication>
#include <QListWidget>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

QApplication &application()
{
    static int argc = 1;
    static char name[] = "window_bench";
    static char *argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

QStringList tableNames(int count, bool shuffled)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("Table %1").arg(i, 6, 10, QLatin1Char('0'));
    if (!shuffled)
        return names;
    QRandomGenerator random(42);
    for (int i = count - 1; i > 0; --i)
        names.swapItemsAt(i, int(random.bounded(i + 1)));
    return names;
}

void fill(benchmark::State &state, bool shuffled)
{
    application();
    const QStringList names = tableNames(int(state.range(0)), shuffled);
    QListWidget widget;
    tabulo::QtListControl list(&widget);
    for (auto _ : state) {
        list.Clear();
        for (const QString &name : names)
            list.AddItem(name);
        benchmark::DoNotOptimize(list.ListCount());
    }
    state.SetComplexityN(state.range(0));
}

void BM_ListFillInOrder(benchmark::State &state)
{
    fill(state, false);
}
BENCHMARK(BM_ListFillInOrder)->RangeMultiplier(4)->Range(256, 16384)->Complexity(benchmark::oN);

void BM_ListFillShuffled(benchmark::State &state)
{
    fill(state, true);
}
BENCHMARK(BM_ListFillShuffled)->RangeMultiplier(4)->Range(256, 16384)->Complexity();

}  // namespace
