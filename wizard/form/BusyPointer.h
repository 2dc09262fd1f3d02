#pragma once
// The busy mouse pointer while an object of this class lives: shown when it
// is made, cleared when it goes, whichever way the scope is left.

#include "utility/VBObjectHelper.h"
#include "wizard/generator/SharedHelpers.h"

namespace tabulo {

class BusyPointer {
public:
    BusyPointer() { vbObjectHelper().MouseHourGlass(true); }
    ~BusyPointer() { vbObjectHelper().MouseHourGlass(false); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

}  // namespace tabulo
