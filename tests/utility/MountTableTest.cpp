// The mount table read from a captured mountinfo file: which mount holds a
// path, network shares, and drive types with a stand-in /sys tree.

#include "utility/internal/MountTable.h"
#include "utility/Win32API.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pembry;

namespace {

MountTable sampleTable()
{
    QFile file(QStringLiteral(SERVICES_TEST_DATA "/mountinfo-sample.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return MountTable::parse(file.readAll());
}

MountEntry mountAt(const QString &path)
{
    const auto mount = sampleTable().mountFor(path);
    EXPECT_TRUE(mount.has_value()) << path.toStdString();
    return mount.value_or(MountEntry{});
}

}  // namespace

TEST(MountTable, ReadsEveryMountLineAndSkipsOthers)
{
    const MountTable table = sampleTable();
    // 20 lines of a container, 10 of a desktop, one line that is no mount.
    ASSERT_EQ(table.entries().size(), 30);
    const MountEntry &root = table.entries().at(5);
    EXPECT_EQ(root.mountPoint, "/");
    EXPECT_EQ(root.fsType, "ext4");
    EXPECT_EQ(root.source, "/dev/vda");
    EXPECT_EQ(root.major, 254u);
    EXPECT_EQ(root.minor, 0u);
}

TEST(MountTable, DecodesEscapedBlanksInMountPoints)
{
    const MountEntry stick = mountAt(QStringLiteral("/media/ann/USB STICK/report.doc"));
    EXPECT_EQ(stick.mountPoint, "/media/ann/USB STICK");
    EXPECT_EQ(stick.fsType, "vfat");
}

TEST(MountTable, FindsTheDeepestAndLatestMount)
{
    EXPECT_EQ(mountAt(QStringLiteral("/mnt/projects/local/a.txt")).fsType, "tmpfs");
    EXPECT_EQ(mountAt(QStringLiteral("/mnt/projects/plan.txt")).fsType, "cifs");
    // "/mnt/nasx" is no folder of "/mnt/nas".
    EXPECT_EQ(mountAt(QStringLiteral("/mnt/nasx/file")).fsType, "ext4");
    // The later mount on /mnt/nas covers the earlier one.
    EXPECT_EQ(mountAt(QStringLiteral("/mnt/nas")).source, "\\\\backup\\weekly");
    EXPECT_EQ(mountAt(QStringLiteral("/usr/bin")).mountPoint, "/");
    EXPECT_FALSE(MountTable().mountFor(QStringLiteral("/usr")).has_value());
}

TEST(MountTable, NetworkSharesOfCifsAndNfs)
{
    MountTable table = sampleTable();
    const auto share = [&](const char *path) {
        return networkShareOf(table.mountFor(QString::fromUtf8(path)).value());
    };
    ASSERT_TRUE(share("/mnt/projects/plan.txt"));
    EXPECT_EQ(share("/mnt/projects/plan.txt")->server, "fileserver");
    EXPECT_EQ(share("/mnt/projects/plan.txt")->share, "projects");
    ASSERT_TRUE(share("/mnt/nasv6"));
    EXPECT_EQ(share("/mnt/nasv6")->server, "[fd00::30]");
    EXPECT_EQ(share("/mnt/nasv6")->share, "srv/backup");
    ASSERT_TRUE(share("/mnt/nas"));   // cifs written with backslashes
    EXPECT_EQ(share("/mnt/nas")->server, "backup");
    EXPECT_EQ(share("/mnt/nas")->share, "weekly");
    EXPECT_FALSE(share("/home/ann/remote/x"));   // sshfs is remote but no share
    EXPECT_FALSE(share("/media/ann/DATA_DVD"));

    const MountTable nfs = MountTable::parse(
        "45 26 0:53 / /mnt/nas rw - nfs4 nas.local:/export/home rw,vers=4.2\n");
    EXPECT_EQ(networkShareOf(nfs.entries().first())->server, "nas.local");
    EXPECT_EQ(networkShareOf(nfs.entries().first())->share, "export/home");
}

TEST(MountTable, DriveTypesFromFileSystemAndSysTree)
{
    // A stand-in /sys: sdb is a removable USB stick with partition sdb1,
    // sdc an internal disk, sr0 an optical drive.
    QTemporaryDir sys;
    ASSERT_TRUE(sys.isValid());
    QDir root(sys.path());
    const auto write = [&](const QString &relative, const QByteArray &content) {
        root.mkpath(QFileInfo(root.filePath(relative)).path());
        QFile file(root.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(QStringLiteral("devices/usb/sdb/removable"), "1\n");
    write(QStringLiteral("devices/usb/sdb/sdb1/partition"), "1\n");
    write(QStringLiteral("devices/sata/sdc/removable"), "0\n");
    write(QStringLiteral("devices/sata/sdc/sdc1/partition"), "1\n");
    write(QStringLiteral("devices/sata/sr0/removable"), "1\n");
    root.mkpath(QStringLiteral("dev/block"));
    QFile::link(root.filePath(QStringLiteral("devices/usb/sdb/sdb1")), root.filePath(QStringLiteral("dev/block/8:17")));
    QFile::link(root.filePath(QStringLiteral("devices/sata/sdc/sdc1")), root.filePath(QStringLiteral("dev/block/8:33")));
    QFile::link(root.filePath(QStringLiteral("devices/sata/sr0")), root.filePath(QStringLiteral("dev/block/11:0")));

    const auto type = [&](const char *path) { return driveTypeOf(mountAt(QString::fromUtf8(path)), sys.path()); };
    EXPECT_EQ(type("/media/ann/USB STICK"), Removable);
    EXPECT_EQ(type("/mnt/nasx"), Fixed);
    EXPECT_EQ(type("/media/ann/DATA_DVD"), CDROM);
    EXPECT_EQ(type("/mnt/projects"), Remote);
    EXPECT_EQ(type("/home/ann/remote"), Remote);
    EXPECT_EQ(type("/mnt/projects/local"), RAMDisk);
    EXPECT_EQ(type("/proc/1"), UnknownDrive);
    EXPECT_EQ(type("/"), Fixed);   // no device folder in the stand-in tree
}
