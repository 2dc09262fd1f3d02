// Uses an installed Pembry31: the library and its headers from the prefix
// given as the argument, the desktop plugin from beside the installed
// library once a GUI application exists. Prints what it checked; exits 1 on
// the first difference.

#include <pembry31/utility/BasicError.h>
#include <pembry31/utility/OS32Helper.h>
#include <pembry31/utility/VBObjectHelper.h>
#include <pembry31/utility/Win32API.h>

#include "utility/Variant.h"    // the older form still works

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {

int failures = 0;

void check(bool ok, const char *what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok)
        ++failures;
}

// The mapped file whose name contains `name`, or "".
QString mapped(const char *name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && line.contains(name))
            return QString::fromLocal8Bit(line.mid(slash));
    }
    return {};
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pembry31-consumer PREFIX\n");
        return 2;
    }
    const QString prefix = QDir(QString::fromLocal8Bit(argv[1])).canonicalPath() + QLatin1Char('/');

    check(pembry::OS32Helper().FileNameNoPath(QStringLiteral("C:\\Data\\file.txt")) == QLatin1String("file.txt"),
          "OS32Helper splits a path");
    check(pembry::Variant().isEmpty(), "a new Variant is Empty");
    bool raised = false;
    try {
        pembry::raiseError(5, QStringLiteral("consumer"), QStringLiteral("invalid call"));
    } catch (const pembry::BasicError &error) {
        raised = error.number() == 5;
    }
    check(raised, "a BasicError crosses into the program");
    check(mapped("libPembry31.so").startsWith(prefix), "libPembry31 is the installed one");

    QGuiApplication app(argc, argv);
    pembry::VBObjectHelper().MouseHourGlass(true);
    check(QGuiApplication::overrideCursor() != nullptr, "the busy pointer shows under a GUI application");
    pembry::VBObjectHelper().MouseHourGlass(false);
    check(pembry::Win32API().GetScreenResolutionWidth() > 0, "the screen is measured");
    check(mapped("pembry31-desktop.so").startsWith(prefix), "the desktop plugin comes from beside the installed library");
    return failures == 0 ? 0 : 1;
}
