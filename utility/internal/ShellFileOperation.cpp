#include "utility/internal/ShellFileOperation.h"

#include "utility/internal/FreedesktopTrash.h"
#include "utility/MessageService.h"
#include "utility/Win32API.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pembry {

namespace {

constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kInvalidParameter = 87;
constexpr int kCancelled = 117;
constexpr int kAlreadyExists = 183;
constexpr int kDirectoryInvalid = 267;

const QString CRLF2 = QStringLiteral("\r\n\r\n");

fs::path fsPath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

// Both "\" and "/" separate folders; a relative name is taken from the
// current folder.
QString normalised(const QString &path)
{
    QString p = path;
    p.replace(u'\\', u'/');
    return QDir::cleanPath(QFileInfo(p).absoluteFilePath());
}

bool hasWildcard(const QString &path)
{
    const QString name = QFileInfo(QString(path).replace(u'\\', u'/')).fileName();
    return name.contains(u'*') || name.contains(u'?');
}

bool existsItem(const QString &path)
{
    std::error_code ec;
    return fs::symlink_status(fsPath(path), ec).type() != fs::file_type::not_found && !ec;
}

bool isRealFolder(const QString &path)
{
    std::error_code ec;
    return fs::symlink_status(fsPath(path), ec).type() == fs::file_type::directory;
}

QString quoted(const QString &path)
{
    return u'"' + path + u'"';
}

[[noreturn]] void fail(int code, const QString &description)
{
    throw FileOperationFailure{code, description};
}

[[noreturn]] void failWith(const std::error_code &error, const QString &what)
{
    fail(windowsErrorCode(error.value()), what + QStringLiteral(": ") + QString::fromStdString(error.message()));
}

bool ask(const QString &question)
{
    return MsgBox(question, mb::YesNo | mb::Question) == mb::Yes;
}

// "name (2).ext", "name (3).ext", ...: the first that is free.
QString freeName(const QString &target)
{
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    const bool folderItem = isRealFolder(target);
    const QString base = folderItem || info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    const QString suffix = folderItem || info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1/%2 (%3)%4").arg(folder, base).arg(n).arg(suffix);
        if (!existsItem(candidate))
            return candidate;
    }
}

// Copies one file beside the target and renames it over the target.
void copyFileAtomically(const QString &source, const QString &target)
{
    static std::atomic<int> counter{0};
    const QFileInfo info(target);
    const QString temporary = QStringLiteral("%1/.%2.part-%3-%4")
                                  .arg(info.absolutePath(), info.fileName())
                                  .arg(::getpid())
                                  .arg(counter++);
    std::error_code ec;
    fs::copy_file(fsPath(source), fsPath(temporary), fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(fsPath(temporary), fsPath(target), ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(fsPath(temporary), ignored);
        failWith(ec, QStringLiteral("Cannot copy %1 to %2").arg(quoted(source), quoted(target)));
    }
}

void copyLink(const QString &source, const QString &target)
{
    std::error_code ec;
    if (existsItem(target))
        fs::remove(fsPath(target), ec);
    if (!ec)
        fs::copy_symlink(fsPath(source), fsPath(target), ec);
    if (ec)
        failWith(ec, QStringLiteral("Cannot copy the link %1 to %2").arg(quoted(source), quoted(target)));
}

// Copies a file, link or folder tree; a folder merges into an existing one.
void copyTree(const QString &source, const QString &target)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(fsPath(source), ec);
    if (ec)
        failWith(ec, QStringLiteral("Cannot read %1").arg(quoted(source)));
    if (fs::is_symlink(status)) {
        copyLink(source, target);
        return;
    }
    if (!fs::is_directory(status)) {
        copyFileAtomically(source, target);
        return;
    }
    fs::create_directory(fsPath(target), fsPath(source), ec);
    if (ec)
        failWith(ec, QStringLiteral("Cannot create the folder %1").arg(quoted(target)));
    const QStringList names = QDir(source).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                         | QDir::NoDotAndDotDot,
                                                     QDir::Name);
    for (const QString &name : names)
        copyTree(source + u'/' + name, target + u'/' + name);
}

}  // namespace

