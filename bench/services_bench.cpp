// The mount table read and searched, and the error record made from long
// engine error lists: both should grow linearly with their input.

#include "utility/BasicError.h"
#include "utility/internal/MountTable.h"
#include "wizard/engine/MemoryEngine.h"
#include "wizard/errors/clsErrorHandler.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray mountTableText(int mounts)
{
    QByteArray text;
    for (int i = 0; i < mounts; ++i) {
        text += QByteArray::number(100 + i) + " 26 0:" + QByteArray::number(60 + i) + " / /srv/containers/c"
            + QByteArray::number(i) + "/rootfs\\040data rw,relatime shared:" + QByteArray::number(i)
            + " - overlay overlay rw,lowerdir=/var/lib/l" + QByteArray::number(i) + ",upperdir=/u,workdir=/w\n";
    }
    return text;
}

void BM_MountTableParseAndFind(benchmark::State &state)
{
    const QByteArray text = mountTableText(int(state.range(0)));
    const QString path = QStringLiteral("/srv/containers/c%1/rootfs data/etc/hosts").arg(state.range(0) / 2);
    for (auto _ : state) {
        const pembry::MountTable table = pembry::MountTable::parse(text);
        benchmark::DoNotOptimize(table.mountFor(path));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_MountTableParseAndFind)->Range(100, 10000);

void BM_ErrorProcessEngineList(benchmark::State &state)
{
    auto engine = std::make_shared<dao::MemoryEngine>();
    QList<dao::EngineError> entries;
    for (int i = 0; i < state.range(0); ++i)
        entries.append(dao::engineError(3146, QStringLiteral("3146: ") + QStringLiteral("[Driver]").repeated(20)
                                                  + QStringLiteral(" Message %1").arg(i)));
    dao::installDBEngine(engine);
    tabulo::clsErrorHandler handler;
    for (auto _ : state) {
        // An engine operation failing with all of them.
        try {
            engine->errorList()->raise(entries);
        } catch (...) {
            handler.ErrorProcess();
        }
        benchmark::DoNotOptimize(handler.errorRecord().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    dao::installDBEngine(nullptr);
}
BENCHMARK(BM_ErrorProcessEngineList)->Range(1, 4096);

}  // namespace
