#include <cstdio>
#include <string>
#include <vector>

#include "tasklint_core.h"
#include "text.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv, argv + argc);
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 0; i < argc; ++i) args.push_back(fwu::FromUtf8(argv[i]));
#endif
    std::wstring out, err;
    int code = fwu::lint::TaskLintMain(args, out, err);
    std::string o = fwu::ToUtf8(out), e = fwu::ToUtf8(err);
    std::fwrite(o.data(), 1, o.size(), stdout);
    std::fwrite(e.data(), 1, e.size(), stderr);
    return code;
}
