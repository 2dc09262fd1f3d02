#pragma once
// Splits a command line of the form «/name value /name2 value2 /flag» into
// named parameters, found by name (letter case ignored) or by 1-based
// position. Without a CommandLine of its own it reads the arguments the
// process was started with.
//
//   CommandParams params;
//   params.ParseCommandLine();
//   for (const clsCommandParam &p : params) ...
//   QString out = params.GetCommandLineItem("out").toString();

#include "utility/Variant.h"
#include "utility/clsCommandParam.h"

#include <QHash>
#include <QString>
#include <deque>

namespace pembry {

class CommandParams {
public:
    using const_iterator = std::deque<clsCommandParam>::const_iterator;

    // The command-line text. When none was set, the process's own arguments
    // (after the program name, blank-separated, an argument holding a blank
    // in double quotes) become it. A text that does not start with "/" gets
    // one in front.
    QString CommandLine();
    // Stores the text without its leading and trailing blanks.
    void setCommandLine(const QString &value);

    // The parameter at a 1-based position (error 9 outside 1..Count) or with
    // a name (error 5 when there is none).
    clsCommandParam &Item(const Variant &vntIndexKey);
    qint32 Count() const { return qint32(m_items.size()); }

    // The value of the named parameter; Empty when there is none.
    Variant GetCommandLineItem(const QString &strParamName) const;
    bool FindCommandLineItem(const QString &strParamName) const;

    // Adds the parameters of CommandLine in their order: double quotes are
    // removed; a "/" starts a name that ends at the next blank; the value is
    // the rest up to the next "/", trimmed. A name already present raises
    // error 457 after the parameters before it have been added.
    void ParseCommandLine();

    const_iterator begin() const { return m_items.cbegin(); }
    const_iterator end() const { return m_items.cend(); }

    // The process's own arguments joined as one command-line text: from
    // QCoreApplication when one exists, else from /proc/self/cmdline.
    static QString processArguments();

private:
    const clsCommandParam *find(const QString &name) const;
    void add(const QString &name, const QString &value);

    QString m_commandLine;
    std::deque<clsCommandParam> m_items;      // references stay valid as items are added
    QHash<QString, qsizetype> m_byName;       // folded name -> position - 1
};

}  // namespace pembry
