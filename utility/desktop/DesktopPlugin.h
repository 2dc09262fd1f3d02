#pragma once
// Pembry31's desktop services on Qt Widgets: QFileDialog, the widgets a file
// goes into or comes from, QGuiApplication's override cursor, QScreen and
// the X11 root window.

#include "utility/internal/DesktopServices.h"

#include <QObject>

namespace pembry {

class DesktopPlugin : public QObject, public DesktopServices {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PEMBRY31_DESKTOP_SERVICES_IID)
    Q_INTERFACES(pembry::DesktopServices)

public:
    std::optional<FileDialogAnswer> runFileDialog(const FileDialogRequest &request) override;
    bool loadPicture(QObject *target, const QString &fileName) override;
    bool savePicture(const QObject *target, const QString &fileName) override;
    void appendListItems(QObject *target, const QStringList &items) override;
    QStringList listItems(const QObject *target) override;
    void setText(QObject *target, const QString &text) override;
    QString text(const QObject *target) override;
    void setBusyPointer(bool busy) override;
    QSize screenSize() override;
    qint32 desktopWindowHandle() override;
};

}  // namespace pembry