int windowsErrorCode(int posixErrno)
{
    switch (posixErrno) {
    case ENOENT: return kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM: return 5;           // access denied
    case EBUSY:
    case ETXTBSY: return 32;        // sharing violation
    case EEXIST: return 80;         // file exists
    case ENOSPC:
    case EDQUOT: return 112;        // disk full
    case EROFS: return 19;          // write protected
    case ENAMETOOLONG: return 206;  // file name too long
    case ENOTEMPTY: return 145;     // folder not empty
    case EXDEV: return 17;          // not the same device
    case EISDIR: return kDirectoryInvalid;
    case EINVAL: return kInvalidParameter;
    case ELOOP: return 1921;        // cannot be resolved (too many links)
    default: return 1117;           // I/O device error
    }
}

void ShellFileOperation::run(const QStringList &from, const QStringList &to) const
{
    if (m_operation < FileMove || m_operation > FileRename)
        fail(kInvalidParameter, QStringLiteral("Unknown file operation %1").arg(m_operation));
    const QStringList sources = expandSources(from);
    if (m_operation == FileDelete) {
        for (const QString &source : sources)
            deleteItem(source);
        return;
    }
    for (Job job : plan(from, sources, to)) {
        if (m_operation == FileRename) {
            renameItem(job);
            continue;
        }
        if (isRealFolder(job.source) && job.target.startsWith(job.source + u'/'))
            fail(kInvalidParameter, QStringLiteral("Cannot put the folder %1 inside itself (%2)")
                                        .arg(quoted(job.source), quoted(job.target)));
        if (existsItem(job.target) && !resolveCollision(job))
            continue;
        if (m_operation == FileCopy)
            copyTree(job.source, job.target);
        else
            moveItem(job.source, job.target);
    }
}

QStringList ShellFileOperation::expandSources(const QStringList &from) const
{
    QStringList sources;
    for (const QString &item : from) {
        const QString path = normalised(item);
        if (!hasWildcard(item)) {
            if (!existsItem(path))
                fail(kFileNotFound, QStringLiteral("Cannot find %1: no such file or folder").arg(quoted(path)));
            sources.append(path);
            continue;
        }
        const QFileInfo info(path);
        const QDir folder(info.absolutePath());
        if (!folder.exists())
            fail(kPathNotFound, QStringLiteral("Cannot find the folder %1").arg(quoted(folder.path())));
        // "*.*" means every name, with or without a dot.
        const QString pattern = info.fileName() == QLatin1String("*.*") ? QStringLiteral("*") : info.fileName();
        QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        if (!has(FOF_OperateOnFilesOnly))
            filters |= QDir::Dirs;
        for (const QString &name : folder.entryList({pattern}, filters, QDir::Name))
            sources.append(folder.absoluteFilePath(name));
    }
    return sources;
}

QList<ShellFileOperation::Job> ShellFileOperation::plan(const QStringList &from, const QStringList &sources,
                                                        const QStringList &to) const
{
    QList<Job> jobs;
    if (to.isEmpty())
        fail(kInvalidParameter, QStringLiteral("No destination given"));
    if (m_operation == FileRename) {
        if (sources.size() != 1 || to.size() != 1)
            fail(kInvalidParameter, QStringLiteral("A rename needs one source and one new name (%1 and %2 given)")
                                        .arg(sources.size())
                                        .arg(to.size()));
        // A new name without a folder stays in the source's folder.
        QString newName = to.first();
        newName.replace(u'\\', u'/');
        const QString target = QDir::isAbsolutePath(newName)
            ? QDir::cleanPath(newName)
            : QDir::cleanPath(QFileInfo(sources.first()).absolutePath() + u'/' + newName);
        jobs.append({sources.first(), target});
        return jobs;
    }
    if (has(FOF_MultipleDestinationFiles) && to.size() > 1) {
        if (to.size() != sources.size())
            fail(kInvalidParameter, QStringLiteral("%1 destinations given for %2 sources").arg(to.size()).arg(sources.size()));
        for (qsizetype i = 0; i < sources.size(); ++i) {
            const QString target = normalised(to[i]);
            ensureFolder(QFileInfo(target).absolutePath());
            jobs.append({sources[i], target});
        }
        return jobs;
    }
    if (to.size() != 1)
        fail(kInvalidParameter, QStringLiteral("%1 destinations given; one destination folder expected").arg(to.size()));
    const QString destination = normalised(to.first());
    const bool singleItem = from.size() == 1 && !hasWildcard(from.first()) && sources.size() == 1;
    if (singleItem && !QFileInfo(destination).isDir()) {
        // The destination is the item's new name.
        ensureFolder(QFileInfo(destination).absolutePath());
        jobs.append({sources.first(), destination});
        return jobs;
    }
    ensureFolder(destination);
    for (const QString &source : sources)
        jobs.append({source, destination + u'/' + QFileInfo(source).fileName()});
    return jobs;
}

