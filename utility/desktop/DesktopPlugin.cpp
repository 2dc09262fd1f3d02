#include "utility/desktop/DesktopPlugin.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>

#ifdef PEMBRY31_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace pembry {

namespace {

// Widgets exist only under a QApplication; a QGuiApplication alone has none.
bool widgetsAvailable()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

std::optional<DesktopServices::FileDialogAnswer> DesktopPlugin::runFileDialog(const FileDialogRequest &request)
{
    if (!widgetsAvailable())
        return std::nullopt;
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setObjectName(QStringLiteral("CDialog"));
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (request.multiSelect)
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else
            dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    dialog.setOption(QFileDialog::DontResolveSymlinks, !request.resolveSymlinks);
    if (!request.nameFilters.isEmpty()) {
        dialog.setNameFilters(request.nameFilters);
        if (!request.selectedNameFilter.isEmpty())
            dialog.selectNameFilter(request.selectedNameFilter);
    }
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    if (!request.selectedFile.isEmpty())
        dialog.selectFile(request.selectedFile);

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    FileDialogAnswer answer{dialog.selectedFiles(), dialog.selectedNameFilter()};
    if (answer.files.isEmpty())
        return std::nullopt;
    return answer;
}

bool DesktopPlugin::loadPicture(QObject *target, const QString &fileName)
{
    auto *label = qobject_cast<QLabel *>(target);
    QPixmap picture;
    if (!label || !picture.load(fileName))
        return false;
    label->setPixmap(picture);
    return true;
}

bool DesktopPlugin::savePicture(const QObject *target, const QString &fileName)
{
    const auto *label = qobject_cast<const QLabel *>(target);
    if (!label)
        return false;
    const QPixmap picture = label->pixmap();
    // The format follows the extension; a name without a known one gets a bitmap.
    return !picture.isNull() && (picture.save(fileName) || picture.save(fileName, "BMP"));
}

void DesktopPlugin::appendListItems(QObject *target, const QStringList &items)
{
    if (auto *list = qobject_cast<QListWidget *>(target)) {
        list->addItems(items);
        if (list->count() > 0)
            list->setCurrentRow(0);
    } else if (auto *combo = qobject_cast<QComboBox *>(target)) {
        combo->addItems(items);
        if (combo->count() > 0)
            combo->setCurrentIndex(0);
    }
}

QStringList DesktopPlugin::listItems(const QObject *target)
{
    QStringList items;
    if (const auto *list = qobject_cast<const QListWidget *>(target)) {
        for (int i = 0; i < list->count(); ++i)
            items.append(list->item(i)->text());
    } else if (const auto *combo = qobject_cast<const QComboBox *>(target)) {
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
    }
    return items;
}

void DesktopPlugin::setText(QObject *target, const QString &text)
{
    if (auto *line = qobject_cast<QLineEdit *>(target))
        line->setText(text);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(target))
        plain->setPlainText(text);
    else if (auto *rich = qobject_cast<QTextEdit *>(target))
        rich->setPlainText(text);
}

QString DesktopPlugin::text(const QObject *target)
{
    if (const auto *line = qobject_cast<const QLineEdit *>(target))
        return line->text();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(target))
        return plain->toPlainText();
    if (const auto *rich = qobject_cast<const QTextEdit *>(target))
        return rich->toPlainText();
    return {};
}

void DesktopPlugin::setBusyPointer(bool busy)
{
    if (busy) {
        // The pointer is set, not stacked: a second call changes nothing.
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

QSize DesktopPlugin::screenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(0, 0);
}

qint32 DesktopPlugin::desktopWindowHandle()
{
#ifdef PEMBRY31_HAVE_XCB
    if (!QGuiApplication::primaryScreen())
        return 0;
    if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t *connection = x11->connection()) {
            const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
            if (screens.rem > 0)
                return qint32(screens.data->root);
        }
    }
#endif
    return 0;
}

}  // namespace pembry
