#pragma once
// The engine's error list (DBEngine.Errors) and the way every engine member
// fails: fill the list, then throw the last entry as a pembry::BasicError.
// As in DAO, the list is replaced only when an operation fails, so it still
// describes the failure while the caller's error handling runs.

#include "wizard/engine/Dao.h"

#include <QList>

namespace dao {

// More engine error numbers, with DAO's texts in engineErrorText().
namespace errors {
constexpr int FileNotFound = 3024;          // could not find file
constexpr int DiskIo = 3043;                // disk or network error
constexpr int CannotOpenFile = 3051;        // the file cannot be opened (permission, lock)
constexpr int OdbcConnectFailed = 3151;
constexpr int ItemNotFound = 3265;          // item not found in this collection
constexpr int ObjectInvalid = 3420;         // object invalid or no longer set
}  // namespace errors

// DAO's description of an engine error number; `name` fills the "|"
// placeholder where the text names an object or a file.
QString engineErrorText(int number, const QString &name = {});

// One entry for the error list; an empty description takes engineErrorText.
EngineError engineError(int number, const QString &description = {},
                        const QString &source = QStringLiteral("DAO.DBEngine"));

class ErrorList : public Errors {
public:
    int Count() const override { return int(m_entries.size()); }
    // Any index outside 0 to Count() - 1 fails with 3265.
    EngineError Item(int index) const override;

    const QList<EngineError> &entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

    // Replaces the list with `entries` (at least one) and throws the last
    // of them, DAO's highest-level error, as a pembry::BasicError.
    [[noreturn]] void raise(const QList<EngineError> &entries);
    [[noreturn]] void raise(const EngineError &entry) { raise(QList<EngineError>{entry}); }
    // One entry made by engineError().
    [[noreturn]] void fail(int number, const QString &description, const QString &source)
    {
        raise(engineError(number, description, source));
    }

private:
    QList<EngineError> m_entries;
};

}  // namespace dao
