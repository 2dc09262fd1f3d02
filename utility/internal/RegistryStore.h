#pragma once
// Pembry31's own registry: a per-user SQLite file holding the predefined
// roots, keys (names compared without letter case) and typed values, reached
// through calls shaped like the Win32 registry functions and returning
// Windows' error codes.
//
// The file is $XDG_DATA_HOME/pembry31/registry.sqlite3, or the path in the
// environment variable PEMBRY31_REGISTRY; it must be a regular file or not
// exist yet. A store carries its own mark (the SQLite application_id) and
// tables; any other database is refused and left as it is. Every write is one
// SQLite transaction taken with the write lock up front, in WAL mode, so
// readers never wait for writers, and writers of several processes take
// turns fairly. Key and value names are always bound as parameters, never
// pasted into SQL text.
//
// String data is stored as bytes the way the "A" functions pass it: UTF-8
// text, REG_SZ and REG_EXPAND_SZ with a terminating NUL, REG_MULTI_SZ as
// NUL-separated strings ending with two NULs. Helpers below convert.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace pembry::registry {

using HKEY = quint32;
using REGSAM = quint32;

// Predefined root handles.
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

// Access rights checked on opened handles.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Value types.
constexpr quint32 REG_NONE = 0;
constexpr quint32 REG_SZ = 1;
constexpr quint32 REG_EXPAND_SZ = 2;
constexpr quint32 REG_BINARY = 3;
constexpr quint32 REG_DWORD = 4;
constexpr quint32 REG_DWORD_BIG_ENDIAN = 5;
constexpr quint32 REG_LINK = 6;
constexpr quint32 REG_MULTI_SZ = 7;

// Dispositions of RegCreateKeyEx.
constexpr quint32 REG_CREATED_NEW_KEY = 1;
constexpr quint32 REG_OPENED_EXISTING_KEY = 2;

// Windows error codes the calls return.
constexpr qint32 ERROR_SUCCESS = 0;
constexpr qint32 ERROR_FILE_NOT_FOUND = 2;
constexpr qint32 ERROR_PATH_NOT_FOUND = 3;
constexpr qint32 ERROR_ACCESS_DENIED = 5;
constexpr qint32 ERROR_INVALID_HANDLE = 6;
constexpr qint32 ERROR_LOCK_VIOLATION = 33;     // the store stayed locked by another process
constexpr qint32 ERROR_INVALID_PARAMETER = 87;
constexpr qint32 ERROR_DISK_FULL = 112;
constexpr qint32 ERROR_ALREADY_EXISTS = 183;
constexpr qint32 ERROR_NO_MORE_ITEMS = 259;
constexpr qint32 ERROR_BADDB = 1009;            // a saved-key file or store of another format
constexpr qint32 ERROR_BADKEY = 1010;           // an invalid key name or path
constexpr qint32 ERROR_REGISTRY_CORRUPT = 1015; // the store file is damaged
constexpr qint32 ERROR_REGISTRY_IO_FAILED = 1016;
constexpr qint32 ERROR_KEY_DELETED = 1018;

struct KeyInfo {
    QString className;
    quint32 subKeys = 0;
    quint32 maxSubKeyLen = 0;     // characters, without a terminating NUL
    quint32 maxClassLen = 0;
    quint32 values = 0;
    quint32 maxValueNameLen = 0;  // characters, without a terminating NUL
    quint32 maxValueLen = 0;      // bytes
    QDateTime lastWriteTime;      // UTC
};

qint32 RegOpenKeyEx(HKEY key, const QString &subKey, quint32 options, REGSAM desired, HKEY *result);
// Opens subKey, creating it and any missing keys above it. *disposition gets
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
qint32 RegCreateKeyEx(HKEY key, const QString &subKey, const QString &className, quint32 options,
                      REGSAM desired, HKEY *result, quint32 *disposition);
qint32 RegCloseKey(HKEY key);
qint32 RegQueryInfoKey(HKEY key, KeyInfo *info);
// Values in the order they were first written; ERROR_NO_MORE_ITEMS past the end.
qint32 RegEnumValue(HKEY key, quint32 index, QString *name, quint32 *type, QByteArray *data);
// Sub-keys in alphabetical order without letter case; ERROR_NO_MORE_ITEMS past the end.
qint32 RegEnumKeyEx(HKEY key, quint32 index, QString *name, QString *className = nullptr,
                    QDateTime *lastWriteTime = nullptr);
qint32 RegQueryValueEx(HKEY key, const QString &valueName, quint32 *type, QByteArray *data);
qint32 RegSetValueEx(HKEY key, const QString &valueName, quint32 type, const QByteArray &data);
qint32 RegDeleteValue(HKEY key, const QString &valueName);
// Deletes a key that has no sub-keys (ERROR_ACCESS_DENIED otherwise), with its values.
qint32 RegDeleteKey(HKEY key, const QString &subKey);
// Writes the key, its values and its whole sub-tree as "REGEDIT4" text to a
// new file (ERROR_ALREADY_EXISTS when the file is there).
qint32 RegSaveKey(HKEY key, const QString &fileName);
// Replaces the key's values and sub-tree by those saved in the file, in one
// transaction. The whole file is checked first: a file cut short, malformed,
// or beyond the limits of the calls above is refused with its line, and the
// key is left as it was. The saved key's own name does not matter. flags:
// unused.
qint32 RegRestoreKey(HKEY key, const QString &fileName, quint32 flags);

// Where the store lives (PEMBRY31_REGISTRY, or the per-user default).
QString storeFilePath();
// A sentence naming the file and the problem behind the last failing call of
// this thread ("" after a success).
QString lastErrorText();
// How long a call waits for another process's write lock before it fails
// with ERROR_LOCK_VIOLATION (default 10 s); applies to open handles too.
void setBusyTimeout(int milliseconds);
// Whether the store opened last waits for a lock with the fair wait, which
// needs the SQLite library the Qt driver loaded; otherwise the driver's
// busy timeout applies.
bool lastOpenWaitsFairly();
// How many times this process has read a key's value or sub-key listing from
// the file; a walk by index over an unchanged key reads it once.
quint64 listingReads();

// The form in which key and value names are compared: each character in its
// simple upper case, as the registry compares them.
QString foldName(const QString &name);

// Data conversions for the string types.
QByteArray stringData(const QString &text);           // UTF-8 plus one NUL
QString stringFromData(const QByteArray &data);       // drops one terminating NUL
QByteArray multiStringData(const QStringList &items); // each with NUL, then a final NUL
QStringList multiStringFromData(const QByteArray &data);
QByteArray dwordData(quint32 value);                  // little-endian
quint32 dwordFromData(const QByteArray &data);        // 0 unless 4 bytes

}  // namespace pembry::registry
