#pragma once
// The machine's memory figures for the diagnostic log, in 64-bit byte
// counts, with the meaning the Windows memory status gives them:
// - memory load: the share of physical memory in use, in percent;
// - virtual: this process's address space (its limit, and what is unused);
// - page file: the commit limit, physical memory plus swap, and what of it
//   is available;
// - physical: installed memory, and what is available without swapping.
// Read from /proc/meminfo and /proc/self/status, or sysinfo(2) when /proc
// cannot be read.

#include <QByteArray>
#include <QtGlobal>

namespace tabulo {

struct MemoryStatus {
    quint32 memoryLoad = 0;
    quint64 totalVirtual = 0;
    quint64 availableVirtual = 0;
    quint64 totalPageFile = 0;
    quint64 availablePageFile = 0;
    quint64 totalPhysical = 0;
    quint64 availablePhysical = 0;

    static MemoryStatus current();

    // From the texts of /proc/meminfo and /proc/self/status and the size of
    // the address space; a figure the texts lack stays 0.
    static MemoryStatus fromProc(const QByteArray &meminfo, const QByteArray &selfStatus,
                                 quint64 addressSpace);
};

}  // namespace tabulo
