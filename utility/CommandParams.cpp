#include "utility/CommandParams.h"

#include "utility/BasicError.h"
#include "utility/TextHelper.h"
#include "utility/basPublicNotCreateableFunctions.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

namespace pembry {

namespace {

const QString kSource = QStringLiteral("Pembry31.CommandParams");

QString fold(const QString &name)
{
    return name.toCaseFolded();
}

// An argument as it would stand in a Windows command line.
QString quotedArgument(const QString &argument)
{
    if (!argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t'))
        return argument;
    return u'"' + argument + u'"';
}

}  // namespace

QString CommandParams::processArguments()
{
    QStringList arguments;
    if (QCoreApplication::instance()) {
        arguments = QCoreApplication::arguments();
    } else {
        QFile file(QStringLiteral("/proc/self/cmdline"));
        if (file.open(QIODevice::ReadOnly)) {
            QByteArray raw = file.readAll();
            if (raw.endsWith('\0'))
                raw.chop(1);
            for (const QByteArray &part : raw.split('\0'))
                arguments.append(QString::fromLocal8Bit(part));
        }
    }
    if (!arguments.isEmpty())
        arguments.removeFirst();   // the program name
    QStringList quoted;
    for (const QString &argument : std::as_const(arguments))
        quoted.append(quotedArgument(argument));
    return quoted.join(u' ');
}

QString CommandParams::CommandLine()
{
    if (m_commandLine.isEmpty())
        m_commandLine = basicTrim(processArguments());
    if (!m_commandLine.isEmpty() && !m_commandLine.startsWith(u'/'))
        m_commandLine.prepend(u'/');
    return m_commandLine;
}

void CommandParams::setCommandLine(const QString &value)
{
    m_commandLine = basicTrim(value);
}

clsCommandParam &CommandParams::Item(const Variant &vntIndexKey)
{
    switch (vntIndexKey.kind()) {
    case Variant::Kind::String: {
        const auto it = m_byName.constFind(fold(vntIndexKey.toString()));
        if (it == m_byName.constEnd())
            raiseError(err::InvalidCall, kSource);
        return m_items[std::size_t(*it)];
    }
    case Variant::Kind::Boolean:
    case Variant::Kind::Integer:
    case Variant::Kind::Double: {
        const qint64 position = vntIndexKey.toInteger();
        if (position < 1 || position > qint64(m_items.size()))
            raiseError(err::SubscriptOutOfRange, kSource);
        return m_items[std::size_t(position - 1)];
    }
    default:
        raiseError(err::InvalidCall, kSource);
    }
}

const clsCommandParam *CommandParams::find(const QString &name) const
{
    const auto it = m_byName.constFind(fold(name));
    return it == m_byName.constEnd() ? nullptr : &m_items[std::size_t(*it)];
}

Variant CommandParams::GetCommandLineItem(const QString &strParamName) const
{
    const clsCommandParam *param = find(strParamName);
    return param ? Variant(param->ParamValue()) : Variant();
}

bool CommandParams::FindCommandLineItem(const QString &strParamName) const
{
    return find(strParamName) != nullptr;
}

void CommandParams::add(const QString &name, const QString &value)
{
    const QString key = fold(name);
    if (m_byName.contains(key))
        raiseError(err::DuplicateKey, kSource);
    clsCommandParam param;
    param.setParamName(name);
    param.setParamValue(value);
    m_byName.insert(key, qsizetype(m_items.size()));
    m_items.push_back(param);
}

void CommandParams::ParseCommandLine()
{
    QString text = CommandLine();
    if (text.isEmpty())
        return;
    try {
        text = TextHelper().ReplaceText(text, QStringLiteral("\""), QString());
    } catch (const BasicError &e) {
        throw e.withSource(QStringLiteral("ReplaceText"));
    }
    if (!text.endsWith(u'/'))
        text += QStringLiteral(" /");

    QString name;
    QString value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'/') {
            value += text[i];
            continue;
        }
        if (!name.isEmpty())
            add(basicTrim(name), basicTrim(value));
        value.clear();
        // The name runs to the next blank; the walk goes on at that blank.
        const qsizetype blank = text.indexOf(u' ', i + 1);
        if (blank < 0) {
            // No blank follows: the name runs to the closing "/" at the end.
            name = text.mid(i + 1);
            name.chop(1);
            if (!basicTrim(name).isEmpty())
                add(basicTrim(name), QString());
            break;
        }
        name = text.mid(i + 1, blank - i - 1);
        i = blank - 1;
    }
}

}  // namespace pembry
