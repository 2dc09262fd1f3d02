#include "wizard/generator/SharedHelpers.h"

#include "utility/OS32Helper.h"
#include "utility/TextHelper.h"
#include "utility/VBObjectHelper.h"
#include "utility/Win32API.h"

namespace tabulo {

namespace {

// The one instance of T, created on first use.
template <class T>
T &sharedInstance()
{
    static T instance;
    return instance;
}

}  // namespace

pembry::TextHelper &textHelper() { return sharedInstance<pembry::TextHelper>(); }
pembry::OS32Helper &os32Helper() { return sharedInstance<pembry::OS32Helper>(); }
pembry::Win32API &win32API() { return sharedInstance<pembry::Win32API>(); }
pembry::VBObjectHelper &vbObjectHelper() { return sharedInstance<pembry::VBObjectHelper>(); }

}  // namespace tabulo
