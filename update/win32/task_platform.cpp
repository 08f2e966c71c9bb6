// The platform services of the portable task code on Windows.
#include <windows.h>

#include "log_process.h"
#include "module.h"
#include "params.h"
#include "task.h"
#include "verify.h"

namespace upd {

namespace {
class CWin32TaskPlatform final : public ITaskPlatform {
public:
    bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) override {
        expanded = fwu::ExpandEnvironment(text);
        return true;
    }
    bool HasStoredParameter(const std::wstring& name) override { return upd::HasStoredParameter(name); }
    int32_t VerifyFileTrust(const std::wstring& path, FileHold& hold) override {
        fwu::UniqueFile file;
        const int32_t result = VerifyFileSignature(path, file);
        if (file) hold = std::make_unique<CFileHold>(std::move(file));
        return result;
    }
    std::wstring HashFileSha256(const std::wstring& path, FileHold& hold) override {
        fwu::UniqueFile file;
        std::wstring hash = upd::HashFileSha256(path, file);
        if (file) hold = std::make_unique<CFileHold>(std::move(file));
        return hash;
    }
    void Log(const std::wstring& line) override { LogWriteLine(line); }
    void AllowSetForeground() override { ::AllowSetForegroundWindow(ASFW_ANY); }
    void CloseProcessHandle(void* handle) override { ::CloseHandle(static_cast<HANDLE>(handle)); }
};
}  // namespace

ITaskPlatform& PlatformTaskServices() {
    static CWin32TaskPlatform platform;
    return platform;
}

}  // namespace upd
