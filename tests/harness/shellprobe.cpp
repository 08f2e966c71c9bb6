// Exercises the program shell and the log object from inside a Windows
// process and prints one line per finding (read by test_common_shell.py):
//   shellprobe wait      starts itself as a child and waits for it
//   shellprobe guard     the single-instance guard's three answers
//   shellprobe log PATH  the log file's open, sharing and closing rules
//   shellprobe lockopen PROGRAM LOG MS
//                        holds PROGRAM's log lock open (not its count), owned
//                        by another account, starts PROGRAM /LOG:LOG /EXIT:0
//                        and waits up to MS for it while the lock stays open:
//                        "lock owner=<system|caller>", then "exited=<0|1>
//                        code=N" (a writer that cannot open the lock beside
//                        another holder keeps retrying and does not exit)
//   shellprobe noclose   a dialog's close box taken and given back: the
//                        dialog class's CS_NOCLOSE and the windows' system
//                        menu style, for this dialog and the next one
//   shellprobe sleep MS  (the child) sleeps, then exits with 5
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "dialog_look.h"
#include "handle.h"
#include "log.h"
#include "logformat.h"
#include "module.h"
#include "program_shell.h"
#include "text.h"

namespace {

const wchar_t* OutcomeName(fwu::WaitOutcome outcome) {
    switch (outcome) {
        case fwu::WaitOutcome::Signalled:
            return L"signalled";
        case fwu::WaitOutcome::Pending:
            return L"pending";
        case fwu::WaitOutcome::Quit:
            return L"quit";
        case fwu::WaitOutcome::Failed:
            return L"failed";
    }
    return L"?";
}

void Print(const std::wstring& line) { std::printf("%s\n", fwu::ToUtf8(line).c_str()); }

int g_userMessages = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        ++g_userMessages;
        return 0;
    }
    return fwu::MainWindowDefault(window, message, wParam, lParam);
}

std::wstring Child(const wchar_t* ms) { return L"\"" + fwu::ModulePath() + L"\" sleep " + ms; }

int Wait() {
    fwu::StartedProgram missing;
    DWORD error = 0;
    bool started = fwu::StartProgram(L"\"C:\\no\\such\\program.exe\"", nullptr, missing, error);
    Print(fwu::FormatString(L"missing started=%d error=%lu valid=%d", started ? 1 : 0, error,
                            missing.process.valid() ? 1 : 0));

    // Messages queued for a window are dispatched while waiting.
    HWND window = fwu::CreateHiddenWindow(L"FwuShellProbe", CountingProc);
    Print(fwu::FormatString(L"window=%d", window ? 1 : 0));
    fwu::StartedProgram child;
    started = fwu::StartProgram(Child(L"1500"), nullptr, child, error);
    Print(fwu::FormatString(L"child started=%d thread=%d", started ? 1 : 0, child.thread.valid() ? 1 : 0));
    if (!started) return 1;
    Print(std::wstring(L"first step ") + OutcomeName(fwu::WaitPumping(child.process.get(), 0)));
    ::PostMessageW(window, WM_USER, 0, 0);
    ::PostMessageW(window, WM_USER, 0, 0);
    Print(std::wstring(L"message step ") + OutcomeName(fwu::WaitPumping(child.process.get(), 1000)));
    Print(fwu::FormatString(L"dispatched=%d", g_userMessages));

    // A WM_QUIT met is reported and stays for the loop that owns the thread.
    ::PostQuitMessage(7);
    Print(std::wstring(L"quit step ") + OutcomeName(fwu::WaitPumping(child.process.get(), 1000)));
    MSG msg;
    bool queued = ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT;
    Print(fwu::FormatString(L"quit queued=%d code=%d", queued ? 1 : 0, queued ? int(msg.wParam) : -1));
    const DWORD before = ::GetTickCount();
    bool ended = fwu::WaitForProcessPumping(child.process.get(), 400);
    DWORD code = 0;
    ::GetExitCodeProcess(child.process.get(), &code);
    Print(fwu::FormatString(L"ended=%d code=%lu waited=%d", ended ? 1 : 0, code,
                            ::GetTickCount() - before >= 200 ? 1 : 0));
    Print(std::wstring(L"after end ") + OutcomeName(fwu::WaitPumping(child.process.get(), 0)));
    queued = ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT;
    Print(fwu::FormatString(L"quit still queued=%d", queued ? 1 : 0));
    Print(fwu::FormatString(L"loop code=%d", fwu::RunMessageLoop()));
    return 0;
}

const wchar_t* StateName(fwu::InstanceState state) {
    switch (state) {
        case fwu::InstanceState::First:
            return L"first";
        case fwu::InstanceState::AlreadyRunning:
            return L"already";
        case fwu::InstanceState::Failed:
            return L"failed";
    }
    return L"?";
}

int Guard() {
    const wchar_t* name = L"FwuShellProbe{5C1D0A2E-7E4B-4D8B-9F52-2D0B7A1C3E11}";
    auto first = std::make_unique<fwu::CInstanceGuard>(name);
    fwu::CInstanceGuard second(name);
    Print(std::wstring(L"first ") + StateName(first->State()));
    Print(std::wstring(L"second ") + StateName(second.State()) +
          fwu::FormatString(L" error=%lu", second.GetError()));
    Print(fwu::FormatString(L"retry while held=%d", second.Retry(3) ? 1 : 0));
    first.reset();
    Print(fwu::FormatString(L"retry after end=%d", second.Retry(3) ? 1 : 0));
    Print(std::wstring(L"second now ") + StateName(second.State()));
    fwu::CInstanceGuard bad(L"Global\\No\\Such\\Namespace");
    Print(std::wstring(L"bad ") + StateName(bad.State()) + fwu::FormatString(L" created=%d", bad.IsCreated()));
    return 0;
}

