#include <windows.h>
#include <shellapi.h>

#include "../core/cmdline.h"
#include "handle.h"

namespace {
std::vector<std::wstring> SplitProcessCommandLine() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    fwu::UniqueLocal owner(argv);
    std::vector<std::wstring> args;
    if (argv == nullptr) return args;
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}
}  // namespace

CParseParam::CParseParam() : CParseParam(SplitProcessCommandLine()) {}
