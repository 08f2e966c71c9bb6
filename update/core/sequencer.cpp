#include "sequencer.h"

#include "update_defs.h"

namespace upd {

// A look at a waited program (IsWaiting) also dispatches the messages
// queued for this thread: the wait asks for the process and for input in
// one call and answers the input at once, so that the hidden window keeps
// answering a second Update's WM_UPDATE_ACTIVATE, WM_CLOSE and
// WM_ENDSESSION however long the program runs. A message box or task
// dialog does the same in its modal loop. Either way, messages reach the
// sequencer again while the task's action or look is still on the stack.
// CActionScope marks that time: a close is held back and done when the
// call returns, and a stray run-task, task-done or next-task message is
// ignored, so that the task is never deleted under the call that uses it.
class CSequencer::CActionScope {
public:
    explicit CActionScope(CSequencer& s) : m_s(s) { ++m_s.m_actionDepth; }
    ~CActionScope() { --m_s.m_actionDepth; }
    CActionScope(const CActionScope&) = delete;
    CActionScope& operator=(const CActionScope&) = delete;

private:
    CSequencer& m_s;
};

CSequencer::CSequencer(RunState& run, const fwu::CGlobalIniMgr* config, ISequencerHost& host, fwu::ILog& log)
    : m_run(run), m_config(config), m_host(host), m_log(log) {}

void CSequencer::OnCreate() {
    m_run.currentTask = m_run.firstTask;
    m_host.PostToWindow(kWmUpdateRunTask);
}

void CSequencer::OnRunTask() {
    // Only the sequence itself posts this; one arriving from outside while
    // an action runs would delete the running task.
    if (m_closed || m_actionDepth > 0) return;
    m_task.reset();
    m_task = m_host.CreateTask();
    ITask* task = m_task.get();
    if (!task || !task->Load(m_run.updateFolder, m_config, m_run.currentTask, m_run.silent)) {
        fwu::LogLine(m_log, L"Load failed %d.", static_cast<int>(m_run.currentTask));
        m_run.exitCode = kExitLoadFailed;
        m_host.PostToWindow(kWmClose);
        return;
    }
    fwu::LogLine(m_log, L"TASK %d.", static_cast<int>(m_run.currentTask));
    if (m_run.skipTrust) {
        m_log.Line(L"Skip trust check.");
    } else if (!task->VerifyTarget()) {
        {
            CActionScope scope(*this);
            m_host.ShowConfigMessage(L"IDS_STR_CERTIFICATION", kMbIconError);
        }
        m_run.exitCode = kExitNotTrusted;
        m_log.Line(L"Target is not trusted.");
        if (!FinishPendingClose()) m_host.PostToWindow(kWmClose);
        return;
    }
    if (!m_run.silent && m_run.nobodyToAnswer && TaskAsksPerson(task->GetType())) {
        // No answer is made up: the next task is often the flash.
        fwu::LogLine(m_log, L"error - nobody can answer TASK %d here: %ls.", static_cast<int>(m_run.currentTask),
                     m_run.nobodyToAnswer);
        m_run.exitCode = kExitNobodyToAnswer;
        m_host.PostToWindow(kWmClose);
        return;
    }
    uint32_t result = 0;
    {
        CActionScope scope(*this);
        result = task->Execute();
    }
    fwu::LogLine(m_log, L"Execute return code 0x%08X.", static_cast<unsigned>(result));
    if (FinishPendingClose()) return;
    PollWaiting(*task);
}

void CSequencer::PollWaiting(ITask& task) {
    uint32_t waiting = 0;
    {
        CActionScope scope(*this);
        waiting = task.IsWaiting();
    }
    if (FinishPendingClose()) return;
    if (waiting)
        m_host.StartTimer(kTimerPoll, kPollPeriodMs);
    else
        m_host.PostToWindow(kWmUpdateTaskDone);
}

void CSequencer::OnTimer(unsigned id) {
    if (id == kTimerPoll) {
        m_host.StopTimer(kTimerPoll);
        ITask* task = m_task.get();
        if (!task || m_closed) return;
        PollWaiting(*task);
    } else if (id == kTimerAfterWait) {
        m_host.StopTimer(kTimerAfterWait);
        ITask* task = m_task.get();
        if (!task || m_closed) return;
        m_run.exitCode = task->GetResult();
        m_host.PostToWindow(kWmUpdateNextTask);
    }
}

void CSequencer::OnTaskDone() {
    ITask* task = m_task.get();
    if (!task || m_closed || m_actionDepth > 0) return;
    uint32_t pause = task->GetAfterWait();
    if (pause == 0) {
        m_run.exitCode = task->GetResult();
        m_host.PostToWindow(kWmUpdateNextTask);
    } else {
        m_host.StartTimer(kTimerAfterWait, pause);
    }
}

void CSequencer::OnNextTask() {
    if (m_closed || m_actionDepth > 0) return;
    ITask* task = m_task.get();
    if (!task) {
        m_log.Line(L"error - unexpected state!.");
        m_host.PostToWindow(kWmClose);
        return;
    }
    fwu::LogLine(m_log, L"return code 0x%08X.", static_cast<unsigned>(m_run.exitCode));
    if (task->GetType() == TASK_RETURN_VALUE) {
        m_log.Line(L"end by return value task.");
        m_host.PostToWindow(kWmClose);
        return;
    }
    uint32_t next = task->GetNextTaskNumber(m_run.exitCode);
    if (next == kTaskListEnd) {
        m_log.Line(L"end index.");
        m_run.exitCode = 0;
        m_host.PostToWindow(kWmClose);
        return;
    }
    m_run.currentTask = next;
    m_host.PostToWindow(kWmUpdateRunTask);
}

void CSequencer::OnActivate() {
    if (m_closed) return;
    if (ITask* task = m_task.get()) {
        task->Activate();
    } else {
        m_host.ForegroundOwnWindow();
    }
}

void CSequencer::OnClose() {
    if (m_closed) return;
    if (m_actionDepth > 0) {
        m_closePending = true;
        return;
    }
    CloseNow();
}

void CSequencer::OnEndSession(bool ending) {
    if (ending) OnClose();
}

bool CSequencer::FinishPendingClose() {
    if (m_closed) return true;
    if (!m_closePending || m_actionDepth > 0) return false;
    CloseNow();
    return true;
}

void CSequencer::CloseNow() {
    m_closePending = false;
    m_closed = true;
    m_host.StopTimer(kTimerAfterWait);
    m_host.StopTimer(kTimerPoll);
    m_task.reset();
    m_host.DestroyOwnWindow();
}

}  // namespace upd
