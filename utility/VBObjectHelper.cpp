#include "utility/VBObjectHelper.h"

#include "utility/internal/DesktopServices.h"

namespace pembry {

void VBObjectHelper::MouseHourGlass(bool show) const
{
    desktopServices().setBusyPointer(show);
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
