#pragma once
// The work behind Win32API::FileOperation: moving, copying, deleting or
// renaming lists of files and folders with std::filesystem, as the shell's
// file operation does it.
//
// - Sources may end in a wildcard name ("*.txt", "*.*"); every other source
//   must exist, and all are checked before anything is changed.
// - One destination that is an existing folder receives every source; one
//   destination that does not exist is the new name of a single source, or
//   a folder made for several. With FOF_MultipleDestinationFiles the
//   destinations pair up with the sources.
// - A file that is replaced is written beside its target first and renamed
//   over it, so a failure never leaves a half-written file.
// - Without FOF_NoConfirm, replacing and deleting ask first (a "No" passes
//   the item over); without FOF_NoConfirmMakeDirectory, making a missing
//   destination folder asks first (a "No" cancels the operation).
//   FOF_RenameFileOnCollision gives the new item a free name instead.
// - FOF_AllowUndoOperation makes a delete move the items to the trash.

#include <QString>
#include <QStringList>

namespace pembry {

// A failure with its Windows system error code (2 file not found, 3 path not
// found, 5 access denied, 80 file exists, 112 disk full, ...; 117 the user
// cancelled) and a description naming the file and the problem.
struct FileOperationFailure {
    int code = 0;
    QString description;
};

class ShellFileOperation {
public:
    ShellFileOperation(int operation, int flags) : m_operation(operation), m_flags(flags) {}

    // Throws FileOperationFailure.
    void run(const QStringList &from, const QStringList &to) const;

private:
    struct Job {
        QString source;
        QString target;
    };

    QStringList expandSources(const QStringList &from) const;
    QList<Job> plan(const QStringList &from, const QStringList &sources, const QStringList &to) const;
    void ensureFolder(const QString &folder) const;
    bool resolveCollision(Job &job) const;
    void moveItem(const QString &source, const QString &target) const;
    void deleteItem(const QString &path) const;
    void renameItem(const Job &job) const;
    bool has(int flag) const { return (m_flags & flag) != 0; }

    int m_operation;
    int m_flags;
};

// The Windows system error code nearest to a POSIX errno value.
int windowsErrorCode(int posixErrno);

}  // namespace pembry
