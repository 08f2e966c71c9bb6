#include "program_shell.h"

#include <vector>

#include "cmdline_win32.h"

namespace fwu {

CProgramShell::CProgramShell() : m_params(ProcessArguments()) {}

ILog& CProgramShell::OpenLog(const std::wstring& path, const std::wstring& bannerName) {
    if (!m_log) m_log.emplace(path, bannerName);
    return *m_log;
}

ILog& CProgramShell::Log() {
    if (m_log) return *m_log;
    return m_none;
}

CInstanceGuard::CInstanceGuard(const wchar_t* name) : m_name(name) { Create(); }

void CInstanceGuard::Create() {
    m_mutex.reset();
    m_mutex.reset(::CreateMutexExW(nullptr, m_name.c_str(), 0, MUTEX_ALL_ACCESS));
    m_error = ::GetLastError();
    if (!m_mutex)
        m_state = InstanceState::Failed;
    else if (m_error == ERROR_ALREADY_EXISTS)
        m_state = InstanceState::AlreadyRunning;
    else
        m_state = InstanceState::First;
}

bool CInstanceGuard::Retry(int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        Create();
        if (m_state == InstanceState::First) return true;
    }
    return false;
}

HWND BringFirstInstanceForward(const wchar_t* windowClass, const wchar_t* caption, bool takeForeground,
                               UINT message) {
    ::AllowSetForegroundWindow(ASFW_ANY);
    HWND first = ::FindWindowW(windowClass, caption);
    if (!first) return nullptr;
    if (takeForeground) ::SetForegroundWindow(first);
    if (message != 0) ::PostMessageW(first, message, 0, 0);
    return first;
}

HWND CreateHiddenWindow(const wchar_t* className, WNDPROC windowProc, DWORD style, void* createParam) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    if (!::RegisterClassExW(&wc)) return nullptr;
    return ::CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", style, 0, 0, 0, 0, nullptr, nullptr, instance,
                             createParam);
}

void* HiddenWindowParam(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<void*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT MainWindowDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int RunMessageLoop() {
    MSG msg{};
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}

bool StartProgram(const std::wstring& commandLine, const wchar_t* workingFolder, StartedProgram& started,
                  DWORD& error) {
    // CreateProcessW may write into its command line.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
                          nullptr, workingFolder, &startup, &info)) {
        error = ::GetLastError();
        return false;
    }
    started.process.reset(info.hProcess);
    started.thread.reset(info.hThread);
    error = 0;
    return true;
}

WaitOutcome WaitPumping(HANDLE object, DWORD timeoutMs) {
    DWORD rc = ::MsgWaitForMultipleObjects(1, &object, FALSE, timeoutMs, QS_ALLINPUT);
    if (rc == WAIT_OBJECT_0) return WaitOutcome::Signalled;
    if (rc == WAIT_TIMEOUT) return WaitOutcome::Pending;
    if (rc != WAIT_OBJECT_0 + 1) return WaitOutcome::Failed;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return WaitOutcome::Quit;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return WaitOutcome::Pending;
}

bool WaitForProcessPumping(HANDLE process, DWORD stepMs) {
    for (;;) {
        switch (WaitPumping(process, stepMs)) {
            case WaitOutcome::Signalled:
                return true;
            case WaitOutcome::Pending:
                continue;
            case WaitOutcome::Failed:
                return false;
            case WaitOutcome::Quit:
                // Pumping again would take the reposted WM_QUIT at once.
                for (;;) {
                    DWORD rc = ::WaitForSingleObject(process, stepMs);
                    if (rc == WAIT_OBJECT_0) return true;
                    if (rc != WAIT_TIMEOUT) return false;
                }
        }
    }
}

}  // namespace fwu
