// Memory figures from captured /proc texts.

#include "wizard/errors/MemoryStatus.h"

#include <QFile>
#include <gtest/gtest.h>

using tabulo::MemoryStatus;

namespace {

QByteArray sample(const char *name)
{
    QFile file(QStringLiteral(ERRORS_TEST_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

constexpr quint64 KiB = 1024;

}  // namespace

TEST(MemoryStatus, FiguresFromProcInBytes)
{
    const quint64 addressSpace = quint64(1) << 47;
    const MemoryStatus status = MemoryStatus::fromProc(sample("meminfo-sample.txt"), sample("status-sample.txt"),
                                                       addressSpace);
    // 24 GiB: more than 32 bits hold.
    EXPECT_EQ(status.totalPhysical, 24683748 * KiB);
    EXPECT_EQ(status.availablePhysical, 22204240 * KiB);
    EXPECT_EQ(status.memoryLoad, 10u);   // (24683748 - 22204240) / 24683748 = 10.05 %
    EXPECT_EQ(status.totalPageFile, (24683748 + 2097148) * KiB);
    EXPECT_EQ(status.availablePageFile, (22204240 + 1048576) * KiB);
    EXPECT_EQ(status.totalVirtual, addressSpace);
    EXPECT_EQ(status.availableVirtual, addressSpace - 3912 * KiB);
}

TEST(MemoryStatus, OlderKernelsWithoutMemAvailable)
{
    const MemoryStatus status = MemoryStatus::fromProc(
        "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 100 kB\n", "", 4096);
    EXPECT_EQ(status.availablePhysical, 250 * KiB);
    EXPECT_EQ(status.memoryLoad, 75u);
    EXPECT_EQ(status.availableVirtual, 4096u);
}

TEST(MemoryStatus, CurrentMachine)
{
    const MemoryStatus status = MemoryStatus::current();
    EXPECT_GT(status.totalPhysical, 0u);
    EXPECT_LE(status.availablePhysical, status.totalPhysical);
    EXPECT_LE(status.memoryLoad, 100u);
    EXPECT_GT(status.totalVirtual, status.availableVirtual);
}
