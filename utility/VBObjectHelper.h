#pragma once
// VBObjectHelper: the busy mouse pointer and a row-count text.

#include <QString>

namespace pembry {

class VBObjectHelper {
public:
    // True shows the busy (hourglass) pointer over the whole application,
    // False brings back the normal pointer, however often True was given.
    // Without a GUI application the call does nothing.
    void MouseHourGlass(bool show) const;

    // "No Rows Returned", "1 Row Returned", otherwise «25 Rows Returned».
    QString fnRowsReturned(qint32 rowCount) const;
};

}  // namespace pembry
