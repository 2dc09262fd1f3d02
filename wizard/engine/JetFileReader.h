#pragma once
// Reads Jet files for the Jet file engine. The file's header is checked
// here (format, database password); the design itself is read by
// tabulo-schema-reader in a child process with a time and a memory limit,
// so that a file that crashes or hangs libmdb costs an error, not the
// program.

#include "wizard/engine/ModelDatabase.h"
#include "wizard/engine/ReaderChild.h"
#include "wizard/engine/ReaderSettings.h"

#include <QStringList>

#include <memory>

namespace dao {

class ReaderProcess;

class JetFileReader {
public:
    explicit JetFileReader(JetFileReaderSettings settings = {});
    ~JetFileReader();
    JetFileReader(JetFileReader &&) noexcept;
    JetFileReader &operator=(JetFileReader &&) noexcept;

    JetFileReaderSettings &settings() { return m_settings; }

    // The design of the Jet database `path`, opened with the database
    // password `password`. Fails through `errorList`: 3024 missing file, 3051
    // unreadable, 3031 wrong password, 3343 not a Jet file this build opens
    // or one the reader cannot read (the description names the file).
    schema::Database readDatabase(const QString &path, const QString &password,
                                  ErrorList &errorList) const;

    // The user names of the workgroup file `path` (MSysAccounts rows with
    // FGroup 0). Fails with 3028 when the file is missing or no workgroup.
    QStringList readWorkgroupUsers(const QString &path, ErrorList &errorList) const;

    // Starts the reader on the Jet file `path` now; the next readDatabase of
    // that file takes its answer, any other reading stops it unused.
    void readAhead(const QString &path);

private:
    JetFileReaderSettings m_settings;
    // The run readAhead started, until a reading takes or drops it.
    mutable std::unique_ptr<ReaderProcess> m_ahead;
};

// Whether `path` is a regular file whose first page is an ACE database's
// (Access 2007 or later), whatever the file is called.
bool isAceDatabaseFile(const QString &path);

}  // namespace dao
