#include "utility/CDialog.h"

#include "utility/BasicError.h"
#include "utility/internal/DesktopServices.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pembry {

namespace {

const QString kSource = QStringLiteral("CDialog");
constexpr int InvalidPicture = 481;

// The kinds of control a file can be loaded into, in the order they are
// probed. Told by class name: the widgets themselves are the desktop
// plugin's business.
enum class TargetKind { None, Picture, List, Text };

TargetKind kindOf(const QObject *ctrl)
{
    if (!ctrl)
        return TargetKind::None;
    if (ctrl->inherits("QLabel"))
        return TargetKind::Picture;
    if (ctrl->inherits("QListWidget") || ctrl->inherits("QComboBox"))
        return TargetKind::List;
    if (ctrl->inherits("QLineEdit") || ctrl->inherits("QPlainTextEdit") || ctrl->inherits("QTextEdit"))
        return TargetKind::Text;
    return TargetKind::None;
}

QString readTextFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            raiseError(err::FileNotFound, kSource, QStringLiteral("File not found: %1").arg(fileName));
        raiseError(err::PathFileAccess, kSource,
                   QStringLiteral("Cannot read %1: %2").arg(fileName, file.errorString()));
    }
    return QString::fromUtf8(file.readAll());
}

void writeTextFile(const QString &fileName, const QString &text)
{
    QSaveFile file(fileName);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        raiseError(err::PathFileAccess, kSource,
                   QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
}

QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();                  // the line end of the last line
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

// One "description|pattern" pair as a Qt name filter: the patterns in
// parentheses, ";" as blanks, "*.*" as "*" (a name without a dot matches too).
QString qtNameFilter(QString description, const QString &pattern)
{
    const QString shown = QStringLiteral("(") + pattern + QStringLiteral(")");
    if (description.endsWith(shown))
        description = description.chopped(shown.size()).trimmed();
    QStringList patterns;
    for (QString p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        patterns.append(p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    if (patterns.isEmpty())
        patterns.append(QStringLiteral("*"));
    const QString list = patterns.join(QLatin1Char(' '));
    description = description.trimmed();
    return description.isEmpty() ? list : description + QStringLiteral(" (") + list + QStringLiteral(")");
}

// The name without folder and without anything from its first dot on.
QString titleOf(const QString &fileName)
{
    const qsizetype cut = std::max({fileName.lastIndexOf(QLatin1Char(':')), fileName.lastIndexOf(QLatin1Char('\\')),
                                    fileName.lastIndexOf(QLatin1Char('/'))});
    const QString name = fileName.mid(cut + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

}  // namespace

void CDialog::setAction(qint16 action)
{
    if (action == OpenDialog)
        ShowOpen();
    else if (action == SaveDialog)
        ShowSave();
}

qint16 CDialog::MultiSelect() const
{
    if ((m_flags & cdlOFNAllowMultiselect) && (m_flags & cdlOFNExplorer))
        return 2;
    return (m_flags & cdlOFNAllowMultiselect) ? 1 : 0;
}

void CDialog::setMultiSelect(qint16 mode)
{
    switch (mode) {
    case 0:
        m_flags &= ~(cdlOFNAllowMultiselect | cdlOFNExplorer);
        break;
    case 1:
        m_flags = (m_flags | cdlOFNAllowMultiselect) & ~cdlOFNExplorer;
        break;
    case 2:
        m_flags |= cdlOFNAllowMultiselect | cdlOFNExplorer;
        break;
    default:
        break;
    }
}

QString CDialog::FileNameDefaultFilter()
{
    // Replace the extension of the name itself (not a dot in a folder name);
    // a name without one gets the default extension added.
    const QString extension = QStringLiteral(".") + m_defaultExt;
    const qsizetype nameStart = std::max(m_filename.lastIndexOf(QLatin1Char('/')),
                                         m_filename.lastIndexOf(QLatin1Char('\\'))) + 1;
    const qsizetype dot = m_filename.lastIndexOf(QLatin1Char('.'));
    m_fileNameDefaultFilter = (dot > nameStart ? m_filename.left(dot) : m_filename) + extension;
    return m_fileNameDefaultFilter;
}

void CDialog::setFilter(const QString &value)
{
    m_filter = value;
    m_filterConsumed = false;
}

void CDialog::AddFilter(const QString &description, const QString &filespec, bool defaultFilter)
{
    if (m_filterConsumed) {
        m_filter.clear();
        m_filterConsumed = false;
    }
    if (!m_filter.isEmpty() && !m_filter.endsWith(QLatin1Char('|')))
        m_filter += QLatin1Char('|');
    m_filter += description;
    if (!filespec.contains(QLatin1Char(';')))
        m_filter += QStringLiteral(" (") + filespec + QStringLiteral(")");
    m_filter += QLatin1Char('|') + filespec;
    if (defaultFilter)
        m_filterIndex = qint16((m_filter.count(QLatin1Char('|')) + 1) / 2);
}

qint16 CDialog::FileReadOnly() const
{
    if (m_flags & cdlOFNHideReadOnly)
        return 2;
    return (m_flags & cdlOFNReadOnly) ? 1 : 0;
}

void CDialog::setFileReadOnly(qint16 mode)
{
    switch (mode) {
    case 0:
        m_flags &= ~(cdlOFNReadOnly | cdlOFNHideReadOnly);
        break;
    case 1:
        m_flags = (m_flags | cdlOFNReadOnly) & ~cdlOFNHideReadOnly;
        break;
    case 2:
        m_flags |= cdlOFNHideReadOnly;
        break;
    default:
        break;
    }
}

qint16 CDialog::FileMustExist() const
{
    const bool fileMustExist = m_flags & cdlOFNFileMustExist;
    const bool pathMustExist = m_flags & cdlOFNPathMustExist;
    const bool createPrompt = m_flags & cdlOFNCreatePrompt;
    const bool overwritePrompt = m_flags & cdlOFNOverwritePrompt;
    if (fileMustExist && pathMustExist)
        return 1;
    if (createPrompt && pathMustExist)
        return 4;
    if (createPrompt)
        return 3;
    if (overwritePrompt && pathMustExist)
        return 6;
    if (overwritePrompt)
        return 5;
    if (pathMustExist)
        return 2;
    return 0;
}

void CDialog::setFileMustExist(qint16 mode)
{
    const qint32 existence = cdlOFNPathMustExist | cdlOFNFileMustExist | cdlOFNCreatePrompt;
    switch (mode) {
    case 1:
        m_flags |= cdlOFNFileMustExist | cdlOFNPathMustExist;
        break;
    case 2:
        m_flags |= cdlOFNPathMustExist;
        break;
    case 3:
        m_flags = (m_flags & ~existence) | cdlOFNCreatePrompt;
        break;
    case 4:
        m_flags = (m_flags & ~existence) | cdlOFNCreatePrompt | cdlOFNPathMustExist;
        break;
    case 5:
        m_flags = (m_flags & ~cdlOFNPathMustExist) | cdlOFNOverwritePrompt;
        break;
    case 6:
        m_flags |= cdlOFNOverwritePrompt | cdlOFNPathMustExist;
        break;
    default:
        break;
    }
}

bool CDialog::FileMustBeWriteable() const
{
    return m_flags & cdlOFNNoReadOnlyReturn;
}

void CDialog::setFileMustBeWriteable(bool value)
{
    if (value)
        m_flags |= cdlOFNNoReadOnlyReturn;
    else
        m_flags &= ~cdlOFNNoReadOnlyReturn;
}

void CDialog::AddDefaultFilters(const QObject *ctrl)
{
    switch (kindOf(ctrl)) {
    case TargetKind::Picture:
        AddFilter(QStringLiteral("All Image files"), QStringLiteral("*.bmp;*.dib;*.wmf;*.emf;*.ico;*.cur"));
        AddFilter(QStringLiteral("Bitmaps"), QStringLiteral("*.bmp;*.dib"));
        AddFilter(QStringLiteral("Metafiles"), QStringLiteral("*.wmf;*.emf"));
        AddFilter(QStringLiteral("Icons"), QStringLiteral("*.ico;*.cur"));
        break;
    case TargetKind::List:
        AddFilter(QStringLiteral("Data Files"), QStringLiteral("*.dat;*.lst"));
        break;
    case TargetKind::Text:
        AddDefaultFiltersForString();
        return;
    case TargetKind::None:
        return;
    }
    m_filter.prepend(QStringLiteral("All Files (*.*)|*.*|"));
    m_filterIndex = 2;
}

void CDialog::AddDefaultFiltersForString()
{
    AddFilter(QStringLiteral("Text files "), QStringLiteral("*.txt"));
    m_filter.prepend(QStringLiteral("All Files (*.*)|*.*|"));
    m_filterIndex = 2;
}

QString CDialog::SelectedFile(qint16 index) const
{
    if (index < 1 || index > m_selectedFiles.size())
        return {};
    return m_selectedFiles.at(index - 1);
}

QStringList CDialog::qtNameFilters() const
{
    QStringList filters;
    if (!m_customFilter.isEmpty())
        filters.append(qtNameFilter(m_customFilter,
                                    m_customFilterFilespec.isEmpty() ? QStringLiteral("*") : m_customFilterFilespec));
    QString text = m_filter;
    if (text.endsWith(QLatin1Char('|')))
        text.chop(1);
    const QStringList parts = text.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters.append(qtNameFilter(parts.at(i), parts.at(i + 1)));
    return filters;
}

bool CDialog::show(Kind kind)
{
    const qint32 flags = m_flags & ~(cdlOFNHelpButton | cdlOFNLongNames);
    const bool multi = flags & cdlOFNAllowMultiselect;
    const QChar separator = (multi && (flags & cdlOFNExplorer)) ? QChar(0) : QChar(u' ');

    DesktopServices::FileDialogRequest request;
    request.title = m_dialogTitle;
    request.save = kind == SaveDialog;
    request.multiSelect = multi;
    request.fileMustExist = flags & cdlOFNFileMustExist;
    request.confirmOverwrite = flags & cdlOFNOverwritePrompt;
    request.resolveSymlinks = !(flags & cdlOFNNoDereferenceLinks);

    // Qt's filter list; with a custom filter its entry 0 is the custom one.
    const QStringList filters = qtNameFilters();
    const int firstIndex = m_customFilter.isEmpty() ? 1 : 0;
    request.nameFilters = filters;
    const int selected = m_filterIndex - firstIndex;
    if (selected >= 0 && selected < filters.size())
        request.selectedNameFilter = filters.at(selected);
    QString extension = m_defaultExt;
    while (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    request.defaultSuffix = extension;
    request.directory = m_initDir;
    QString initial = m_filename.left(qMax<int>(0, m_maxFileSize));
    request.selectedFile = initial.left(initial.indexOf(QChar(0))).trimmed();

    m_error = 0;
    const std::optional<DesktopServices::FileDialogAnswer> answer = desktopServices().runFileDialog(request);
    if (!answer) {
        if (m_cancelError)
            raiseError(UserCancelled, kSource, QStringLiteral("User clicked Cancel"));
        return false;
    }
    const QStringList &files = answer->files;

    // The text Windows hands back: the file, or the folder and the names.
    QString name = files.first();
    if (files.size() > 1) {
        name = QFileInfo(files.first()).absolutePath();
        for (const QString &file : files)
            name += separator + QFileInfo(file).fileName();
    }
    if (name.size() >= m_maxFileSize) {
        m_error = BufferTooSmall;
        raiseError(BufferTooSmall, kSource,
                   QStringLiteral("The file name is longer than MaxFileSize (%1): %2").arg(m_maxFileSize).arg(name));
    }

    m_filename = name;
    m_selectedFiles = files;
    const qsizetype chosen = filters.indexOf(answer->selectedNameFilter);
    if (chosen >= 0)
        m_filterIndex = qint16(chosen + firstIndex);
    m_flags &= ~cdlOFNExtensionDifferent;
    if (!extension.isEmpty() && QFileInfo(files.first()).suffix().compare(extension, Qt::CaseInsensitive) != 0)
        m_flags |= cdlOFNExtensionDifferent;
    if (!(flags & cdlOFNNoChangeDir))
        m_initDir = QFileInfo(files.first()).absolutePath();
    m_fileTitle = titleOf(files.first());
    m_filterConsumed = true;
    m_lastKind = kind;
    return true;
}

bool CDialog::showGuarded(Kind kind)
{
    try {
        return show(kind);
    } catch (const BasicError &e) {
        if (e.number() == UserCancelled)
            return false;
        throw BasicError(e.number(), kSource, e.description());
    }
}

bool CDialog::ShowOpen(QObject *target)
{
    if (target && m_filter.isEmpty())
        AddDefaultFilters(target);
    if (!showGuarded(OpenDialog))
        return false;
    if (target)
        LoadInto(target);
    return true;
}

bool CDialog::ShowOpen(QString &target)
{
    if (m_filter.isEmpty())
        AddDefaultFiltersForString();
    if (!showGuarded(OpenDialog))
        return false;
    LoadInto(target);
    return true;
}

bool CDialog::ShowSave(QObject *target)
{
    if (target && m_filter.isEmpty())
        AddDefaultFilters(target);
    if (!showGuarded(SaveDialog))
        return false;
    if (target)
        SaveFrom(target);
    return true;
}

bool CDialog::ShowSave(const QString &target)
{
    if (m_filter.isEmpty())
        AddDefaultFiltersForString();
    if (!showGuarded(SaveDialog))
        return false;
    SaveFrom(target);
    return true;
}

QString CDialog::firstSelectedFile() const
{
    return m_selectedFiles.isEmpty() ? m_filename : m_selectedFiles.first();
}

void CDialog::LoadInto(QObject *target)
{
    const QString file = firstSelectedFile();
    DesktopServices &desktop = desktopServices();
    switch (kindOf(target)) {
    case TargetKind::Picture:
        if (!desktop.loadPicture(target, file)) {
            if (!QFileInfo::exists(file))
                raiseError(err::FileNotFound, kSource, QStringLiteral("File not found: %1").arg(file));
            raiseError(InvalidPicture, kSource, QStringLiteral("Invalid picture: %1").arg(file));
        }
        break;
    case TargetKind::List:
        desktop.appendListItems(target, splitLines(readTextFile(file)));
        break;
    case TargetKind::Text:
        desktop.setText(target, readTextFile(file));
        break;
    case TargetKind::None:
        break;
    }
}

void CDialog::LoadInto(QString &target)
{
    target = readTextFile(firstSelectedFile());
}

void CDialog::SaveFrom(QObject *target)
{
    const QString file = firstSelectedFile();
    DesktopServices &desktop = desktopServices();
    switch (kindOf(target)) {
    case TargetKind::Picture:
        if (!desktop.savePicture(target, file))
            raiseError(err::PathFileAccess, kSource, QStringLiteral("Cannot save the picture to %1").arg(file));
        break;
    case TargetKind::List: {
        QString text;
        for (const QString &item : desktop.listItems(target))
            text += item + QLatin1Char('\n');
        writeTextFile(file, text);
        break;
    }
    case TargetKind::Text:
        writeTextFile(file, desktop.text(target));
        break;
    case TargetKind::None:
        break;
    }
}

void CDialog::SaveFrom(const QString &target)
{
    writeTextFile(firstSelectedFile(), target);
}

}  // namespace pembry
