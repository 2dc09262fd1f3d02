#pragma once
// Names in the generated module: valid Basic identifiers, the table of names
// the module declares itself, and procedure names unique within the module
// (Basic compares names without letter case).

#include <QHash>
#include <QLatin1StringView>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

namespace tabulo {

// True for a word Basic reserves for its own statements and types.
bool isBasicKeyword(QStringView word);

// `text` made a valid Basic identifier: every character an identifier cannot
// hold (anything but letters, digits and "_", and any character Windows-1252
// cannot hold) becomes "_"; a name that is empty, starts with a digit or "_",
// or is a keyword gets "Proc_" in front; a name longer than Basic's 255
// characters is cut.
QString basicIdentifier(QStringView text);

// The procedures of a generated module, as bits: where a name is declared.
enum ModuleProcedure : quint8 {
    WrapperProcedure = 0x1,     // CreateNewDatabase
    TableProcedures = 0x2,
    IndexesProcedure = 0x4,
    RelationsProcedure = 0x8,
    QueriesProcedure = 0x10,
    EveryProcedure = 0x1F,      // a name of the module, or one Basic or DAO gives it
};

// The options that add names to a module, as bits. A bool converts to the
// design-properties bit alone.
enum ModuleOption : quint8 {
    WithDesignProperties = 0x1,   // the design properties of tables and fields
    WithQueries = 0x2,            // the saved queries
};

// A name a generated module declares or calls, and the procedures that hold
// it: a variable of that name there would clash with it or hide it.
struct ModuleName {
    QLatin1StringView name;
    quint8 procedures;       // ModuleProcedure bits
    quint8 options = 0;      // ModuleOption bits: only in a module with one of them; 0: in every module

    constexpr bool isIn(quint8 moduleOptions) const { return options == 0 || (options & moduleOptions) != 0; }
};

// The ModuleOption bits of a module written with these settings.
constexpr quint8 moduleOptions(bool withDesignProperties, bool withQueries)
{
    return quint8((withDesignProperties ? WithDesignProperties : 0) | (withQueries ? WithQueries : 0));
}

// Every name the generated module declares (its public procedure, the
// helper, labels, local variables, constants and parameters) and every
// built-in function, object, type and DAO constant it calls. No generated
// procedure takes one of them, and no variable setting takes one declared
// in its procedures. The helper's own parameters are left out: no setting
// and no call shares its procedure.
std::span<const ModuleName> moduleNames();

// Whether `name` is one of moduleNames() held in one of `procedures` of a
// module written with `moduleOptions` (ModuleOption bits), compared as Basic
// compares names (without letter case).
bool isModuleName(QStringView name, quint8 procedures, quint8 moduleOptions);

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
