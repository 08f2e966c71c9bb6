// The hidden window's procedure: forwards each message of the task
// sequence to the portable sequencer and makes its platform calls.
#include <memory>

#include "config_message.h"
#include "program_shell.h"
#include "sequencer.h"
#include "task_services_win32.h"
#include "update_defs.h"
#include "window.h"

namespace upd {

// Platform values the portable sequencer and start-up restate.
static_assert(kWmClose == WM_CLOSE);
static_assert(kMbIconError == MB_ICONERROR);
static_assert(kWmUpdateRunTask == WM_APP + 202 && kWmUpdateTaskDone == WM_APP + 203);
static_assert(kWmUpdateNextTask == WM_APP + 204 && kWmUpdateActivate == WM_APP + 205);

class CSequencerWindow final : public ISequencerHost {
public:
    CSequencerWindow(HWND window, SequencerWindowContext& context)
        : m_window(window),
          m_context(context),
          m_services(window, context.run.probes, context.log),
          m_sequencer(context.run, &context.config, *this, context.log) {}

    CSequencer& Sequencer() { return m_sequencer; }

    void PostToWindow(unsigned message) override { ::PostMessageW(m_window, message, 0, 0); }
    void StartTimer(unsigned id, uint32_t milliseconds) override { ::SetTimer(m_window, id, milliseconds, nullptr); }
    void StopTimer(unsigned id) override { ::KillTimer(m_window, id); }
    void DestroyOwnWindow() override { ::DestroyWindow(m_window); }
    void ForegroundOwnWindow() override { ::SetForegroundWindow(m_window); }
    void ShowConfigMessage(const std::wstring& key, unsigned flags) override {
        upd::ShowConfigMessage(m_context.config, ShowsNoBox(m_context.run), key, flags);
    }
    std::unique_ptr<ITask> CreateTask() override { return std::make_unique<CTask>(m_services.Services()); }

private:
    HWND m_window;
    SequencerWindowContext& m_context;
    CWin32TaskServices m_services;
    CSequencer m_sequencer;
};

SequencerWindowContext::SequencerWindowContext(RunState& r, const fwu::CGlobalIniMgr& c, fwu::ILog& l)
    : run(r), config(c), log(l) {}

SequencerWindowContext::~SequencerWindowContext() { End(); }

void SequencerWindowContext::End() { window.reset(); }

LRESULT CALLBACK UpdateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* context = static_cast<SequencerWindowContext*>(fwu::HiddenWindowParam(window, message, lParam));
    CSequencer* seq = context && context->window ? &context->window->Sequencer() : nullptr;
    switch (message) {
        case WM_CREATE:
            if (!context) return -1;
            context->window = std::make_unique<CSequencerWindow>(window, *context);
            context->window->Sequencer().OnCreate();
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
            if (seq)
                seq->OnClose();
            else
                ::DestroyWindow(window);
            return 0;
        case WM_ENDSESSION:
            if (seq) seq->OnEndSession(wParam != 0);
            return 0;
        default:
            // WM_DESTROY ends the message loop.
            return fwu::MainWindowDefault(window, message, wParam, lParam);
    }
}

}  // namespace upd
