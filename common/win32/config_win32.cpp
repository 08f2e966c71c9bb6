#include <windows.h>

#include <vector>

#include "../core/bytes.h"
#include "config_win32.h"
#include "handle.h"
#include "module.h"

namespace fwu {

namespace {

// Returned by the profile call for an absent key; it holds characters that
// no Base64 text and no hand-written value contains.
const wchar_t kAbsent[] = L"\x01\x02{7A1E6F5C-ABSENT-KEY}\x02\x01";

class Win32ProfileSource : public IProfileSource {
public:
    bool Read(const std::wstring& path, std::wstring_view sectionName, std::wstring_view keyName,
              std::wstring& text) override {
        const std::wstring section(sectionName), key(keyName);
        std::vector<wchar_t> buffer(256);
        for (;;) {
            DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), kAbsent, buffer.data(),
                                                 DWORD(buffer.size()), path.c_str());
            if (n + 1 < buffer.size()) {
                text.assign(buffer.data(), n);
                break;
            }
            if (buffer.size() >= (1u << 24)) {  // 16 Mi characters: keep what was read
                text.assign(buffer.data(), n);
                break;
            }
            buffer.resize(buffer.size() + 256 + buffer.size() / 2);
        }
        return text != kAbsent;
    }
};

class Win32ConfigProbe : public IConfigFileProbe {
public:
    bool EnumPreferred(const std::wstring& neutralPath, uint64_t& cursor, std::wstring& found) override {
        wchar_t language[85] = L"";
        wchar_t path[MAX_PATH] = L"";
        ULONG languageSize = 85, pathSize = MAX_PATH;
        ULONGLONG enumerator = cursor;
        BOOL ok = ::GetFileMUIPath(MUI_LANGUAGE_NAME | MUI_USER_PREFERRED_UI_LANGUAGES | MUI_NON_LANG_NEUTRAL_FILE,
                                   neutralPath.c_str(), language, &languageSize, path, &pathSize, &enumerator);
        cursor = enumerator;
        if (!ok) return false;
        found = path;
        return true;
    }
    bool FindLanguage(const std::wstring& neutralPath, const std::wstring& lang, std::wstring& found) override {
        wchar_t language[85] = L"";
        lang.copy(language, 84);
        wchar_t path[MAX_PATH] = L"";
        ULONG languageSize = 85, pathSize = MAX_PATH;
        ULONGLONG enumerator = 0;
        if (!::GetFileMUIPath(MUI_LANGUAGE_NAME | MUI_USE_SEARCH_ALL_LANGUAGES | MUI_NON_LANG_NEUTRAL_FILE,
                              neutralPath.c_str(), language, &languageSize, path, &pathSize, &enumerator))
            return false;
        found = path;
        return true;
    }
    bool Exists(const std::wstring& path) override { return FileExists(path); }
    void Load(CGlobalIniMgr& mgr, const std::wstring& path) override { LoadConfigFile(mgr, path); }
};

}  // namespace

IProfileSource& PlatformProfileSource() {
    static Win32ProfileSource source;
    return source;
}

void LoadConfigFile(CGlobalIniMgr& mgr, const std::wstring& path) {
    IntegrityResult result;
    {
        UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (!file) return;
        LARGE_INTEGER back;
        back.QuadPart = -8;
        if (!::SetFilePointerEx(file.get(), back, nullptr, FILE_END)) return;
        uint8_t trailer[8] = {};
        DWORD read = 0;
        if (!::ReadFile(file.get(), trailer, 8, &read, nullptr) || read != 8) return;
        if (ReadLe32(trailer + 4) != kTrailerMarker) {
            result.valid = true;
            mgr.SetLoaded(path, result);
            return;
        }
    }
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        LARGE_INTEGER size{};
        // Files of 4 GiB and more cannot be configuration files; the check
        // fails for them instead of reading a wrapped length.
        if (::GetFileSizeEx(file.get(), &size) && size.QuadPart >= 8 && size.QuadPart < 0x7FFFFFFF) {
            std::vector<uint8_t> bytes(size_t(size.QuadPart));
            DWORD read = 0;
            if (::ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size())
                result = CheckIntegrity(bytes.data(), bytes.size());
        }
    }
    mgr.SetLoaded(path, result);
}

int LocateConfigFile(CGlobalIniMgr& mgr, ConfigLayout layout) {
    Win32ConfigProbe probe;
    return LocateConfigFile(mgr, ModuleFolder(), layout, probe);
}

}  // namespace fwu