int Log(const std::wstring& path) {
    {
        fwu::CLogFile none(L"", L"probe");
        Print(fwu::FormatString(L"empty path open=%d", none.IsOpen() ? 1 : 0));
        none.Line(L"dropped");
    }
    {
        fwu::CLogFile log(path, L"probe");
        Print(fwu::FormatString(L"open=%d", log.IsOpen() ? 1 : 0));
        fwu::LogLine(log, L"line %d of %ls.", 1, L"two");
        fwu::CLogFile second(path, L"second");
        Print(fwu::FormatString(L"second open=%d", second.IsOpen() ? 1 : 0));
        second.Line(L"not written");
        log.Line(L"last of the first");
    }
    fwu::CLogFile again(path, L"again");
    Print(fwu::FormatString(L"reopened=%d", again.IsOpen() ? 1 : 0));
    again.Line(L"appended");
    return 0;
}

int LockOpen(const std::wstring& program, const std::wstring& logPath, DWORD ms) {
    CLogOutCCSA descriptor;
    SECURITY_ATTRIBUTES* attributes = descriptor.GetSecurityAttributes();
    BYTE system[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(system);
    if (!attributes || !::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size) ||
        !::SetSecurityDescriptorOwner(attributes->lpSecurityDescriptor, system, FALSE)) {
        Print(L"error descriptor");
        return 1;
    }
    // The lock's own descriptor, owned by Local System: an owner that is not
    // the writer's account, so that the writer gets only what the DACL
    // grants (Wine grants an object's owner every standard right). Windows
    // lets only a holder of SeRestorePrivilege name another owner; there the
    // caller stays the owner, which gets no WRITE_OWNER either.
    const std::wstring name = fwu::LogLockName(program);
    const DWORD access = SYNCHRONIZE | SEMAPHORE_MODIFY_STATE;
    const wchar_t* owner = L"system";
    fwu::UniqueHandle lock(::CreateSemaphoreExW(attributes, 1, 1, name.c_str(), 0, access));
    if (!lock && ::GetLastError() == ERROR_INVALID_OWNER) {
        ::SetSecurityDescriptorOwner(attributes->lpSecurityDescriptor, nullptr, FALSE);
        owner = L"caller";
        lock.reset(::CreateSemaphoreExW(attributes, 1, 1, name.c_str(), 0, access));
    }
    if (!lock || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        Print(fwu::FormatString(L"error lock %lu", ::GetLastError()));
        return 1;
    }
    Print(std::wstring(L"lock owner=") + owner);
    fwu::StartedProgram child;
    DWORD error = 0;
    if (!fwu::StartProgram(L"\"" + program + L"\" /LOG:" + logPath + L" /EXIT:0", nullptr, child, error)) {
        Print(fwu::FormatString(L"error start %lu", error));
        return 1;
    }
    const bool exited = ::WaitForSingleObject(child.process.get(), ms) == WAIT_OBJECT_0;
    DWORD code = 0;
    ::GetExitCodeProcess(child.process.get(), &code);
    Print(fwu::FormatString(L"exited=%d code=%lu", exited ? 1 : 0, code));
    lock.reset();
    // Once the lock is gone the writer goes on; the log is read after it.
    ::WaitForSingleObject(child.process.get(), 180000);
    return 0;
}

// A window of the dialog class, as dialog templates and message boxes make.
fwu::UniqueWindow DialogWindow() {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    return fwu::UniqueWindow(::CreateWindowExW(0, L"#32770", L"shellprobe dialog", style, 0, 0, 200, 100, nullptr,
                                               nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

int NoCloseFlag(HWND window) { return (::GetClassLongPtrW(window, GCL_STYLE) & CS_NOCLOSE) != 0 ? 1 : 0; }
int SysMenuFlag(HWND window) { return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_SYSMENU) != 0 ? 1 : 0; }

int NoClose() {
    fwu::UniqueWindow first = DialogWindow();
    if (!first) return 1;
    Print(fwu::FormatString(L"before noclose=%d sysmenu=%d", NoCloseFlag(first.get()), SysMenuFlag(first.get())));
    {
        fwu::CNoCloseBox box;
        box.Remove(first.get());
        Print(fwu::FormatString(L"removed noclose=%d sysmenu=%d", NoCloseFlag(first.get()), SysMenuFlag(first.get())));
        box.Restore();
        Print(fwu::FormatString(L"restored noclose=%d", NoCloseFlag(first.get())));
        box.Restore();
        Print(fwu::FormatString(L"restored again noclose=%d", NoCloseFlag(first.get())));
    }
    fwu::UniqueWindow next = DialogWindow();
    Print(fwu::FormatString(L"next dialog noclose=%d sysmenu=%d", NoCloseFlag(next.get()), SysMenuFlag(next.get())));
    {
        // A box that ends without Restore gives the style back as well.
        fwu::CNoCloseBox box;
        box.Remove(next.get());
        Print(fwu::FormatString(L"scoped noclose=%d", NoCloseFlag(next.get())));
    }
    Print(fwu::FormatString(L"scope ended noclose=%d", NoCloseFlag(next.get())));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    int rc = 255;
    if (command == L"wait") {
        rc = Wait();
    } else if (command == L"guard") {
        rc = Guard();
    } else if (command == L"log" && argc > 2) {
        rc = Log(argv[2]);
    } else if (command == L"lockopen" && argc > 4) {
        rc = LockOpen(argv[2], argv[3], DWORD(_wtoi(argv[4])));
    } else if (command == L"noclose") {
        rc = NoClose();
    } else if (command == L"sleep" && argc > 2) {
        ::Sleep(DWORD(_wtoi(argv[2])));
        return 5;
    }
    std::fflush(stdout);
    return rc;
}