void ShellFileOperation::ensureFolder(const QString &folder) const
{
    const QFileInfo info(folder);
    if (info.isDir())
        return;
    if (info.exists())
        fail(kDirectoryInvalid, QStringLiteral("%1 is a file, not a folder").arg(quoted(folder)));
    if (!has(FOF_NoConfirmMakeDirectory)
        && !ask(QStringLiteral("The folder %1 does not exist.").arg(quoted(folder)) + CRLF2
                + QStringLiteral("Do you want to create it?")))
        fail(kCancelled, QStringLiteral("The operation was cancelled: the folder %1 was not created").arg(quoted(folder)));
    std::error_code ec;
    fs::create_directories(fsPath(folder), ec);
    if (ec)
        failWith(ec, QStringLiteral("Cannot create the folder %1").arg(quoted(folder)));
}

bool ShellFileOperation::resolveCollision(Job &job) const
{
    std::error_code ec;
    if (fs::equivalent(fsPath(job.source), fsPath(job.target), ec)) {
        // Copying an item onto itself makes a second one with a free name.
        if (m_operation != FileCopy)
            return false;
        job.target = freeName(job.target);
        return true;
    }
    if (has(FOF_RenameFileOnCollision)) {
        job.target = freeName(job.target);
        return true;
    }
    if (isRealFolder(job.source) != isRealFolder(job.target))
        fail(kAlreadyExists, QStringLiteral("Cannot replace %1 with %2: one is a folder, the other is not")
                                 .arg(quoted(job.target), quoted(job.source)));
    if (has(FOF_NoConfirm))
        return true;
    return ask(QStringLiteral("%1 already exists.").arg(quoted(job.target)) + CRLF2
               + QStringLiteral("Do you want to replace it with %1?").arg(quoted(job.source)));
}

void ShellFileOperation::moveItem(const QString &source, const QString &target) const
{
    std::error_code ec;
    // A folder moved onto an existing folder merges into it.
    const bool merge = isRealFolder(source) && isRealFolder(target);
    if (!merge) {
        fs::rename(fsPath(source), fsPath(target), ec);
        if (!ec)
            return;
        if (ec.value() != EXDEV)
            failWith(ec, QStringLiteral("Cannot move %1 to %2").arg(quoted(source), quoted(target)));
    }
    // Another file system, or a merge: copy, then remove the source.
    copyTree(source, target);
    ec.clear();
    fs::remove_all(fsPath(source), ec);
    if (ec)
        failWith(ec, QStringLiteral("Moved %1 to %2 but cannot remove the original").arg(quoted(source), quoted(target)));
}

void ShellFileOperation::deleteItem(const QString &path) const
{
    const bool toTrash = has(FOF_AllowUndoOperation);
    if (!has(FOF_NoConfirm)) {
        const QString question = toTrash
            ? QStringLiteral("Do you want to move %1 to the trash?").arg(quoted(path))
            : QStringLiteral("Do you want to delete %1 permanently?").arg(quoted(path));
        if (!ask(question))
            return;
    }
    std::error_code ec;
    if (toTrash) {
        ec = FreedesktopTrash::moveToTrash(path);
        if (ec)
            failWith(ec, QStringLiteral("Cannot move %1 to the trash").arg(quoted(path)));
        return;
    }
    fs::remove_all(fsPath(path), ec);
    if (ec)
        failWith(ec, QStringLiteral("Cannot delete %1").arg(quoted(path)));
}

void ShellFileOperation::renameItem(const Job &job) const
{
    Job renamed = job;
    if (existsItem(renamed.target) && renamed.target != renamed.source) {
        std::error_code ec;
        // A change of letter case on a case-insensitive file system is no collision.
        if (!fs::equivalent(fsPath(renamed.source), fsPath(renamed.target), ec)) {
            if (!has(FOF_RenameFileOnCollision))
                fail(kAlreadyExists, QStringLiteral("Cannot rename %1 to %2: that name is taken")
                                         .arg(quoted(renamed.source), quoted(renamed.target)));
            renamed.target = freeName(renamed.target);
        }
    }
    std::error_code ec;
    fs::rename(fsPath(renamed.source), fsPath(renamed.target), ec);
    if (ec)
        failWith(ec, QStringLiteral("Cannot rename %1 to %2").arg(quoted(renamed.source), quoted(renamed.target)));
}

}  // namespace pembry
