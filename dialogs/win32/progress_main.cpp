// Progress: ON opens the waiting window and keeps it until an OFF instance
// (or the end of the session) closes it; OFF closes it and returns once the
// ON instance has ended.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "config_win32.h"
#include "dialog_start.h"
#include "handle.h"
#include "progress_core.h"
#include "progress_dialog.h"
#include "program_shell.h"

namespace prg {

namespace {

// The running dialog thread, owned by the hidden main window.
std::unique_ptr<CProgressThread> g_pProgressThread;
// What the dialog shows, read from the configuration file before the main
// window (which starts the dialog) is created.
Texts g_texts;

void StopDialogThread() { g_pProgressThread.reset(); }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            g_pProgressThread = std::make_unique<CProgressThread>();
            g_pProgressThread->Start(kDialogTemplate, kProgressBar, kStaticText, g_texts.title, g_texts.message, 0);
            return 0;
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
        default:
            return fwu::MainWindowDefault(window, message, wParam, lParam);
    }
}

int RunOn(int showCommand, fwu::ILog& log) {
    ::InitCommonControls();
    fwu::CGlobalIniMgr config(fwu::PlatformProfileSource());
    int exitCode = 0;
    if (!dlg::AcceptConfig(config, JudgeConfig, false, log, exitCode)) return exitCode;

    fwu::CInstanceGuard guard(kInstanceName);
    if (!guard.IsCreated()) {
        fwu::LogLine(log, L"error - failed to create mutex.");
        return 0;
    }
    if (guard.IsAlreadyRunning()) {
        ::AllowSetForegroundWindow(ASFW_ANY);
        if (HWND first = ::FindWindowW(kInstanceName, nullptr)) ::PostMessageW(first, kWmBringToFront, 0, 0);
        fwu::LogLine(log, L"error - already existed.");
        return 0;
    }

    g_texts = ReadTexts(config);
    HWND window = fwu::CreateHiddenWindow(kInstanceName, MainWindowProc, WS_POPUP | WS_DISABLED);
    if (!window) {
        StopDialogThread();
        return 0;
    }
    // Shown without activation: the dialog, brought to the front while the
    // window was created, keeps the foreground and its active caption.
    ::ShowWindow(window, PassiveShowCommand(showCommand));
    if (g_pProgressThread) g_pProgressThread->BringToFront();
    fwu::RunMessageLoop();
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

int RunProgress(int showCommand, const Options& options, fwu::ILog& log) {
    switch (options.mode) {
        case Mode::On:
            return RunOn(showCommand, log);
        case Mode::Off:
            return RunOff();
        case Mode::Silent:
        case Mode::None:
            return 0;
    }
    return 0;
}

}  // namespace prg

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    return fwu::RunWithOptions(prg::kBannerName, prg::ReadOptions,
                               [showCommand](const prg::Options& options, fwu::ILog& log) {
                                   return prg::RunProgress(showCommand, options, log);
                               });
}
