// The task sequence of Update: the decisions that the hidden window's
// messages and timers drive, one message at a time. The window procedure
// only forwards messages here; every effect on the platform goes through
// ISequencerHost, and its lines to the program's log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "logsink.h"
#include "runstate.h"
#include "task.h"

namespace fwu {
class CGlobalIniMgr;
}

namespace upd {

inline constexpr unsigned kWmClose = 0x0010;        // WM_CLOSE
inline constexpr unsigned kTimerAfterWait = 1;      // one-shot pause after a task
inline constexpr unsigned kTimerPoll = 2;           // one-shot poll of a started program
inline constexpr uint32_t kPollPeriodMs = 300;
inline constexpr unsigned kMbIconError = 0x10;      // MB_ICONERROR

class ISequencerHost {
public:
    virtual ~ISequencerHost() = default;
    // PostMessageW(hidden window, message, 0, 0).
    virtual void PostToWindow(unsigned message) = 0;
    virtual void StartTimer(unsigned id, uint32_t milliseconds) = 0;
    virtual void StopTimer(unsigned id) = 0;
    virtual void DestroyOwnWindow() = 0;
    // SetForegroundWindow on the hidden window.
    virtual void ForegroundOwnWindow() = 0;
    virtual void ShowConfigMessage(const std::wstring& key, unsigned flags) = 0;
    // A new, not yet loaded task for the hidden window.
    virtual std::unique_ptr<ITask> CreateTask() = 0;
};

class CSequencer {
public:
    // The sequence's own lines ("TASK n.", "return code ...") go to `log`.
    CSequencer(RunState& run, const fwu::CGlobalIniMgr* config, ISequencerHost& host, fwu::ILog& log);
    virtual ~CSequencer() = default;
    CSequencer(const CSequencer&) = delete;
    CSequencer& operator=(const CSequencer&) = delete;

    void OnCreate();
    void OnRunTask();
    void OnTaskDone();
    void OnNextTask();
    void OnActivate();
    void OnTimer(unsigned id);
    // WM_CLOSE, and WM_ENDSESSION whose wParam is not 0. While the current
    // task's action runs (a dialog's modal loop, or the dispatching of a
    // wait poll) the close is held back and done when the action returns.
    void OnClose();
    void OnEndSession(bool ending);

    bool IsClosed() const { return m_closed; }

private:
    // Brackets a call into the task's action; messages that would delete
    // the task are held back or ignored inside it.
    class CActionScope;
    void CloseNow();
    // After an action returned: true when a held-back close was done.
    bool FinishPendingClose();
    // Asks the task whether its action still runs: polls again later or
    // moves on to the task-done step.
    void PollWaiting(ITask& task);

    RunState& m_run;
    const fwu::CGlobalIniMgr* m_config;
    ISequencerHost& m_host;
    fwu::ILog& m_log;
    // The current task, at most one: replaced at each run-task step, gone
    // when the run ends or the sequencer is destroyed.
    std::unique_ptr<ITask> m_task;
    int m_actionDepth = 0;
    bool m_closePending = false;
    bool m_closed = false;
};

}  // namespace upd
