#include "module.h"

#include <vector>

#include "../core/text.h"
#include "sized_read.h"

namespace fwu {

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        if (buffer.size() >= 32768) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ModuleFolder() { return FolderOf(ModulePath()); }

std::wstring ExpandEnvironment(const std::wstring& text) {
    std::vector<wchar_t> buffer;
    // The counts include the terminating zero.
    const bool read = ReadSized(
        [&](wchar_t* data, size_t capacity) {
            DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), data, DWORD(capacity));
            return SizedAnswer{n != 0 && n <= capacity, n};
        },
        buffer);
    if (!read || buffer.empty()) return text;
    return std::wstring(buffer.data());
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace fwu
