// The hidden window's procedure: forwards each message of the task
// sequence to the portable sequencer and makes its platform calls.
#include <memory>

#include "config_message.h"
#include "globals.h"
#include "log_process.h"
#include "runstate.h"
#include "sequencer.h"
#include "update_defs.h"
#include "window.h"

namespace upd {

namespace {

class CWindowHost final : public ISequencerHost {
public:
    explicit CWindowHost(HWND window) : m_window(window) {}
    void PostToWindow(unsigned message) override { ::PostMessageW(m_window, message, 0, 0); }
    void StartTimer(unsigned id, uint32_t milliseconds) override { ::SetTimer(m_window, id, milliseconds, nullptr); }
    void StopTimer(unsigned id) override { ::KillTimer(m_window, id); }
    void DestroyOwnWindow() override { ::DestroyWindow(m_window); }
    void ForegroundOwnWindow() override { ::SetForegroundWindow(m_window); }
    void ShowConfigMessage(const std::wstring& key, unsigned flags) override { upd::ShowConfigMessage(key, flags); }
    void Log(const std::wstring& line) override { LogWriteLine(line); }
    std::unique_ptr<CTask> CreateTask() override { return std::make_unique<CTask>(m_window, PlatformTaskServices()); }

private:
    HWND m_window;
};

struct SequencerWindow {
    std::unique_ptr<CWindowHost> host;
    std::unique_ptr<CSequencer> sequencer;
};
// One hidden window per run.
SequencerWindow g_window;

}  // namespace

LRESULT CALLBACK UpdateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CSequencer* seq = g_window.sequencer.get();
    switch (message) {
        case WM_CREATE:
            g_window.host = std::make_unique<CWindowHost>(window);
            g_window.sequencer = std::make_unique<CSequencer>(g_run, &g_IniMgr, *g_window.host);
            g_window.sequencer->OnCreate();
            return 0;
        case kWmUpdateRunTask:
            if (seq) seq->OnRunTask();
            return 0;
        case kWmUpdateTaskDone:
            if (seq) seq->OnTaskDone();
            return 0;
        case kWmUpdateNextTask:
            if (seq) seq->OnNextTask();
            return 0;
        case kWmUpdateActivate:
            if (seq)
                seq->OnActivate();
            else
                ::SetForegroundWindow(window);
            return 0;
        case WM_TIMER:
            if (seq && (wParam == kTimerPoll || wParam == kTimerAfterWait)) seq->OnTimer(unsigned(wParam));
            return ::DefWindowProcW(window, message, wParam, lParam);
        case WM_CLOSE:
            if (seq) seq->OnClose();
            else ::DestroyWindow(window);
            return 0;
        case WM_ENDSESSION:
            if (seq) seq->OnEndSession(wParam != 0);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

void EndSequencer() {
    g_run.task.reset();
    g_window.sequencer.reset();
    g_window.host.reset();
}

}  // namespace upd
