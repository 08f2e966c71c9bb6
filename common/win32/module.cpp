#include "module.h"

#include <vector>

#include "../core/text.h"

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
    DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::vector<wchar_t> buffer(needed + 1);
    DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), buffer.data(), DWORD(buffer.size()));
    if (n == 0 || n > buffer.size()) return text;
    return std::wstring(buffer.data());
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace fwu
