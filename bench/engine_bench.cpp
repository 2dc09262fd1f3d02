// Opening a database and reading its whole design, as the generator does:
// every table with every field property, design property and index, and
// every relationship.
// Compare BM_OpenNorthwind with `mdb-schema --relations --indexes
// northwind.mdb access` on the same machine.
#include "bench/BenchFiles.h"
#include "wizard/engine/JetEngine.h"
#include "tests/support/SnapshotJson.h"
#include "wizard/engine/SchemaJson.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "engine_bench";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

qint64 readProperties(const dao::Properties &properties)
{
    qint64 seen = properties.Count();
    for (int p = 0; p < properties.Count(); ++p) {
        const auto property = properties.Item(p);
        seen += property->Name().size() + property->Type() + property->Value().isValid();
    }
    return seen;
}

// Reads every member the generator reads, design properties included;
// answers a count so nothing is skipped.
qint64 readWholeDesign(dao::Database &db)
{
    qint64 seen = db.Version().size() + db.ReplicaID().size() + db.DesignMasterID().size();
    dao::TableDefs &tables = db.TableDefs();
    tables.Refresh();
    for (int t = 0; t < tables.Count(); ++t) {
        const auto table = tables.Item(t);
        seen += table->Name().size() + table->Attributes() + table->ValidationRule().size() +
                table->ValidationText().size() + readProperties(table->Properties());
        const dao::Fields &fields = table->Fields();
        for (int f = 0; f < fields.Count(); ++f) {
            const auto field = fields.Item(f);
            seen += field->Name().size() + field->Type() + field->Size() + field->Attributes() +
                    field->Required() + field->AllowZeroLength() + field->DefaultValue().size() +
                    field->ValidationRule().size() + field->ValidationText().size() +
                    readProperties(field->Properties());
        }
        const dao::Indexes &indexes = table->Indexes();
        for (int i = 0; i < indexes.Count(); ++i) {
            const auto index = indexes.Item(i);
            seen += index->Name().size() + index->Primary() + index->Unique() + index->Required() +
                    index->IgnoreNulls() + index->Foreign();
            for (int k = 0; k < index->Fields().Count(); ++k)
                seen += index->Fields().Item(k)->Name().size() + index->Fields().Item(k)->Attributes();
        }
    }
    const dao::Relations &relations = db.Relations();
    for (int r = 0; r < relations.Count(); ++r) {
        const auto relation = relations.Item(r);
        seen += relation->Name().size() + relation->Table().size() + relation->ForeignTable().size() +
                relation->Attributes() + relation->Fields().Count();
    }
    return seen;
}

void openAndRead(benchmark::State &state, const QString &name)
{
    const QString path = corpusFile(state, name);
    if (path.isEmpty())
        return;
    ensureApplication();
    dao::JetEngine engine;
    for (auto _ : state) {
        auto db = engine.Workspaces(0)->OpenDatabase(path, false, true, QStringLiteral(";pwd="));
        benchmark::DoNotOptimize(readWholeDesign(*db));
        db->Close();
    }
}

void BM_OpenNorthwind(benchmark::State &state)
{
    openAndRead(state, QStringLiteral("northwind.mdb"));
}
BENCHMARK(BM_OpenNorthwind)->Unit(benchmark::kMillisecond);

void BM_OpenJet3File(benchmark::State &state)
{
    openAndRead(state, QStringLiteral("jet3-index-codes.mdb"));
}
BENCHMARK(BM_OpenJet3File)->Unit(benchmark::kMillisecond);

// The same design from a JSON snapshot, through the in-memory path.
void BM_OpenNorthwindSnapshot(benchmark::State &state)
{
    const QString northwind = corpusFile(state, QStringLiteral("northwind.mdb"));
    if (northwind.isEmpty())
        return;
    ensureApplication();
    dao::JetEngine engine;
    const auto source = engine.Workspaces(0)->OpenDatabase(northwind, false, true, QStringLiteral(";pwd="));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("northwind.json"));
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(testsupport::snapshotJson(static_cast<dao::ModelDatabase &>(*source).model()));
    file.commit();
    for (auto _ : state) {
        auto db = engine.Workspaces(0)->OpenDatabase(path, false, true, QStringLiteral(";pwd="));
        benchmark::DoNotOptimize(readWholeDesign(*db));
    }
}
BENCHMARK(BM_OpenNorthwindSnapshot)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The reader's document for northwind, read into the schema model: the
// in-process share of opening a Jet file. The full form of the model, with
// every member written.
void BM_ReadNorthwindJson(benchmark::State &state)
{
    ensureApplication();
    const QString northwind = corpusFile(state, QStringLiteral("northwind.mdb"));
    if (northwind.isEmpty())
        return;
    dao::JetEngine engine;
    const auto source = engine.Workspaces(0)->OpenDatabase(northwind, false, true, QStringLiteral(";pwd="));
    const QByteArray json = testsupport::snapshotJson(static_cast<dao::ModelDatabase &>(*source).model());
    for (auto _ : state)
        benchmark::DoNotOptimize(schema::fromJson(json));
    state.SetBytesProcessed(qint64(state.iterations()) * json.size());
}
BENCHMARK(BM_ReadNorthwindJson)->Unit(benchmark::kMicrosecond);

// The same, from the reader's own answer, which leaves defaults out.
void BM_NorthwindReaderAnswerToModel(benchmark::State &state)
{
    const QString northwind = corpusFile(state, QStringLiteral("northwind.mdb"));
    if (northwind.isEmpty())
        return;
    QProcess reader;
    reader.start(dao::findSchemaReader(), {QStringLiteral("--"), northwind});
    reader.waitForFinished();
    const QByteArray answer = reader.readAllStandardOutput();
    if (reader.exitCode() != 0 || answer.isEmpty()) {
        state.SkipWithError("tabulo-schema-reader did not answer");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(schema::fromJson(answer));
    state.SetBytesProcessed(qint64(state.iterations()) * answer.size());
}
BENCHMARK(BM_NorthwindReaderAnswerToModel)->Unit(benchmark::kMicrosecond);

}  // namespace
