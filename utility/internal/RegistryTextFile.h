#pragma once
// The saved-key file of Pembry31's registry: "REGEDIT4"-style text, written
// so that reading it back gives every value exactly, byte for byte.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Example]
//   @="default value"
//   "Name"="text with \"quotes\" and \\ backslashes"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,ff
//   "List"=hex(7):61,00,62,00,00
//
// A string is written in quotes only when quoting keeps it exact (valid UTF-8
// with one terminating NUL and no other); otherwise as hex(1). Control
// characters inside quotes are written as \xHH. Long hex lines continue with
// ",\" and an indented next line.

#include <QByteArray>
#include <QList>
#include <QString>

namespace pembry::registry {

struct SavedValue {
    QString name;
    quint32 type = 0;
    QByteArray data;
};

struct SavedKey {
    QString relativePath;   // "" for the saved key itself, else "Sub\\Sub2"
    QList<SavedValue> values;
};

// The file text for a key whose full path (with its root name) is rootPath;
// keys[i].relativePath is below it.
QByteArray formatSavedKeys(const QString &rootPath, const QList<SavedKey> &keys);

// Reads a file's text back; sections are made relative to the first one.
// On failure returns false with a message naming the line and the problem.
bool parseSavedKeys(const QByteArray &text, QList<SavedKey> *keys, QString *error);

}  // namespace pembry::registry
