#pragma once
// The mount table of the running process (/proc/self/mountinfo), and what
// Win32API reads from it: which mount holds a path, the server and share of
// a network mount, and the drive type of a mount.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace pembry {

struct MountEntry {
    QString root;          // the folder of the file system mounted here
    QString mountPoint;
    QString fsType;        // "ext4", "cifs", "nfs4", "fuse.sshfs", ...
    QString source;        // "/dev/sda1", "//server/share", "server:/export"
    quint32 major = 0;     // the device numbers of the file system
    quint32 minor = 0;
};

struct NetworkShare {
    QString server;
    QString share;
};

class MountTable {
public:
    // Reads the text of a mountinfo file; lines that do not have its layout
    // are passed over. The octal escapes of names (\040 for a blank) are
    // decoded.
    static MountTable parse(const QByteArray &mountinfo);
    // The table of this process; empty when it cannot be read.
    static MountTable current();

    const QList<MountEntry> &entries() const { return m_entries; }

    // The mount holding `absolutePath`: the longest mount point that contains
    // it, and of equal ones the last mounted (it covers the others).
    std::optional<MountEntry> mountFor(const QString &absolutePath) const;

private:
    QList<MountEntry> m_entries;
};

// CIFS/SMB and NFS mounts: the server and share of the source
// ("//server/share/folder" or "server:/export/folder"); nothing for others.
std::optional<NetworkShare> networkShareOf(const MountEntry &mount);

// The fisEnumDriveType code of a mount: Remote for network file systems,
// CDROM for optical media, RAMDisk for memory-backed ones, Removable when
// the kernel marks the backing device removable (read under `sysRoot`),
// 0 for kernel pseudo file systems, Fixed for the rest.
int driveTypeOf(const MountEntry &mount, const QString &sysRoot = QStringLiteral("/sys"));

}  // namespace pembry
