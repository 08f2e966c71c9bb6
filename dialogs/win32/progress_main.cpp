// Progress: ON opens the waiting window and keeps it until an OFF instance
// (or the end of the session) closes it; OFF closes it and returns once the
// ON instance has ended.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "cmdline.h"
#include "config.h"
#include "handle.h"
#include "log.h"
#include "progress_core.h"
#include "progress_dialog.h"

fwu::CGlobalIniMgr g_IniMgr;

namespace prg {

namespace {

// The running dialog thread, owned by the hidden main window.
std::unique_ptr<CProgressThread> g_pProgressThread;

void StopDialogThread() { g_pProgressThread.reset(); }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            Texts texts = ReadTexts(g_IniMgr);
            g_pProgressThread = std::make_unique<CProgressThread>();
            g_pProgressThread->Start(kDialogTemplate, kProgressBar, kStaticText, texts.title, texts.message, 0);
            return 0;
        }
        case kWmBringToFront:
            if (g_pProgressThread) g_pProgressThread->BringToFront();
            return 0;
        case WM_ENDSESSION:
            if (!wParam) return 0;
            [[fallthrough]];
        case WM_CLOSE:
            StopDialogThread();
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

int RunOn(int showCommand) {
    ::InitCommonControls();
    int found = fwu::LocateConfigFile(g_IniMgr, fwu::ConfigLayout::ToolFolder);
    ConfigVerdict verdict = JudgeConfig(found != 0, g_IniMgr.m_bValid != 0);
    if (!verdict.proceed) {
        ::MessageBoxW(nullptr, verdict.message, L"Error", verdict.errorIcon ? MB_ICONERROR : MB_OK);
        LogPrintf(L"%ls", verdict.logLine);
        return static_cast<int>(verdict.exitCode);
    }

    fwu::UniqueHandle mutex(::CreateMutexExW(nullptr, kInstanceName, 0, MUTEX_ALL_ACCESS));
    DWORD error = ::GetLastError();
    if (!mutex) {
        LogPrintf(L"error - failed to create mutex.");
        return 0;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        ::AllowSetForegroundWindow(ASFW_ANY);
        if (HWND first = ::FindWindowW(kInstanceName, nullptr)) ::PostMessageW(first, kWmBringToFront, 0, 0);
        LogPrintf(L"error - already existed.");
        return 0;
    }

    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kInstanceName;
    if (!::RegisterClassExW(&wc)) return 0;
    HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kInstanceName, L"", WS_POPUP | WS_DISABLED, 0, 0, 0, 0,
                                    nullptr, nullptr, instance, nullptr);
    if (!window) {
        StopDialogThread();
        return 0;
    }
    // Shown without activation: the dialog, brought to the front while the
    // window was created, keeps the foreground and its active caption.
    ::ShowWindow(window, PassiveShowCommand(showCommand));
    if (g_pProgressThread) g_pProgressThread->BringToFront();
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    StopDialogThread();
    return 0;
}

class COffWindows final : public IOffEnv {
public:
    bool FindInstanceWindow() override {
        m_window = ::FindWindowW(kInstanceName, nullptr);
        return m_window != nullptr;
    }
    void PostClose() override { ::PostMessageW(m_window, WM_CLOSE, 0, 0); }
    bool InstanceExists() override {
        fwu::UniqueHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceName));
        return mutex.valid();
    }
    uint32_t Now() override { return ::GetTickCount(); }
    void Sleep(uint32_t ms) override { ::Sleep(ms); }

private:
    HWND m_window = nullptr;
};

int RunOff() {
    COffWindows windows;
    return static_cast<int>(prg::RunOff(windows));
}

}  // namespace

int RunProgress(int showCommand) {
    Options options;
    {
        CParseParam params;
        options = ReadOptions(params);
    }
    if (!options.logPath.empty()) OpenLogFile(options.logPath, kBannerName);
    fwu::ScopeExit closeLog([] { CloseLogFile(); });
    switch (options.mode) {
        case Mode::On:
            return RunOn(showCommand);
        case Mode::Off:
            return RunOff();
        case Mode::Silent:
        case Mode::None:
            return 0;
    }
    return 0;
}

}  // namespace prg

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) { return prg::RunProgress(showCommand); }
