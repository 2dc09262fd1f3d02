#pragma once
// Every choice that shapes the generated module or its delivery, with its
// initial value, and the lists of values the front ends offer. The generator
// keeps one of these (clsWriteNewDatabase::settings()); the window collects
// one from its controls at Finish and the command line binds its options
// into one, both starting from windowInitial().

#include <QString>
#include <QStringList>
#include <QStringView>

namespace tabulo {

// The widest indent unit: four indents of it leave a Basic line room.
constexpr qint16 kMaxTabStop = 16;

// The engine format constants a new database can have, in the order of the
// window's "Version" options (the ACE build shows all, the others all but
// the last).
struct JetVersion {
    qint32 code;              // the value of Version
    QStringView constant;     // its name in the generated module
    QStringView engine;       // what the format is called
    // The major version a source database reports for which the window
    // selects this format: the first digit of its version's whole number,
    // 12 for ACE ("12.0").
    qint32 sourceMajor;
};
inline constexpr JetVersion kJetVersions[] = {
    {1, u"dbVersion10", u"Jet 1.0", 0},
    {8, u"dbVersion11", u"Jet 1.1", 1},
    {16, u"dbVersion20", u"Jet 2.0", 2},
    {32, u"dbVersion30", u"Jet 3.x", 3},
    {64, u"dbVersion40", u"Jet 4.0", 4},
    {128, u"dbVersion120", u"ACE 12.0", 12},
};

// The position in kJetVersions of the format for a source of major version
// `sourceMajor`; -1 when there is none.
qsizetype jetVersionIndexOfSource(qint32 sourceMajor);

// The name of the constant for the format `code`; empty for a code not in
// kJetVersions.
QString jetVersionConstant(qint32 code);

struct GeneratorSettings {
    // The table variable of a fresh generator, and the one the window's box
    // (and the command line's option) start with.
    static inline const QString generatorTableVariable = QStringLiteral("tblNew");
    static inline const QString windowTableVariable = QStringLiteral("tdfNew");

    // Code style.
    qint16 tabStop = 3;                          // blanks per indent, 0 to kMaxTabStop
    QString procPrefix = QStringLiteral("subCreate_");
    QString varNameNewDB = QStringLiteral("dbNew");
    QString varNameNewTable = generatorTableVariable;
    QString varNameNewField = QStringLiteral("fldNew");
    QString varNameNewIndex = QStringLiteral("indxNew");
    QString varNameNewRelation = QStringLiteral("relNew");
    QString varNameNewQuery = QStringLiteral("qdfNew");
    bool includeRelations = true;
    bool includeDatabaseWrapper = true;
    // Also recreate index key directions, table validation and the further
    // design properties of tables and fields (descriptions, captions,
    // formats, lookups, datasheet settings).
    bool includeDesignProperties = false;
    // Also recreate the saved queries of the source (its own queries behind
    // forms and reports aside), in a Queries procedure called last.
    bool includeQueries = false;

    // Where the tables are created, and the new database's format.
    QString pathNameDBNew;                       // "Current", "Variable" or a path
    qint32 version = 32;                         // a code of kJetVersions
    qint32 encrypt = 0;                          // 0, or 2 to encrypt
    QString locale = locales().constFirst();

    // Security of the new database.
    qint16 newDBSecurity = 0;                    // 0 none, 1 run-time, 2 hardcoded
    QString pathNameMDWNew;
    QString userNameNew;
    QString passwordMDWNew;
    QString passwordDBNew;                       // ";pwd=..." or empty: see connectPassword()

    // What is written: empty for the Basic module, else the SQL script of
    // that dialect ("sqlite", "postgresql" or "mysql"), UTF-8 with LF line
    // ends. A script takes the tables, the relations setting and
    // lowercaseNames; the code style, the new database and its security
    // mean nothing for it.
    QString sqlDialect;
    bool lowercaseNames = false;                 // SQL: every identifier in lower case

    // Output and delivery.
    QString pathNameCodeFile;                    // empty: no code file
    bool writeVB5Header = false;
    bool runNotepad = false;
    bool copyToClipboard = false;
    qint32 insertPosition = 0;                   // 0 none, 1 top, 2 bottom

    // A database password as typed, in the form passwordDBNew keeps: the
    // connect text the generated code passes on, empty for none.
    static QString connectPassword(const QString &typed);

    // The indent unit: tabStop blanks.
    QString indentUnit() const { return QString(qMax<qint16>(tabStop, 0), u' '); }

    // The values the window's controls show when it opens, which are also
    // the command line's defaults: a fresh generator's, but for the table
    // variable.
    static const GeneratorSettings &windowInitial();

    // The locale constants a new database can be given, the default first.
    static const QStringList &locales();
};

}  // namespace tabulo
