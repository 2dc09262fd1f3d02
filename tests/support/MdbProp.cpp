#include "MdbProp.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <utility>

namespace mdbprop {

const QStringList FieldMembers{"Required", "AllowZeroLength", "DefaultValue", "ValidationRule", "ValidationText"};
const QStringList TableMembers{"ValidationRule", "ValidationText"};
const QStringList EngineMaintained{"GUID", "NameMap"};

Printed parsePrinted(const QString &text)
{
    Printed sets;
    int blanks = 0;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.isEmpty()) {
            ++blanks;
        } else if (line.startsWith(QLatin1String("name: "))) {
            const QString target = line.mid(6);
            sets.append({target == QLatin1String("(none)") ? QString() : target, {}});
        } else if (line.startsWith(QLatin1Char('\t')) && !sets.isEmpty()) {
            const qsizetype colon = line.indexOf(QLatin1String(": "));
            sets.last().values.append({line.mid(1, colon - 1), line.mid(colon + 2)});
        } else if (!sets.isEmpty() && !sets.last().values.isEmpty()) {
            // The rest of a value that holds line breaks.
            sets.last().values.last().second += QString(QLatin1Char('\n')).repeated(blanks + 1) + line;
        }
        if (!line.isEmpty())
            blanks = 0;
    }
    return sets;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("mdb-prop"));
}

Printed printedFor(const QString &file, const QString &table)
{
    return parsePrinted(run(program(), {file, table}));
}

QList<QStringList> csvRows(const QString &text)
{
    QList<QStringList> rows(1);
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
            field += c;
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char(',')) {
            rows.last().append(std::exchange(field, {}));
        } else if (!quoted && c == QLatin1Char('\n')) {
            rows.last().append(std::exchange(field, {}));
            rows.append(QStringList());
        } else {
            field += c;
        }
    }
    return rows;
}

Catalogue catalogue(const QString &file)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mdb-export"));
    const QList<QStringList> rows = csvRows(run(program, {QStringLiteral("-b"), QStringLiteral("hex"), file,
                                                          QStringLiteral("MSysObjects")}));
    const QStringList header = rows.value(0);
    const qsizetype name = header.indexOf(QStringLiteral("Name")), type = header.indexOf(QStringLiteral("Type")),
                    block = header.indexOf(QStringLiteral("LvProp"));
    Catalogue result;
    QMap<QString, int> uses;
    for (const QStringList &row : rows.mid(1)) {
        if (row.size() != header.size())
            continue;
        ++uses[row[name].toLower()];
        if (row[type] == QLatin1String("1") && !row[block].isEmpty()) {
            result.withBlocks.append(row[name]);
            result.blocks.insert(row[name], QByteArray::fromHex(row[block].toLatin1()));
        }
    }
    for (const QString &table : result.withBlocks) {
        if (uses[table.toLower()] > 1)
            result.shared.append(table);
    }
    return result;
}

bool samePrinted(int type, const QVariant &value, const QString &printed)
{
    switch (type) {
    case 1: return printed == QLatin1String(value.toBool() ? "yes" : "no");
    case 2: case 3: case 4: return printed == QString::number(value.toInt());
    case 6: case 7: {
        bool ok = false;
        const double shown = printed.toDouble(&ok);
        return ok && std::fabs(shown - value.toDouble()) <= 1e-6 * std::max(1.0, std::fabs(value.toDouble()));
    }
    case 9: case 11:
        return printed == QStringLiteral("(binary data of length %1)").arg(value.toByteArray().size());
    default: return printed == value.toString();
    }
}

}  // namespace mdbprop
