// Unbinder: removes the driver package of the first matching device that has
// one, through the driver-store utility, and passes its exit code on.
#include <windows.h>

#include "module.h"
#include "program_shell.h"
#include "setupapi_devices.h"
#include "tools.h"

namespace {

// The wait for the utility handles this thread's messages in steps of this
// length; it has no overall time limit.
constexpr DWORD kWaitStepMs = 400;

class CProcessRunner final : public fwu::IUtilityRunner {
public:
    explicit CProcessRunner(fwu::ILog& log) : m_log(log) {}

    std::wstring ExpandEnvironment(const std::wstring& text) override { return fwu::ExpandEnvironment(text); }

    uint32_t RunAndWait(const std::wstring& commandLine) override {
        uint32_t result = 0;
        {
            fwu::StartedProgram program;
            DWORD error = 0;
            if (!fwu::StartProgram(commandLine, nullptr, program, error)) {
                fwu::LogLine(m_log, L"error - CreateProcess (0x%08X).", static_cast<unsigned>(error));
                return 0xFFFFFFFFu;
            }
            result = Wait(program.process.get());
        }
        fwu::LogLine(m_log, L"Exec return 0x%08X.", static_cast<unsigned>(result));
        return result;
    }

private:
    uint32_t Wait(HANDLE process) {
        if (!fwu::WaitForProcessPumping(process, kWaitStepMs)) {
            m_log.Line(L"error - MsgWaitForMultipleObjects.");
            return 0xFFFFFFFFu;
        }
        DWORD code = 0;
        if (!::GetExitCodeProcess(process, &code)) return 0;
        fwu::LogLine(m_log, L"      exit code = 0x%08X.", static_cast<unsigned>(code));
        return code;
    }

    fwu::ILog& m_log;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return fwu::RunDeviceTool(L"Unbinder", [](const fwu::CProgramShell& shell, fwu::IDeviceSystem& devices,
                                              fwu::ILog& log) {
        CProcessRunner runner(log);
        return fwu::RunUnbinder(shell.Option(L"HwID:"), devices, log, runner);
    });
}
