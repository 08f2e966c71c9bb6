// Update's entry point: start-up, the message loop of the hidden window,
// and the clean-up that returns the run's exit code.
#include <windows.h>
#include <objbase.h>
#include <commctrl.h>

#include <memory>

#include "cmdline_win32.h"
#include "config_win32.h"
#include "config_message.h"
#include "dll_search.h"
#include "globals.h"
#include "handle.h"
#include "log_process.h"
#include "module.h"
#include "params.h"
#include "power.h"
#include "runstate.h"
#include "text.h"
#include "update_defs.h"
#include "window.h"

fwu::CGlobalIniMgr g_IniMgr(fwu::PlatformProfileSource());

namespace upd {

// Single-instance guard: the named mutex held for the whole run.
class CMultiInstance {
public:
    CMultiInstance() {
        m_hMutex = ::CreateMutexExW(nullptr, kMutexName, 0, MUTEX_ALL_ACCESS);
        m_dwError = ::GetLastError();
    }
    virtual ~CMultiInstance() {
        if (m_hMutex) ::CloseHandle(m_hMutex);
    }
    CMultiInstance(const CMultiInstance&) = delete;
    CMultiInstance& operator=(const CMultiInstance&) = delete;
    virtual DWORD GetError() const { return m_dwError; }
    virtual bool IsCreated() const { return m_hMutex != nullptr; }
    virtual bool IsAlreadyRunning() const { return m_dwError == ERROR_ALREADY_EXISTS; }

private:
    HANDLE m_hMutex = nullptr;
    DWORD m_dwError = 0;
};

bool IsUserAdmin() {
    fwu::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_IMPERSONATE | TOKEN_QUERY, token.put()))
        return false;
    fwu::UniqueHandle impersonation;
    if (!::DuplicateToken(token.get(), SecurityImpersonation, impersonation.put())) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &admins))
        return false;
    BOOL member = FALSE;
    BOOL ok = ::CheckTokenMembership(impersonation.get(), admins, &member);
    ::FreeSid(admins);
    return ok && member;
}

namespace {

int EndEarly(const wchar_t* line, uint32_t code) {
    LogPrintf(L"%ls", line);
    CloseLogFile();
    return static_cast<int>(code);
}

void ErrorBox(const wchar_t* text) {
    if (!g_run.silent) ::MessageBoxW(nullptr, text, L"Error", MB_ICONERROR);
}

}  // namespace

int RunUpdate(int showCommand) {
    RestrictDllSearch();
    StartupOptions options;
    {
        CParseParam params(fwu::ProcessArguments());
        options = ReadStartupOptions(params);
        if (options.silent) g_run.silent = 1;
        g_run.firstTask = options.firstTask;
        if (!options.logPath.empty()) OpenLogFile(options.logPath, kBannerName);
    }
    if (HasStoredParameter(L"/s")) g_run.silent = 1;
    if (g_run.silent) LogPrintf(L"Silent.");
    LogPrintf(L"First Task Number: %d.", int(g_run.firstTask));
    ::InitCommonControls();

    if (!fwu::LocateConfigFile(g_IniMgr, fwu::ConfigLayout::UpdateFolder)) {
        ErrorBox(L"Ini file is not found.");
        return EndEarly(L"error - ini file not found. return 2.", kExitIniNotFound);
    }
    if (!g_IniMgr.m_bValid) {
        ErrorBox(L"Falsify ini file.");
        return EndEarly(L"error - falsify ini file. return 3.", kExitIniFalsified);
    }

    auto guard = std::make_unique<CMultiInstance>();
    if (!guard->IsCreated()) return EndEarly(L"error - failed to create mutex. return 5.", kExitMutexFailed);
    if (guard->IsAlreadyRunning()) {
        if (!options.waitMultiEnd) {
            ::AllowSetForegroundWindow(ASFW_ANY);
            if (HWND other = ::FindWindowW(kWindowClass, nullptr)) {
                ::SetForegroundWindow(other);
                ::PostMessageW(other, kWmUpdateActivate, 0, 0);
            }
            return EndEarly(L"error - already existed. return 4.", kExitAlreadyRunning);
        }
        bool acquired = false;
        for (int attempt = 0; attempt < kWaitMultiEndAttempts && !acquired; ++attempt) {
            guard.reset();
            guard = std::make_unique<CMultiInstance>();
            acquired = guard->IsCreated() && !guard->IsAlreadyRunning();
        }
        if (!acquired) return EndEarly(L"error - already existed(fail end). return 4.", kExitAlreadyRunning);
    }

    WriteOwnParameters();
    const std::wstring reqSys = g_IniMgr.GetString(L"CONFIG", L"REQSYS", L"OFF");
    const std::wstring reqDisp = g_IniMgr.GetString(L"CONFIG", L"REQDISP", L"OFF");
    if (IsOff(g_IniMgr.GetString(L"CERT", L"VERIFY", L""))) g_run.skipTrust = 1;
    if (HasStoredParameter(L"/DisableCertificationCheck")) g_run.skipTrust = 1;

    if (!IsUserAdmin()) {
        ShowConfigMessage(L"IDS_STR_NOTADMIN", MB_ICONWARNING);
        DeleteOwnParameters();
        return EndEarly(L"error - not Admin. return 6.", kExitNotAdmin);
    }
    LogPrintf(L"Admin.");
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        DeleteOwnParameters();
        return EndEarly(L"error - CoInitializeEx Failed. return 8.", kExitComFailed);
    }

    {
        CPowerRequest system(fwu::FormatString(kPowerReasonFormat, L"Update(system)"),
                             IsAlwaysOnAlwaysConnected() ? CPowerRequest::kExecution : CPowerRequest::kSystem);
        CPowerRequest display(fwu::FormatString(kPowerReasonFormat, L"Update(disp)"), CPowerRequest::kDisplay);
        if (IsOn(reqSys)) system.Start();
        if (IsOn(reqDisp)) display.Start();

        g_run.currentTask = g_run.firstTask;
        g_run.updateFolder = fwu::ModuleFolder();
        g_run.exitCode = 0;

        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = UpdateWindowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kWindowClass;
        HWND window = nullptr;
        if (::RegisterClassExW(&wc))
            window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       instance, nullptr);
        if (window) {
            ::ShowWindow(window, showCommand);
            ::UpdateWindow(window);
            MSG msg;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }

        EndSequencer();
        DeleteOwnParameters();
        if (window) {
            LogPrintf(L"return %d.", int(g_run.exitCode));
        } else {
            // No task ran: a caller must not read this run as a finished update.
            g_run.exitCode = kExitNoWindow;
            LogPrintf(L"error - failed to create window. return %d.", int(kExitNoWindow));
        }
        CloseLogFile();
        ::CoUninitialize();
        // The power requests end here, then the guard.
    }
    guard.reset();
    return static_cast<int>(g_run.exitCode);
}

}  // namespace upd

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) { return upd::RunUpdate(showCommand); }
