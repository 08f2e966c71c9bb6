// Splits arbitrary parameter-file bytes, and checks that the arguments,
// quoted the usual way and split again, come back unchanged.
#include <cstdint>
#include <string>
#include <vector>

#include "stored_params.h"

namespace {

// Quotes one argument so that the splitter gives it back as it is.
std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        if (c == L'"') {
            out.append(2 * slashes + 1, L'\\');
        } else {
            out.append(slashes, L'\\');
        }
        slashes = 0;
        out.push_back(c);
    }
    out.append(2 * slashes, L'\\');
    return out + L"\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::wstring> args = upd::ParameterFileArguments(data, size);
    size_t units = (size + 1) / 2;
    size_t total = 0;
    for (const auto& a : args) {
        if (a.find(L'\0') != std::wstring::npos) __builtin_trap();
        total += a.size();
    }
    if (total > units) __builtin_trap();
    if (args.empty() && size >= 2 && (data[0] | data[1]) != 0 && !(data[0] == 0xFF && data[1] == 0xFE))
        __builtin_trap();

    if (args.size() > 1) {
        std::wstring line = L"prog";
        for (size_t i = 1; i < args.size(); ++i) line += L" " + Quote(args[i]);
        std::vector<std::wstring> again = upd::SplitCommandLine(line);
        if (again.size() != args.size()) __builtin_trap();
        for (size_t i = 1; i < args.size(); ++i)
            if (again[i] != args[i]) __builtin_trap();
    }
    return 0;
}
