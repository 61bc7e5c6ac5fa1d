// Where an exception that nothing caught ends. libstdc++'s own handler
// writes the exception's type to stderr, which a graphical program does not
// have, and brings in the whole C++ name demangler (some 45 KiB). Defining
// the handler in the program replaces it, since the linker then takes no
// definition from the library: the user sees a box, and the program ends
// as std::terminate requires.
#include <cstdlib>
#include <exception>

#include "platform_types.h"

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    ::MessageBoxW(nullptr, L"程序遇到无法处理的错误，即将退出。", nullptr,
                  MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    std::abort();
}

}  // namespace __gnu_cxx
