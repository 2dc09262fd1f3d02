#pragma once
// Writes the text of the generated Basic module: the wrapper procedure
// CreateNewDatabase, one procedure per table, the Relations procedure, the
// Queries procedure, the Indexes procedure and, when a table or query sets
// design properties, the SetDesignProperty procedure they call. It only writes text; the checks of
// the settings are SettingsCheck's, the code file ModuleDelivery's, reading
// progress and the handling of failures clsWriteNewDatabase's. Lines end
// with CR LF.
//
// A run is: begin(), addTable() for each chosen table in list order,
// addRelations() when relations are wanted, addQueries() when queries are
// wanted, then finish().

#include "wizard/engine/SchemaModel.h"
#include "wizard/generator/GeneratorSettings.h"
#include "wizard/generator/SettingsCheck.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace tabulo {

// A field the module names in a comment only: no DAO type names its
// storage type.
struct LeftOutField {
    QString table;
    QString field;
    int storageType = 0;
};

class ModuleWriter {
public:
    // Keeps a copy of `style`: the settings as they were when the run began.
    explicit ModuleWriter(GeneratorSettings style);
    ~ModuleWriter();

    // Refuses the settings checkCodeStyle() refuses, then starts the module.
    void begin();

    // Makes room at once for a module of about `characters` characters (an
    // earlier run's, say), so that the text does not grow by copies.
    void expectLength(qsizetype characters);

    // Says how many tables the run is to add: once the first is written,
    // room is made for all of them at its size, so that a long module is
    // not copied each time its text outgrows its room.
    void expectTables(int count);

    // Reads one table definition: its procedure, its wrapper call and its
    // part of the Indexes procedure.
    void addTable(const schema::Table &table);

    // Writes the relationships whose two tables are both chosen. `isReplica`
    // decides whether PartialReplica lines are written.
    void addRelations(const QList<schema::Relation> &relations,
                      const std::function<bool(const QString &)> &isChosen, bool isReplica);

    // Whether addRelations wrote at least one relationship (then the module
    // holds the Relations procedure and, with the wrapper, its call).
    bool relationWritten() const;

    // Writes the Queries procedure: the saved queries that read only the
    // tables of `chosenTables` and queries it writes, each after the queries
    // it reads. Without the setting includeQueries nothing is written.
    void addQueries(const QList<schema::Query> &queries, const QStringList &chosenTables);

    // Whether addQueries wrote at least one query (then the module holds
    // the Queries procedure and, with the wrapper, its call).
    bool queryWritten() const;

    // What the module leaves out of the source's queries, or writes in
    // another order than their sources need, one sentence each.
    const QStringList &queryWarnings() const;

    // Closes the wrapper and assembles the module text.
    QString finish();

    // The fields written as a comment only, in module order.
    const QList<LeftOutField> &leftOutFields() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// The source database is a replica when its design-master or replica id is
// not empty.
bool isReplica(const schema::Database &database);

}  // namespace tabulo
