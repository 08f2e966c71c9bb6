// Unbinder: removes the driver package of the first matching device that has
// one, through the driver-store utility, and passes its exit code on.
#include <windows.h>

#include "cmdline.h"
#include "handle.h"
#include "log.h"
#include "module.h"
#include "setupapi_devices.h"
#include "tools.h"

namespace {

class CProcessRunner final : public fwu::IUtilityRunner {
public:
    std::wstring ExpandEnvironment(const std::wstring& text) override { return fwu::ExpandEnvironment(text); }

    uint32_t RunAndWait(const std::wstring& commandLine) override {
        std::wstring buffer = commandLine;  // CreateProcessW may write into it
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                              CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &si, &pi)) {
            LogPrintf(L"error - CreateProcess (0x%08X).", static_cast<unsigned>(::GetLastError()));
            return 0xFFFFFFFFu;
        }
        fwu::UniqueHandle process(pi.hProcess);
        fwu::UniqueHandle thread(pi.hThread);
        uint32_t result = Wait(process.get());
        thread.reset();
        process.reset();
        LogPrintf(L"Exec return 0x%08X.", static_cast<unsigned>(result));
        return result;
    }

private:
    // Waits for the process while dispatching the messages sent to this
    // thread; no overall time limit.
    static uint32_t Wait(HANDLE process) {
        for (;;) {
            DWORD rc = ::MsgWaitForMultipleObjects(1, &process, FALSE, 400, QS_ALLINPUT);
            if (rc == WAIT_OBJECT_0) {
                DWORD code = 0;
                if (!::GetExitCodeProcess(process, &code)) return 0;
                LogPrintf(L"      exit code = 0x%08X.", static_cast<unsigned>(code));
                return code;
            }
            if (rc == WAIT_OBJECT_0 + 1) {
                MSG msg;
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageW(&msg);
                }
                continue;
            }
            if (rc == WAIT_TIMEOUT) continue;
            LogPrintf(L"error - MsgWaitForMultipleObjects.");
            return 0xFFFFFFFFu;
        }
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring hwid;
    {
        CParseParam params;
        hwid = params.Find(L"HwID:", nullptr);
        std::wstring logPath = params.Find(L"LOG:", nullptr);
        if (!logPath.empty()) OpenLogFile(logPath, L"Unbinder");
    }
    uint32_t code = 0xFFFFFFFFu;
    {
        fwu::CSetupApiDeviceSystem devices;
        fwu::CFileToolLog log;
        CProcessRunner runner;
        code = fwu::RunUnbinder(hwid, devices, log, runner);
    }
    CloseLogFile();
    return static_cast<int>(code);
}
