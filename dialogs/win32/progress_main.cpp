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
#include "presence_win32.h"
#include "progress_dialog.h"
#include "program_shell.h"

namespace prg {

static_assert(kWmDialogReady == WM_APP + 0xC9 && kWmBringToFront == WM_APP + 0xCA);
static_assert(kHide == SW_HIDE && kShowNormal == SW_SHOWNORMAL && kShowMinimized == SW_SHOWMINIMIZED);
static_assert(kShowMaximized == SW_SHOWMAXIMIZED && kShowNoActivate == SW_SHOWNOACTIVATE && kShow == SW_SHOW);
static_assert(kMinimize == SW_MINIMIZE && kShowMinNoActive == SW_SHOWMINNOACTIVE && kShowNa == SW_SHOWNA);
static_assert(kRestore == SW_RESTORE && kShowDefault == SW_SHOWDEFAULT && kForceMinimize == SW_FORCEMINIMIZE);

namespace {

// What the hidden main window works with: the texts of the dialog, read
// from the configuration file before the window (which starts the dialog)
// is created, and the running dialog thread. Passed as the window's
// creation parameter.
struct MainWindowState {
    Texts texts;
    std::unique_ptr<CProgressThread> thread;
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = static_cast<MainWindowState*>(fwu::HiddenWindowParam(window, message, lParam));
    switch (message) {
        case WM_CREATE:
            if (!state) return -1;
            state->thread = std::make_unique<CProgressThread>();
            state->thread->Start(kDialogTemplate, kProgressBar, kStaticText, state->texts.title, state->texts.message,
                                 0);
            return 0;
        case kWmBringToFront:
            if (state && state->thread) state->thread->BringToFront();
            return 0;
        case WM_ENDSESSION:
            if (!wParam) return 0;
            [[fallthrough]];
        case WM_CLOSE:
            if (state) state->thread.reset();
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
    // The error box has no silent form; it is not shown where nobody can
    // close it.
    const bool noBox = !fwu::MayWaitForPersonHere().canWait;
    if (!dlg::AcceptConfig(config, kConfigRefusal, noBox, log, exitCode)) return exitCode;

    fwu::CInstanceGuard guard(kInstanceName);
    if (!guard.IsCreated()) {
        log.Line(L"error - failed to create mutex.");
        return 0;
    }
    if (guard.IsAlreadyRunning()) {
        // The dialog belongs to the first instance's own thread: it is asked
        // to bring it forward itself.
        fwu::BringFirstInstanceForward(kInstanceName, nullptr, false, kWmBringToFront);
        log.Line(L"error - already existed.");
        return 0;
    }

    MainWindowState state;
    state.texts = ReadTexts(config);
    HWND window = fwu::CreateHiddenWindow(kInstanceName, MainWindowProc, WS_POPUP | WS_DISABLED, &state);
    if (!window) {
        state.thread.reset();
        return 0;
    }
    // Shown without activation: the dialog, brought to the front while the
    // window was created, keeps the foreground and its active caption.
    ::ShowWindow(window, PassiveShowCommand(showCommand));
    if (state.thread) state.thread->BringToFront();
    fwu::RunMessageLoop();
    state.thread.reset();
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
