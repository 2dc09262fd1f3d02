#include "wizard/errors/MemoryStatus.h"

#include <QFile>
#include <QHash>
#include <QList>

#include <sys/resource.h>
#include <sys/sysinfo.h>

namespace tabulo {

namespace {

// "Name:   1234 kB" lines, in bytes.
QHash<QByteArray, quint64> kilobyteFields(const QByteArray &text)
{
    QHash<QByteArray, quint64> fields;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QList<QByteArray> words = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const quint64 value = words.value(0).toULongLong(&ok);
        if (!ok)
            continue;
        const bool kilobytes = words.value(1).compare("kB", Qt::CaseInsensitive) == 0;
        fields.insert(line.left(colon).trimmed(), kilobytes ? value * 1024 : value);
    }
    return fields;
}

QByteArray readProcFile(const char *path)
{
    QFile file(QString::fromLatin1(path));
    // /proc files report a size of 0: read until the end.
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The user part of the address space: the process's limit when it has one,
// otherwise what the architecture gives a process.
quint64 addressSpaceSize()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return limit.rlim_cur;
#if defined(__x86_64__)
    return (quint64(1) << 47) - 4096;
#elif defined(__aarch64__)
    return quint64(1) << 48;
#else
    return sizeof(void *) == 8 ? (quint64(1) << 47) : (quint64(3) << 30);
#endif
}

quint32 loadPercent(quint64 total, quint64 available)
{
    if (total == 0 || available > total)
        return 0;
    return quint32(((total - available) * 100 + total / 2) / total);
}

}  // namespace

MemoryStatus MemoryStatus::fromProc(const QByteArray &meminfo, const QByteArray &selfStatus,
                                    quint64 addressSpace)
{
    const QHash<QByteArray, quint64> memory = kilobyteFields(meminfo);
    const QHash<QByteArray, quint64> process = kilobyteFields(selfStatus);
    MemoryStatus status;
    status.totalPhysical = memory.value("MemTotal");
    // Kernels before 3.14 have no MemAvailable: free memory and page cache.
    status.availablePhysical = memory.contains("MemAvailable")
        ? memory.value("MemAvailable")
        : memory.value("MemFree") + memory.value("Buffers") + memory.value("Cached");
    status.memoryLoad = loadPercent(status.totalPhysical, status.availablePhysical);
    status.totalPageFile = status.totalPhysical + memory.value("SwapTotal");
    status.availablePageFile = status.availablePhysical + memory.value("SwapFree");
    status.totalVirtual = addressSpace;
    const quint64 used = process.value("VmSize");
    status.availableVirtual = used < addressSpace ? addressSpace - used : 0;
    return status;
}

MemoryStatus MemoryStatus::current()
{
    const QByteArray meminfo = readProcFile("/proc/meminfo");
    MemoryStatus status = fromProc(meminfo, readProcFile("/proc/self/status"), addressSpaceSize());
    if (status.totalPhysical == 0) {
        struct sysinfo info {};
        if (::sysinfo(&info) == 0) {
            const quint64 unit = info.mem_unit ? info.mem_unit : 1;
            status.totalPhysical = quint64(info.totalram) * unit;
            status.availablePhysical = (quint64(info.freeram) + quint64(info.bufferram)) * unit;
            status.memoryLoad = loadPercent(status.totalPhysical, status.availablePhysical);
            status.totalPageFile = status.totalPhysical + quint64(info.totalswap) * unit;
            status.availablePageFile = status.availablePhysical + quint64(info.freeswap) * unit;
        }
    }
    return status;
}

}  // namespace tabulo
