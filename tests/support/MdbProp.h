#pragma once
// What mdbtools prints about a Jet file, read back for comparison: the
// property sets `mdb-prop FILE TABLE` prints, and the catalogue rows of the
// tables it can describe.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace mdbprop {

// What mdb-prop prints for one object: a set for the object itself (target
// empty) and one for each column, each a list of property names and texts.
struct PrintedSet {
    QString target;
    QList<QPair<QString, QString>> values;
};
using Printed = QList<PrintedSet>;

Printed parsePrinted(const QString &text);

// The standard output of `program`; empty when it fails.
QString run(const QString &program, const QStringList &arguments);

// mdb-prop's own path; empty when mdbtools is not installed.
QString program();

// What mdb-prop prints for `table` of `file`, parsed.
Printed printedFor(const QString &file, const QString &table);

// The rows of CSV text as mdb-export writes it: quoted fields may hold
// commas, doubled quotes and line breaks.
QList<QStringList> csvRows(const QString &text);

// What the catalogue (MSysObjects) says about the local tables mdb-prop
// can describe. mdb-prop finds an object by its name alone and, for one
// without a property block (LvProp), prints the properties of whatever
// object it read before; so only the tables with a block whose name no
// other object (a form, a query) shares can be compared.
struct Catalogue {
    QStringList withBlocks;   // local tables with a property block
    QStringList shared;       // of those, names another object has too
    QMap<QString, QByteArray> blocks;   // their property blocks

    bool comparable(const QString &table) const { return withBlocks.contains(table) && !shared.contains(table); }
};

Catalogue catalogue(const QString &file);

// The properties carried as members of a field or a table rather than in
// its list of further properties, and those the engine keeps itself.
extern const QStringList FieldMembers;
extern const QStringList TableMembers;
extern const QStringList EngineMaintained;

// Whether a value of DAO type `type` (in the C++ type the engine serves it
// in) is what mdb-prop prints: yes/no for Booleans, "(binary data of length
// N)" for binaries, numbers for the number types, the text itself for texts.
bool samePrinted(int type, const QVariant &value, const QString &printed);

}  // namespace mdbprop
