#include "utility/VBObjectHelper.h"

#include <QCursor>
#include <QGuiApplication>

namespace pembry {

void VBObjectHelper::MouseHourGlass(bool show) const
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    if (show) {
        // The pointer is set, not stacked: a second True changes nothing.
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

QString VBObjectHelper::fnRowsReturned(qint32 rowCount) const
{
    if (rowCount == 0)
        return QStringLiteral("No Rows Returned");
    if (rowCount == 1)
        return QStringLiteral("1 Row Returned");
    return QString::number(rowCount) + QStringLiteral(" Rows Returned");
}

}  // namespace pembry
