// Program tasks: starting the program of a type-0 task, watching it without
// blocking, and bringing its window (or Update's) to the front.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "log_process.h"
#include "task.h"

namespace upd {

namespace {
HWND Owner(const CTask& task) { return static_cast<HWND>(task.m_hOwner); }
}  // namespace

uint32_t CTask::StartProcess() {
    const std::wstring line = BuildProcessCommandLine(Path, ChosenArguments());
    // CreateProcessW may write into its command line.
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    LogPrintf(L"  Exec: %ls.", line.c_str());

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
                          nullptr, Dir.c_str(), &startup, &info)) {
        LogPrintf(L"  Error - Exec failed (%d).", static_cast<int>(::GetLastError()));
        return kTaskFailed;
    }
    ::CloseHandle(info.hThread);
    SetProcessHandle(info.hProcess);
    return 0;
}

uint32_t CTask::StartShellExecute() {
    const std::wstring file = L"\"" + Path + L"\"";
    const std::wstring& arguments = ChosenArguments();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NO_CONSOLE;
    info.hwnd = nullptr;
    info.lpVerb = Verb.empty() ? nullptr : Verb.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.lpDirectory = Dir.empty() ? nullptr : Dir.c_str();
    info.nShow = m_bSilent ? SW_HIDE : SW_SHOWNORMAL;
    LogPrintf(L"  Exec: %ls %ls.", file.c_str(), arguments.c_str());
    if (!::ShellExecuteExW(&info)) {
        LogPrintf(L"  Error - Exec failed (%d).", static_cast<int>(::GetLastError()));
        return kTaskFailed;
    }
    SetProcessHandle(info.hProcess);
    return 0;
}

void CTask::BringOwnerToFront() {
    if (m_bSilent) return;
    HWND owner = Owner(*this);
    if (::GetForegroundWindow() == owner) return;
    ::SetWindowPos(owner, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ::SetForegroundWindow(owner);
    ::SetWindowPos(owner, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

uint32_t CTask::IsWaiting() {
    if (!WaitExit) return 0;
    if (Type == TASK_RUN_PROGRAM) {
        if (!m_hProcess) return 0;
        HANDLE process = static_cast<HANDLE>(m_hProcess);
        DWORD wait = ::MsgWaitForMultipleObjects(1, &process, FALSE, 0, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            DWORD code = 0;
            if (::GetExitCodeProcess(process, &code)) m_nResult = code;
            CloseProcessHandle();
            ReleaseHashedFile();
            return 0;
        }
        if (wait == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    // Leave the end of the run to the message loop.
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            return 1;
        }
        if (wait == WAIT_TIMEOUT) return 1;
        m_nResult = 0;
        return 0;
    }
    if (Type == TASK_OPEN_URL) {
        if (!m_hProcess) return 0;
        if (::WaitForSingleObject(static_cast<HANDLE>(m_hProcess), 0) != WAIT_OBJECT_0) return 1;
        CloseProcessHandle();
        return 0;
    }
    return 0;
}

void CTask::Activate() {
    if (Type == TASK_RUN_PROGRAM || Type == TASK_OPEN_URL) {
        if (m_hProcess) {
            DWORD id = ::GetProcessId(static_cast<HANDLE>(m_hProcess));
            for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                DWORD owner = 0;
                ::GetWindowThreadProcessId(w, &owner);
                if (id != 0 && owner == id) {
                    ::SetForegroundWindow(w);
                    return;
                }
            }
        }
        BringOwnerToFront();
        return;
    }
    if (Type == TASK_MESSAGE_BOX || Type == TASK_TASK_DIALOG) {
        ActivateDialog();
        return;
    }
    BringOwnerToFront();
}

}  // namespace upd
