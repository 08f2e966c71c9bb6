// The platform services of the portable task code on Windows.
#include <windows.h>

#include "log.h"
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
    int32_t VerifyFileTrust(const std::wstring& path) override { return VerifyFileSignature(path); }
    std::wstring HashFileSha256(const std::wstring& path) override { return upd::HashFileSha256(path); }
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
