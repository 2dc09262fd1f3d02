// A small program the library tests start as a separate process.
//
//   library_helper write PREFIX COUNT   writes PREFIX0..PREFIX<COUNT-1> into
//                                       HKEY_CURRENT_USER\Software\Shared, makes
//                                       its sub-keys Sub0..Sub9 and writes "last"
//   LIBRARY_HELPER_MODE=cmdline library_helper ARGS...
//                                       prints the command line and its parameters,
//                                       without a QCoreApplication (so
//                                       /proc/self/cmdline is read)
// It exits with 1 and prints the error when anything fails.

#include "utility/BasicError.h"
#include "utility/CRegistryBasic.h"
#include "utility/CommandParams.h"
#include "utility/internal/RegistryStore.h"

#include <cstdio>
#include <cstring>

using namespace pembry;

namespace {

int writeValues(const QString &prefix, int count)
{
    CRegistryBasic reg;
    reg.setRoot(HkeyCurrentUser);
    reg.setKey(QStringLiteral("Software\\Shared"));
    for (int i = 0; i < count; ++i) {
        if (!reg.SetValue(QStringLiteral("%1%2").arg(prefix).arg(i), QString::number(i)))
            return 1;
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
        if (argc == 4 && std::strcmp(argv[1], "write") == 0)
            return writeValues(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
        if (qgetenv("LIBRARY_HELPER_MODE") == "cmdline")
            return printCommandLine();
    } catch (const BasicError &e) {
        std::printf("error %d (%s): %s\n", e.number(), qPrintable(e.source()), qPrintable(e.description()));
        return 1;
    }
    std::printf("usage: library_helper write PREFIX COUNT\n");
    return 2;
}
