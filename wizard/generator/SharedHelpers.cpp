#include "wizard/generator/SharedHelpers.h"

#include "utility/OS32Helper.h"
#include "utility/TextHelper.h"
#include "utility/VBObjectHelper.h"
#include "utility/Win32API.h"

namespace tabulo {

pembry::TextHelper &textHelper()
{
    static pembry::TextHelper instance;
    return instance;
}

pembry::OS32Helper &os32Helper()
{
    static pembry::OS32Helper instance;
    return instance;
}

pembry::Win32API &win32API()
{
    static pembry::Win32API instance;
    return instance;
}

pembry::VBObjectHelper &vbObjectHelper()
{
    static pembry::VBObjectHelper instance;
    return instance;
}

}  // namespace tabulo
