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
//   ; end of saved key
//
// A string is written in quotes only when quoting keeps it exact (valid UTF-8
// with one terminating NUL and no other); otherwise as hex(1). Control
// characters inside quotes are written as \xHH. Long hex lines continue with
// ",\" and an indented next line. The last line marks the file as whole: other
// readers of the format take it for a comment, and a file without it was cut
// short and is refused.

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

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

// Reads a saved-key file entry by entry, holding only the entry being read,
// so a file of any size needs memory for one value. Every byte, digit and
// escape is checked; the first problem ends the reading.
class SavedKeyReader {
public:
    enum class Entry { Key, Value, End, Problem };

    explicit SavedKeyReader(QIODevice *device);

    Entry next();
    // After Key: the key relative to the file's first one ("" for that one).
    const QString &keyPath() const { return m_keyPath; }
    // After Value.
    const SavedValue &value() const { return m_value; }
    // The line the last entry began on.
    qint64 line() const { return m_entryLine; }
    // After Problem: "line N: what is wrong".
    const QString &error() const { return m_error; }

private:
    int peek();
    int get();
    void skipBlanks();
    bool atLineEnd();
    QByteArray restOfLine();
    Entry problem(const QString &what);
    Entry problemAt(qint64 line, const QString &what);
    Entry readKey();
    Entry readValue();
    bool readQuoted(QByteArray *out);
    bool readDword();
    bool readHex();

    QIODevice *m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_line = 1;
    qint64 m_entryLine = 1;
    bool m_sawHeader = false;
    bool m_sawEnd = false;
    QString m_rootPath;
    bool m_sawKey = false;
    QString m_keyPath;
    SavedValue m_value;
    QString m_error;
};

// Reads a whole file's text; sections are made relative to the first one.
// On failure returns false with a message naming the line and the problem.
bool parseSavedKeys(const QByteArray &text, QList<SavedKey> *keys, QString *error);

}  // namespace pembry::registry
