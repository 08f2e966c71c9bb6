#include "params.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <vector>

#include "handle.h"
#include "module.h"
#include "stored_params.h"

namespace upd {

namespace {
std::wstring ConfigFolder() { return fwu::ModuleFolder() + L"\\config"; }
}  // namespace

std::wstring OwnParametersPath() { return ConfigFolder() + L"\\__MyParams.dat"; }
std::wstring OwnerParametersPath() { return ConfigFolder() + L"\\__MyParamsOwner.dat"; }

void WriteOwnParameters() {
    const wchar_t* line = ::GetCommandLineW();
    if (line == nullptr) return;
    fwu::UniqueFile file(::CreateFileW(OwnParametersPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), line, DWORD(::lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
}

void DeleteOwnParameters() {
    const std::wstring path = OwnParametersPath();
    if (!path.empty() && fwu::FileExists(path)) ::DeleteFileW(path.c_str());
}

bool ReadParameterFile(const std::wstring& path, const std::wstring& name) {
    std::vector<uint8_t> bytes;
    {
        fwu::UniqueFile file(
            ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        LARGE_INTEGER size{};
        // A command line is at most 32767 characters; anything far larger is
        // not a parameter file.
        if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart == 0 || size.QuadPart > (1 << 20)) return false;
        bytes.assign(size_t(size.QuadPart), 0);
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data(), DWORD(size.QuadPart), &read, nullptr)) return false;
        bytes.resize(read);
    }
    const std::vector<std::wstring> argv = ParameterFileArguments(bytes.data(), bytes.size());
    for (size_t i = 1; i < argv.size(); ++i) {
        if (_wcsicmp(argv[i].c_str(), name.c_str()) == 0) return true;
    }
    return false;
}

bool HasStoredParameter(const std::wstring& name) {
    return ReadParameterFile(OwnParametersPath(), name) || ReadParameterFile(OwnerParametersPath(), name);
}

}  // namespace upd
