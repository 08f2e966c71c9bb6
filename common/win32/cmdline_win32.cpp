#include "cmdline_win32.h"

#include <windows.h>
#include <shellapi.h>

#include "handle.h"

namespace fwu {

std::vector<std::wstring> ProcessArguments() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    UniqueLocal owner(argv);
    std::vector<std::wstring> args;
    if (argv == nullptr) return args;
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

}  // namespace fwu
