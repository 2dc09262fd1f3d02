// Opening a password-encrypted ACE database: the password check and the
// decryption of every page into memory, then libmdb reading the design
// (the catalogue and every table's columns, as mdb-schema does). Compare
// BM_ReadDesign on the decrypted image (the same design, unencrypted) and on
// a plain ACE file with BM_DecryptAndReadDesign; BM_DecryptPages grows the
// file to show the page decryption is linear; BM_TabuloCli times the whole
// program on each file against a password-protected Jet 4 file holding the
// same one table. Timings on a shared machine are noisy.
#include "bench/BenchFiles.h"
#include "bench/ProgramRuns.h"
#include "reader/acecrypt/AceDecryption.h"
#include "reader/acecrypt/Crypto.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <mdbtools.h>

namespace {

const char *const Files[] = {"ace14-encrypted-standard.accdb", "ace14-encrypted-agile.accdb"};

// Reads the catalogue and each user table's columns; answers a count.
long readDesign(const std::string &path)
{
    MdbHandle *mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb)
        return -1;
    long seen = 0;
    if (mdb_read_catalog(mdb, MDB_TABLE)) {
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
                continue;
            if (MdbTableDef *table = mdb_read_table(entry)) {
                mdb_read_columns(table);
                mdb_read_indices(table);
                seen += table->num_cols + table->num_idxs;
                mdb_free_tabledef(table);
            }
        }
    }
    mdb_close(mdb);
    return seen;
}

std::optional<acecrypt::DecryptedImage> decrypt(benchmark::State &state, const std::string &path)
{
    acecrypt::AceCryptoError error;
    auto image = acecrypt::decryptAceFile(path, "password", error);
    if (!image)
        state.SkipWithError(error.message.c_str());
    return image;
}

void BM_ReadDesignPlain(benchmark::State &state, const char *name)
{
    const QString path = corpusFile(state, QString::fromLatin1(name));
    if (path.isEmpty())
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(readDesign(path.toStdString()));
}
BENCHMARK_CAPTURE(BM_ReadDesignPlain, ace14_types, "ace14-types.accdb")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadDesignPlain, ace_2007, "ace-2007.accdb")->Unit(benchmark::kMillisecond);

// The same design unencrypted: the decrypted image, made once.
void BM_ReadDesignDecryptedImage(benchmark::State &state)
{
    const QString path = corpusFile(state, QString::fromLatin1(Files[state.range(0)]));
    if (path.isEmpty())
        return;
    const auto image = decrypt(state, path.toStdString());
    if (!image)
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(readDesign(image->path()));
}
BENCHMARK(BM_ReadDesignDecryptedImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecryptAndReadDesign(benchmark::State &state)
{
    const QString path = corpusFile(state, QString::fromLatin1(Files[state.range(0)]));
    if (path.isEmpty())
        return;
    for (auto _ : state) {
        const auto image = decrypt(state, path.toStdString());
        if (!image)
            return;
        benchmark::DoNotOptimize(readDesign(image->path()));
    }
}
BENCHMARK(BM_DecryptAndReadDesign)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The password key alone: SHA-512 spun 100,000 times, as the agile file asks.
void BM_AgilePasswordKey(benchmark::State &state)
{
    const auto password = acecrypt::passwordBytes("password");
    const acecrypt::Bytes salt(16, 7);
    acecrypt::Hasher hasher(EVP_sha512());
    for (auto _ : state)
        benchmark::DoNotOptimize(hasher.spun(salt, password, 100'000));
}
BENCHMARK(BM_AgilePasswordKey)->Unit(benchmark::kMillisecond);

// The file grown to range(1) times its pages (copies of its own encrypted
// pages, which decrypt to noise but cost the same): time per page stays flat.
void BM_DecryptPages(benchmark::State &state)
{
    const QString path = corpusFile(state, QString::fromLatin1(Files[state.range(0)]));
    if (path.isEmpty())
        return;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray original = file.readAll();
    QByteArray grown = original;
    for (int i = 1; i < state.range(1); ++i)
        grown += original.mid(4096);
    QTemporaryDir dir;
    const QString grownPath = dir.filePath("grown.accdb");
    QFile out(grownPath);
    out.open(QIODevice::WriteOnly);
    out.write(grown);
    out.close();
    for (auto _ : state)
        benchmark::DoNotOptimize(decrypt(state, grownPath.toStdString()));
    state.SetComplexityN(grown.size() / 4096);
    state.counters["pages"] = double(grown.size() / 4096);
}
BENCHMARK(BM_DecryptPages)->ArgsProduct({{0, 1}, {1, 8, 64}})->Unit(benchmark::kMillisecond);

// tabulo-cli writing the module of the file opened with its password.
void BM_TabuloCli(benchmark::State &state, const char *name)
{
    const QString path = corpusFile(state, QString::fromLatin1(name));
    if (path.isEmpty())
        return;
    const std::vector<std::string> command{TABULO_BINARY_DIR "/bin/tabulo-cli", path.toStdString(), "--db-password",
                                           "password"};
    for (auto _ : state) {
        const double ms = runMs(command);
        if (ms < 0) {
            state.SkipWithError("tabulo-cli failed");
            return;
        }
        state.SetIterationTime(ms / 1000);
    }
}
BENCHMARK_CAPTURE(BM_TabuloCli, jet4_password, "jet4-password.mdb")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TabuloCli, ace14_encrypted_standard, "ace14-encrypted-standard.accdb")
    ->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TabuloCli, ace14_encrypted_agile, "ace14-encrypted-agile.accdb")
    ->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
