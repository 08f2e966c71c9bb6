// Update's start-up, the message loop of the hidden window, and the
// clean-up that returns the run's exit code.
#include "startup.h"

#include <windows.h>
#include <objbase.h>
#include <commctrl.h>

#include <optional>

#include "config.h"
#include "config_message.h"
#include "config_win32.h"
#include "dll_search.h"
#include "handle.h"
#include "logsink.h"
#include "module.h"
#include "params.h"
#include "power.h"
#include "presence_win32.h"
#include "program_shell.h"
#include "runstate.h"
#include "sequencer.h"
#include "text.h"
#include "update_defs.h"
#include "window.h"

namespace upd {

bool IsUserAdmin() {
    fwu::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_IMPERSONATE | TOKEN_QUERY, token.put()))
        return false;
    fwu::UniqueHandle impersonation;
    if (!::DuplicateToken(token.get(), SecurityImpersonation, impersonation.put())) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    fwu::UniqueSid admins;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    admins.put()))
        return false;
    BOOL member = FALSE;
    BOOL ok = ::CheckTokenMembership(impersonation.get(), admins.get(), &member);
    return ok && member;
}

namespace {


// Start-up and the run, with the log open. The single-instance guard is
// the caller's, so that it is let go only after the log file is closed (a
// waiting instance may write to the same file).
uint32_t RunWithLog(const StartupOptions& options, fwu::ILog& log, std::optional<fwu::CInstanceGuard>& guard,
                    int showCommand) {
    RunState run;
    run.silent = options.silent ? 1 : 0;
    run.firstTask = options.firstTask;
    auto endEarly = [&log](const wchar_t* line, uint32_t code) {
        log.Line(line);
        return code;
    };
    if (HasStoredParameter(L"/s")) run.silent = 1;
    if (run.silent) log.Line(L"Silent.");
    run.nobodyToAnswer = fwu::MayWaitForPersonHere().reason;
    fwu::LogLine(log, L"First Task Number: %d.", int(run.firstTask));
    ::InitCommonControls();

    fwu::CGlobalIniMgr config(fwu::PlatformProfileSource());
    const bool found = fwu::LocateConfigFile(config, fwu::ConfigLayout::UpdateFolder) != 0;
    const fwu::ConfigVerdict verdict = fwu::JudgeConfig(found, config.m_bValid != 0, kConfigRefusal);
    if (!verdict.proceed) {
        if (!ShowsNoBox(run))
            ::MessageBoxW(nullptr, verdict.message, L"Error", verdict.errorIcon ? MB_ICONERROR : MB_OK);
        fwu::LogLine(log, L"%ls return %d.", verdict.logLine, int(verdict.exitCode));
        return verdict.exitCode;
    }

    guard.emplace(kMutexName);
    if (!guard->IsCreated()) return endEarly(L"error - failed to create mutex. return 5.", kExitMutexFailed);
    if (guard->IsAlreadyRunning()) {
        if (!options.waitMultiEnd) {
            fwu::BringFirstInstanceForward(kWindowClass, nullptr, true, kWmUpdateActivate);
            return endEarly(L"error - already existed. return 4.", kExitAlreadyRunning);
        }
        if (!guard->Retry(kWaitMultiEndAttempts))
            return endEarly(L"error - already existed(fail end). return 4.", kExitAlreadyRunning);
    }

    WriteOwnParameters();
    const std::wstring reqSys = config.GetString(L"CONFIG", L"REQSYS", L"OFF");
    const std::wstring reqDisp = config.GetString(L"CONFIG", L"REQDISP", L"OFF");
    if (IsOff(config.GetString(L"CERT", L"VERIFY", L""))) run.skipTrust = 1;
    if (HasStoredParameter(L"/DisableCertificationCheck")) run.skipTrust = 1;

    if (!IsUserAdmin()) {
        ShowConfigMessage(config, ShowsNoBox(run), L"IDS_STR_NOTADMIN", MB_ICONWARNING);
        DeleteOwnParameters();
        return endEarly(L"error - not Admin. return 6.", kExitNotAdmin);
    }
    log.Line(L"Admin.");
    // COM on this thread for the run (the disk-drive probe's management query).
    fwu::CComScope com;
    if (com.Failed()) {
        DeleteOwnParameters();
        return endEarly(L"error - CoInitializeEx Failed. return 8.", kExitComFailed);
    }

    CPlatformPowerRequests platformPower;
    const CRunPowerRequests power(platformPower, reqSys, reqDisp);

    run.currentTask = run.firstTask;
    run.updateFolder = fwu::ModuleFolder();
    run.exitCode = 0;

    SequencerWindowContext context(run, config, log);
    HWND window = fwu::CreateHiddenWindow(kWindowClass, UpdateWindowProc, WS_POPUP, &context);
    if (window) {
        ::ShowWindow(window, showCommand);
        ::UpdateWindow(window);
        fwu::RunMessageLoop();
    }
    // The last task lets go of its program and held files.
    context.End();
    DeleteOwnParameters();
    if (!window) {
        // No task ran: a caller must not read this run as a finished update.
        run.exitCode = kExitNoWindow;
        fwu::LogLine(log, L"error - failed to create window. return %d.", int(kExitNoWindow));
        return run.exitCode;
    }
    fwu::LogLine(log, L"return %d.", int(run.exitCode));
    return run.exitCode;
    // The power requests end here, COM, then the log; the caller's guard last.
}

}  // namespace

int RunUpdate(int showCommand) {
    RestrictDllSearch();
    std::optional<fwu::CInstanceGuard> guard;
    fwu::CProgramShell shell;
    const StartupOptions options = ReadStartupOptions(shell.Params());
    return static_cast<int>(RunWithLog(options, shell.OpenLog(options.logPath, kBannerName), guard, showCommand));
}

}  // namespace upd
