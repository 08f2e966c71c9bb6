// Starting the program of a program task or the browser of a web-page task,
// verified through a held file, and watching it without blocking.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <utility>

#include "handle.h"
#include "program_shell.h"
#include "task_services_win32.h"
#include "verify.h"

namespace upd {

namespace {

// A file held open by a task (see IFileHold).
class CFileHold final : public IFileHold {
public:
    explicit CFileHold(fwu::UniqueFile file) : m_file(std::move(file)) {}

private:
    fwu::UniqueFile m_file;
};

// The launch information of IELaunchURL.
struct IeLaunchUrlInfo {
    DWORD cbSize;
    DWORD dwCreationFlags;
    DWORD dwLaunchOptionFlags;
};
using IELaunchURLFn = HRESULT(WINAPI*)(LPCWSTR, PROCESS_INFORMATION*, void*);

class CStartedProcess final : public IStartedProgram {
public:
    explicit CStartedProcess(fwu::UniqueHandle process) : m_process(std::move(process)) {}

    State Poll(bool pumpMessages, uint32_t& exitCode) override {
        HANDLE process = m_process.get();
        fwu::WaitOutcome wait = fwu::WaitOutcome::Failed;
        if (pumpMessages) {
            // A quit met while dispatching is posted again: the message loop
            // ends the run.
            wait = fwu::WaitPumping(process, 0);
        } else {
            const DWORD rc = ::WaitForSingleObject(process, 0);
            wait = rc == WAIT_OBJECT_0   ? fwu::WaitOutcome::Signalled
                   : rc == WAIT_TIMEOUT ? fwu::WaitOutcome::Pending
                                        : fwu::WaitOutcome::Failed;
        }
        switch (wait) {
            case fwu::WaitOutcome::Signalled: {
                DWORD code = 0;
                if (!::GetExitCodeProcess(process, &code)) return State::EndedNoCode;
                exitCode = code;
                return State::Ended;
            }
            case fwu::WaitOutcome::Pending:
            case fwu::WaitOutcome::Quit:
                return State::Running;
            case fwu::WaitOutcome::Failed:
                break;
        }
        return State::Failed;
    }

    bool ForegroundWindow() override {
        const DWORD id = ::GetProcessId(m_process.get());
        if (id == 0) return false;
        for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if (owner == id) {
                ::SetForegroundWindow(w);
                return true;
            }
        }
        return false;
    }

private:
    fwu::UniqueHandle m_process;
};

StartedProgram Watch(fwu::UniqueHandle process) {
    if (!process) return nullptr;
    return std::make_unique<CStartedProcess>(std::move(process));
}

}  // namespace

int32_t CWin32ProgramRunner::VerifyFileTrust(const std::wstring& path, FileHold& hold) {
    fwu::UniqueFile file;
    const int32_t result = VerifyFileSignature(path, file);
    if (file) hold = std::make_unique<CFileHold>(std::move(file));
    return result;
}

std::wstring CWin32ProgramRunner::HashFileSha256(const std::wstring& path, FileHold& hold) {
    fwu::UniqueFile file;
    std::wstring hash = upd::HashFileSha256(path, file);
    if (file) hold = std::make_unique<CFileHold>(std::move(file));
    return hash;
}

void CWin32ProgramRunner::AllowSetForeground() { ::AllowSetForegroundWindow(ASFW_ANY); }

bool CWin32ProgramRunner::StartProcess(const std::wstring& commandLine, const std::wstring& directory,
                                       StartedProgram& process, uint32_t& error) {
    fwu::StartedProgram started;
    DWORD lastError = 0;
    if (!fwu::StartProgram(commandLine, directory.c_str(), started, lastError)) {
        error = lastError;
        return false;
    }
    process = Watch(std::move(started.process));
    return true;
}

bool CWin32ProgramRunner::StartShellExecute(const ShellStart& start, StartedProgram& process, uint32_t& error) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NO_CONSOLE;
    info.hwnd = nullptr;
    info.lpVerb = start.verb.empty() ? nullptr : start.verb.c_str();
    info.lpFile = start.file.c_str();
    info.lpParameters = start.parameters.empty() ? nullptr : start.parameters.c_str();
    info.lpDirectory = start.directory.empty() ? nullptr : start.directory.c_str();
    info.nShow = start.hidden ? SW_HIDE : SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&info)) {
        error = ::GetLastError();
        return false;
    }
    process = Watch(fwu::UniqueHandle(info.hProcess));
    return true;
}

int32_t CWin32ProgramRunner::LaunchUrl(const std::wstring& url, StartedProgram& process) {
    HRESULT hr = E_NOTIMPL;
    PROCESS_INFORMATION pi{};
    {
        // From the system folder only: Update runs elevated from a package
        // folder that others may have written to.
        fwu::UniqueModule ieframe(::LoadLibraryExW(L"ieframe.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (ieframe) {
            auto launch = reinterpret_cast<IELaunchURLFn>(
                reinterpret_cast<void*>(::GetProcAddress(ieframe.get(), "IELaunchURL")));
            if (launch) {
                IeLaunchUrlInfo launchInfo{sizeof(IeLaunchUrlInfo), 0, 0};
                hr = launch(url.c_str(), &pi, &launchInfo);
            }
        }
    }
    fwu::UniqueHandle thread(pi.hThread);
    fwu::UniqueHandle started(pi.hProcess);
    if (SUCCEEDED(hr)) process = Watch(std::move(started));
    return static_cast<int32_t>(hr);
}

}  // namespace upd
