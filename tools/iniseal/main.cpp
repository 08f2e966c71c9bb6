#include <cstdio>
#include <string>
#include <vector>

#include "cmdline.h"
#include "iniseal_core.h"
#include "text.h"

namespace {
// The one answer goes to standard output on success, else to standard error.
int RunIniSeal(const std::vector<std::wstring>& args) {
    std::wstring out;
    int code = fwu::IniSealMain(args, out);
    std::fprintf(code == 0 ? stdout : stderr, "%s\n", fwu::ToUtf8(out).c_str());
    return code;
}
}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return RunIniSeal(std::vector<std::wstring>(argv, argv + argc)); }
#else
int main(int argc, char** argv) { return RunIniSeal(fwu::ArgumentsFromUtf8(argc, argv)); }
#endif
