#include "utility/internal/MountTable.h"

#include "utility/Win32API.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace pembry {

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
QString decodeField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3;
            for (char d : digits)
                ok = ok && d >= '0' && d <= '7';
            if (ok) {
                out.append(char(digits.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

std::optional<MountEntry> parseLine(const QByteArray &line)
{
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const QList<QByteArray> fields = line.simplified().split(' ');
    const qsizetype separator = fields.indexOf(QByteArray("-"));
    if (fields.size() < 6 || separator < 6 || separator + 2 >= fields.size())
        return std::nullopt;
    const QList<QByteArray> device = fields[2].split(':');
    if (device.size() != 2)
        return std::nullopt;
    MountEntry entry;
    bool majorOk = false, minorOk = false;
    entry.major = device[0].toUInt(&majorOk);
    entry.minor = device[1].toUInt(&minorOk);
    if (!majorOk || !minorOk)
        return std::nullopt;
    entry.root = decodeField(fields[3]);
    entry.mountPoint = decodeField(fields[4]);
    entry.fsType = decodeField(fields[separator + 1]);
    entry.source = decodeField(fields[separator + 2]);
    if (!entry.mountPoint.startsWith(u'/'))
        return std::nullopt;
    return entry;
}

bool contains(const QString &mountPoint, const QString &path)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == mountPoint || path.startsWith(mountPoint + u'/');
}

bool isNetworkFileSystem(const QString &fsType)
{
    static const QSet<QString> types = {
        QStringLiteral("cifs"),   QStringLiteral("smb3"),       QStringLiteral("smbfs"),
        QStringLiteral("nfs"),    QStringLiteral("nfs4"),       QStringLiteral("ncpfs"),
        QStringLiteral("afs"),    QStringLiteral("coda"),       QStringLiteral("ceph"),
        QStringLiteral("9p"),     QStringLiteral("lustre"),     QStringLiteral("davfs"),
        QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.glusterfs"), QStringLiteral("fuse.rclone"),
    };
    return types.contains(fsType);
}

bool isPseudoFileSystem(const QString &fsType)
{
    static const QSet<QString> types = {
        QStringLiteral("proc"),       QStringLiteral("sysfs"),     QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),     QStringLiteral("cgroup"),    QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"), QStringLiteral("debugfs"),   QStringLiteral("tracefs"),
        QStringLiteral("configfs"),   QStringLiteral("fusectl"),   QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),  QStringLiteral("pstore"),    QStringLiteral("bpf"),
        QStringLiteral("binfmt_misc"), QStringLiteral("autofs"),   QStringLiteral("efivarfs"),
        QStringLiteral("nsfs"),       QStringLiteral("rpc_pipefs"),
    };
    return types.contains(fsType);
}

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(256).trimmed();
}

}  // namespace

MountTable MountTable::parse(const QByteArray &mountinfo)
{
    MountTable table;
    for (const QByteArray &line : mountinfo.split('\n')) {
        if (auto entry = parseLine(line))
            table.m_entries.append(*entry);
    }
    return table;
}

MountTable MountTable::current()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

std::optional<MountEntry> MountTable::mountFor(const QString &absolutePath) const
{
    const MountEntry *best = nullptr;
    for (const MountEntry &entry : m_entries) {
        if (contains(entry.mountPoint, absolutePath)
            && (!best || entry.mountPoint.size() >= best->mountPoint.size()))
            best = &entry;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

std::optional<NetworkShare> networkShareOf(const MountEntry &mount)
{
    QString source = mount.source;
    source.replace(u'\\', u'/');
    const QString &type = mount.fsType;
    if (type == QLatin1String("cifs") || type == QLatin1String("smb3") || type == QLatin1String("smbfs")) {
        if (!source.startsWith(QLatin1String("//")))
            return std::nullopt;
        const QString rest = source.mid(2);
        const qsizetype slash = rest.indexOf(u'/');
        NetworkShare share{slash < 0 ? rest : rest.left(slash), slash < 0 ? QString() : rest.mid(slash + 1)};
        if (share.server.isEmpty())
            return std::nullopt;
        return share;
    }
    if (type == QLatin1String("nfs") || type == QLatin1String("nfs4")) {
        // "server:/export" or "[v6 address]:/export".
        qsizetype colon;
        if (source.startsWith(u'[')) {
            const qsizetype close = source.indexOf(u']');
            colon = close < 0 ? -1 : source.indexOf(u':', close);
        } else {
            colon = source.indexOf(u':');
        }
        if (colon <= 0)
            return std::nullopt;
        QString exportPath = source.mid(colon + 1);
        while (exportPath.startsWith(u'/'))
            exportPath.remove(0, 1);
        return NetworkShare{source.left(colon), exportPath};
    }
    return std::nullopt;
}

int driveTypeOf(const MountEntry &mount, const QString &sysRoot)
{
    const QString &type = mount.fsType;
    if (isNetworkFileSystem(type))
        return Remote;
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf"))
        return CDROM;
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        return RAMDisk;
    if (isPseudoFileSystem(type))
        return UnknownDrive;
    if (mount.major != 0) {
        // /sys/dev/block/M:m links to the device (or partition) folder.
        const QString link = QStringLiteral("%1/dev/block/%2:%3").arg(sysRoot).arg(mount.major).arg(mount.minor);
        const QFileInfo device(QFileInfo(link).canonicalFilePath());
        if (device.exists()) {
            QDir disk(device.absoluteFilePath());
            if (QFileInfo::exists(disk.filePath(QStringLiteral("partition"))))
                disk.cdUp();
            const QString name = disk.dirName();
            if (name.startsWith(QLatin1String("sr")) || readSmallFile(disk.filePath(QStringLiteral("device/type"))) == "5")
                return CDROM;
            if (name.startsWith(QLatin1String("ram")) || name.startsWith(QLatin1String("zram")))
                return RAMDisk;
            if (readSmallFile(disk.filePath(QStringLiteral("removable"))) == "1")
                return Removable;
        }
    }
    return Fixed;
}

}  // namespace pembry
