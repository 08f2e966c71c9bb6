#include "stored_params.h"

namespace upd {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> args;
    const size_t n = line.size();
    if (n == 0) return args;
    size_t p = 0;

    // The program path: no escapes, no quoted parts.
    std::wstring first;
    if (line[0] == L'"') {
        for (p = 1; p < n && line[p] != L'"'; ++p) first.push_back(line[p]);
        if (p < n) ++p;  // the closing quote
    } else {
        while (p < n && static_cast<uint32_t>(line[p]) > 0x20) first.push_back(line[p++]);
        if (p < n) ++p;  // the character that ended it
    }
    args.push_back(std::move(first));

    bool inQuote = false;
    for (;;) {
        while (p < n && IsBlank(line[p])) ++p;
        if (p >= n) break;
        std::wstring arg;
        for (;;) {
            bool copy = true;
            size_t slashes = 0;
            while (p < n && line[p] == L'\\') {
                ++p;
                ++slashes;
            }
            if (p < n && line[p] == L'"') {
                if (slashes % 2 == 0) {
                    if (inQuote && p + 1 < n && line[p + 1] == L'"') {
                        ++p;  // a doubled quote inside a quoted part: one literal quote
                    } else {
                        copy = false;
                    }
                    inQuote = !inQuote;
                }
                slashes /= 2;
            }
            arg.append(slashes, L'\\');
            if (p >= n || (!inQuote && IsBlank(line[p]))) break;
            if (copy) arg.push_back(line[p]);
            ++p;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::wstring> ParameterFileArguments(const uint8_t* bytes, size_t size) {
    std::wstring line;
    if (bytes == nullptr) size = 0;
    for (size_t i = 0; i < size; i += 2) {
        uint32_t unit = bytes[i] | (i + 1 < size ? uint32_t(bytes[i + 1]) << 8 : 0u);
        if (unit == 0) break;
        line.push_back(static_cast<wchar_t>(unit));
    }
    if (!line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
    return SplitCommandLine(line);
}

}  // namespace upd
