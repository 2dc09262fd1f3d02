// A small program the library tests start as a separate process.
//
//   library_helper write PREFIX COUNT   writes PREFIX0..PREFIX<COUNT-1> into
//                                       HKEY_CURRENT_USER\Software\Shared, makes
//                                       its sub-keys Sub0..Sub9 and writes "last"
//   library_helper acked PREFIX COUNT   writes PREFIX0.. into HKEY_CURRENT_USER\Software\Acked
//                                       and prints each index once its write returned
//   library_helper timed PREFIX COUNT MS
//                                       writes PREFIX0.. into HKEY_CURRENT_USER\Software\Shared,
//                                       waiting at most MS for the store; prints "call S E" for
//                                       each call (its start and end on the monotonic clock, in
//                                       milliseconds, comparable between processes) and then
//                                       "worst N" (the slowest call in milliseconds)
//   library_helper restore PATH FILE    restores HKEY_CURRENT_USER\PATH from FILE and prints
//                                       "rc N" and "grew K": by how many KiB the
//                                       process's peak memory grew during the restore
//   library_helper open                 opens HKEY_CURRENT_USER\Software; prints "rc N", the
//                                       error text, and "sqlite B A fair F": whether SQLite
//                                       was mapped before and after, and whether the store
//                                       waits for locks with its own fair wait
//   LIBRARY_HELPER_MODE=cmdline library_helper ARGS...
//                                       prints the command line and its parameters,
//                                       without a QCoreApplication (so
//                                       /proc/self/cmdline is read)
// It exits with 1 and prints the error when anything fails.

#include "utility/BasicError.h"
#include "utility/CRegistryBasic.h"
#include "utility/CommandParams.h"
#include "utility/internal/RegistryStore.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace pembry;

namespace {

int writeValues(const QString &prefix, int count)
{
    CRegistryBasic reg;
    reg.setRoot(HkeyCurrentUser);
    reg.setKey(QStringLiteral("Software\\Shared"));
    for (int i = 0; i < count; ++i) {
        if (!reg.SetValue(QStringLiteral("%1%2").arg(prefix).arg(i), QString::number(i))) {
            std::printf("set failed: %s\n", qPrintable(registry::lastErrorText()));
            return 1;
        }
        registry::HKEY h = 0;
        quint32 disposition = 0;
        const qint32 rc = registry::RegCreateKeyEx(registry::HKEY_CURRENT_USER,
                                                   QStringLiteral("Software\\Shared\\Sub%1").arg(i % 10), QString(), 0,
                                                   registry::KEY_ALL_ACCESS, &h, &disposition);
        if (rc != registry::ERROR_SUCCESS) {
            std::printf("create failed: %d %s\n", rc, qPrintable(registry::lastErrorText()));
            return 1;
        }
        registry::RegCloseKey(h);
        reg.SetValue(QStringLiteral("last"), prefix);
    }
    return 0;
}

registry::HKEY openKey(const QString &path)
{
    registry::HKEY h = 0;
    quint32 disposition = 0;
    const qint32 rc = registry::RegCreateKeyEx(registry::HKEY_CURRENT_USER, path, QString(), 0,
                                               registry::KEY_ALL_ACCESS, &h, &disposition);
    if (rc != registry::ERROR_SUCCESS)
        std::printf("create failed: %d %s\n", rc, qPrintable(registry::lastErrorText()));
    return h;
}

int writeAcknowledged(const QString &prefix, int count)
{
    const registry::HKEY h = openKey(QStringLiteral("Software\\Acked"));
    for (int i = 0; h && i < count; ++i) {
        if (registry::RegSetValueEx(h, prefix + QString::number(i), registry::REG_DWORD, registry::dwordData(quint32(i))))
            return 1;
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
    return h ? 0 : 1;
}

int writeTimed(const QString &prefix, int count, int busyMs)
{
    registry::setBusyTimeout(busyMs);
    const registry::HKEY h = openKey(QStringLiteral("Software\\Shared"));
    qint64 worst = 0;
    QElapsedTimer timer;
    for (int i = 0; h && i < count; ++i) {
        timer.start();
        const qint32 rc = registry::RegSetValueEx(h, prefix + QString::number(i), registry::REG_DWORD,
                                                  registry::dwordData(quint32(i)));
        const qint64 took = timer.elapsed();
        worst = qMax(worst, took);
        std::printf("call %lld %lld\n", static_cast<long long>(timer.msecsSinceReference()),
                    static_cast<long long>(timer.msecsSinceReference() + took));
        if (rc != registry::ERROR_SUCCESS) {
            std::printf("write %d failed: %d %s\n", i, rc, qPrintable(registry::lastErrorText()));
            return 1;
        }
    }
    std::printf("worst %lld\n", static_cast<long long>(worst));
    return h ? 0 : 1;
}

long peakKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int restoreFile(const QString &path, const QString &file)
{
    const registry::HKEY h = openKey(path);
    if (!h)
        return 1;
    const long before = peakKib();
    const qint32 rc = registry::RegRestoreKey(h, file, 0);
    std::printf("rc %d\ngrew %ld\n%s\n", rc, peakKib() - before, qPrintable(registry::lastErrorText()));
    return 0;
}

bool sqliteMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libsqlite3");
}

int openSoftware()
{
    const bool before = sqliteMapped();
    registry::HKEY h = 0;
    const qint32 rc = registry::RegOpenKeyEx(registry::HKEY_CURRENT_USER, QStringLiteral("Software"), 0,
                                             registry::KEY_READ, &h);
    std::printf("rc %d\n%s\nsqlite %d %d fair %d\n", rc, qPrintable(registry::lastErrorText()), int(before),
                int(sqliteMapped()), int(registry::lastOpenWaitsFairly()));
    return 0;
}

int printCommandLine()
{
    CommandParams params;
    std::printf("%s\n", params.CommandLine().toUtf8().constData());
    params.ParseCommandLine();
    for (const clsCommandParam &p : params)
        std::printf("%s=%s\n", p.ParamName().toUtf8().constData(), p.ParamValue().toUtf8().constData());
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        if (qgetenv("LIBRARY_HELPER_MODE") == "cmdline")
            return printCommandLine();
        if (argc == 4 && std::strcmp(argv[1], "write") == 0)
            return writeValues(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
        const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
        if (argc == 4 && mode == QLatin1String("acked"))
            return writeAcknowledged(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
        if (argc == 5 && mode == QLatin1String("timed"))
            return writeTimed(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
        if (argc == 4 && mode == QLatin1String("restore"))
            return restoreFile(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        if (argc == 2 && mode == QLatin1String("open"))
            return openSoftware();
    } catch (const BasicError &e) {
        std::printf("error %d (%s): %s\n", e.number(), qPrintable(e.source()), qPrintable(e.description()));
        return 1;
    }
    std::printf("usage: library_helper write|acked PREFIX COUNT, timed PREFIX COUNT MS, restore PATH FILE, open\n");
    return 2;
}
