#pragma once
// Names of generated procedures: valid Basic identifiers, unique within the
// module (Basic compares names without letter case).

#include <QSet>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace tabulo {

// True for a word Basic reserves for its own statements and types.
bool isBasicKeyword(QStringView word);

// `text` made a valid Basic identifier: every character an identifier cannot
// hold (anything but letters, digits and "_", and any character Windows-1252
// cannot hold) becomes "_"; a name that is empty, starts with a digit or "_",
// or is a keyword gets "Proc_" in front; a name longer than Basic's 255
// characters is cut.
QString basicIdentifier(QStringView text);

// The names a generated module uses in all its procedures: the public
// procedure, the labels, and the built-in functions, objects, types and DAO
// constants it calls. A procedure or variable of such a name would clash
// with them or hide them. (The variables some procedures declare for
// themselves are the module writer's to know.)
const QStringList &moduleNames();

// The names a module that recreates design properties uses besides
// moduleNames(): the helper procedure that sets or creates a property.
const QStringList &designPropertyNames();

// Whether `name` is one of moduleNames(), or, for a module with design
// properties, of designPropertyNames(), compared as Basic compares names
// (without letter case).
bool isModuleName(QStringView name, bool withDesignProperties = false);

// Hands out procedure names that differ from every reserved name and from
// each other: the first to ask for a name gets it, later ones get "_2",
// "_3", ... appended.
class ProcedureNames {
public:
    // A name the module already uses (another procedure, a variable, a
    // constant or a built-in function the module calls).
    void reserve(const QString &name);
    bool isTaken(const QString &name) const;

    // `identifier` (already valid) or the first free "identifier_n"; the
    // result is reserved.
    QString claim(const QString &identifier);

private:
    static QString key(const QString &name);

    QSet<QString> m_taken;          // case-folded
    QHash<QString, int> m_nextSuffix;  // case-folded base -> next number to try
};

}  // namespace tabulo
