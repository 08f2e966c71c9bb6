#include <cstdio>
#include <string>
#include <vector>

#include "iniseal_core.h"
#include "text.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv, argv + argc);
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 0; i < argc; ++i) args.push_back(fwu::FromUtf8(argv[i]));
#endif
    std::wstring out;
    int code = fwu::IniSealMain(args, out);
    std::fprintf(code == 0 ? stdout : stderr, "%s\n", fwu::ToUtf8(out).c_str());
    return code;
}
