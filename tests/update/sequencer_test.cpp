// The task sequence driven message by message: every ending, the log lines
// of a task in order, the timers, and closes that arrive while an action
// is still running.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>

#include "sequencer.h"
#include "task_doubles.h"
#include "update_defs.h"

using namespace upd;
using testing_upd::FakeServices;
using testing_upd::TextConfig;

namespace {

// The task of a run, telling when it is destroyed and counting the tasks
// that exist.
class ObservedTask final : public ITask {
public:
    ObservedTask(const TaskServices& services, bool* destroyed, int& alive)
        : m_task(services), m_destroyed(destroyed), m_alive(alive) {
        ++m_alive;
    }
    ~ObservedTask() override {
        --m_alive;
        if (m_destroyed) *m_destroyed = true;
    }
    bool Load(const std::wstring& folder, const fwu::CGlobalIniMgr* config, uint32_t number,
              uint32_t silent) override {
        return m_task.Load(folder, config, number, silent);
    }
    uint32_t VerifyTarget() override { return m_task.VerifyTarget(); }
    uint32_t Execute() override { return m_task.Execute(); }
    uint32_t IsWaiting() override { return m_task.IsWaiting(); }
    void Activate() override { m_task.Activate(); }
    uint32_t GetAfterWait() override { return m_task.GetAfterWait(); }
    uint32_t GetNextTaskNumber(uint32_t result) override { return m_task.GetNextTaskNumber(result); }
    uint32_t GetType() override { return m_task.GetType(); }
    uint32_t GetResult() override { return m_task.GetResult(); }

private:
    CTask m_task;
    bool* m_destroyed;
    int& m_alive;
};

class FakeHost : public ISequencerHost, public fwu::ILog {
public:
    void PostToWindow(unsigned message) override { queue.push_back(message); }
    void StartTimer(unsigned id, uint32_t ms) override { timers[id] = ms; started.push_back({id, ms}); }
    void StopTimer(unsigned id) override { timers.erase(id); }
    void DestroyOwnWindow() override { ++destroyed; }
    void ForegroundOwnWindow() override { ++foregrounded; }
    void ShowConfigMessage(const std::wstring& key, unsigned flags) override {
        boxes.push_back(key + L" " + std::to_wstring(flags));
        if (onBox) onBox();
    }
    void Line(const std::wstring& line) override { logs.push_back(line); }
    std::unique_ptr<ITask> CreateTask() override {
        if (prepare) prepare(*platform);
        ++created;
        return std::make_unique<ObservedTask>(platform->Services(), destroyedFlag, alive);
    }

    std::unique_ptr<FakeServices> platform = std::make_unique<FakeServices>();
    std::function<void(FakeServices&)> prepare;
    bool* destroyedFlag = nullptr;
    std::function<void()> onBox;
    std::deque<unsigned> queue;
    std::map<unsigned, uint32_t> timers;
    std::vector<std::pair<unsigned, uint32_t>> started;
    std::vector<std::wstring> logs, boxes;
    int destroyed = 0, foregrounded = 0, created = 0;
    int alive = 0;  // tasks that exist now
};

struct Sequence : ::testing::Test {
    FakeHost host;
    RunState run;
    std::unique_ptr<TextConfig> config;
    std::unique_ptr<CSequencer> seq;

    void Start(const std::wstring& ini, uint32_t first = 1) {
        config = std::make_unique<TextConfig>(ini);
        run.firstTask = first;
        run.updateFolder = L"C:\\pkg";
        seq = std::make_unique<CSequencer>(run, config->get(), host, host);
        seq->OnCreate();
    }
    void Deliver(unsigned message) {
        switch (message) {
            case kWmUpdateRunTask: seq->OnRunTask(); break;
            case kWmUpdateTaskDone: seq->OnTaskDone(); break;
            case kWmUpdateNextTask: seq->OnNextTask(); break;
            case kWmUpdateActivate: seq->OnActivate(); break;
            case kWmClose: seq->OnClose(); break;
            default: FAIL() << "unexpected message " << message;
        }
    }
    // Delivers posted messages, and fires a pending timer when the queue is
    // empty, until the window is gone or nothing is left (at most `limit`).
    void Pump(int limit = 10000) {
        for (int i = 0; i < limit && !seq->IsClosed(); ++i) {
            if (!host.queue.empty()) {
                unsigned m = host.queue.front();
                host.queue.pop_front();
                Deliver(m);
            } else if (!host.timers.empty()) {
                seq->OnTimer(host.timers.begin()->first);
            } else {
                return;
            }
        }
    }
};

}  // namespace

TEST_F(Sequence, BranchesOnExitCodesAndEndsWithReturnValue) {
    host.prepare = [](FakeServices& t) { t.exitCode = 0x80000001; };
    Start(L"[TASK_1]\nType=0\nPath=a.exe\nWaitExit=TRUE\nRET_0x80000001=5\n"
          L"[TASK_5]\nType=9\nGoto=7\n[TASK_7]\nType=11\nData=0x10\n");
    run.skipTrust = 1;
    Pump();
    EXPECT_EQ(run.exitCode, 16u);
    EXPECT_EQ(host.logs, (std::vector<std::wstring>{
                             L"TASK 1.", L"Skip trust check.", L"Execute return code 0x00000000.",
                             L"return code 0x80000001.", L"TASK 5.", L"Skip trust check.",
                             L"Execute return code 0x00000007.", L"return code 0x00000007.", L"TASK 7.",
                             L"Skip trust check.", L"Execute return code 0x00000010.", L"return code 0x00000010.",
                             L"end by return value task."}));
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_EQ(host.alive, 0) << "no task is left";
}

TEST_F(Sequence, EndIndexGivesZero) {
    Start(L"[TASK_3]\nType=12\nData=/q\nRET_0x00000001=-1\n", 3);
    Pump();
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(host.logs.back(), L"end index.");
    EXPECT_EQ(host.logs[0], L"TASK 3.");
    // A go-to without Goto ends the run the same way.
    host = FakeHost();
    Start(L"[TASK_1]\nType=9\nRET_0xFFFFFFFF=2\n");
    Pump();
    EXPECT_EQ(host.logs.back(), L"end index.");
    EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(Sequence, MissingSectionEndsWithNine) {
    Start(L"[TASK_4]\nType=12\nData=/q\n", 4);
    Pump();
    EXPECT_EQ(host.logs.back(), L"Load failed 5.");
    EXPECT_EQ(run.exitCode, 9u);
    host = FakeHost();
    Start(L"[TASK_1]\nType=14\n");
    Pump();
    EXPECT_EQ(host.logs, std::vector<std::wstring>{L"Load failed 1."});
    EXPECT_EQ(run.exitCode, 9u);
    EXPECT_EQ(host.destroyed, 1);
}

TEST_F(Sequence, UntrustedTargetEndsWithTenBeforeStarting) {
    host.platform->trustResult = int32_t(0x800B0100);
    Start(L"[TASK_1]\nType=0\nPath=a.exe\n");
    Pump();
    EXPECT_EQ(run.exitCode, 10u);
    EXPECT_EQ(host.logs, (std::vector<std::wstring>{L"TASK 1.", L"Target is not trusted."}));
    EXPECT_EQ(host.platform->logs, std::vector<std::wstring>{L"  WinVerifyTrust return 0x800B0100."});
    EXPECT_EQ(host.boxes, std::vector<std::wstring>{L"IDS_STR_CERTIFICATION 16"});
    EXPECT_TRUE(host.platform->journal.empty()) << "nothing was started";
    // Verify=FALSE lets it run.
    host = FakeHost();
    host.platform->trustResult = int32_t(0x800B0100);
    Start(L"[TASK_1]\nType=0\nPath=a.exe\nVerify=FALSE\nRET_0x00000000=-1\n");
    Pump();
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(host.logs.back(), L"end index.");
}

TEST_F(Sequence, WaitPollsEveryThreeHundredMillisecondsThenAfterWait) {
    host.prepare = [](FakeServices& t) {
        t.pollsBeforeExit = 3;
        t.exitCode = 5;
    };
    Start(L"[TASK_1]\nType=0\nPath=a.exe\nWaitExit=TRUE\nAfterWait=2000\n[TASK_2]\nType=11\nData=5\n");
    run.skipTrust = 1;
    Pump();
    EXPECT_EQ(run.exitCode, 5u);
    // Right after Execute, then three ticks that still wait, then the one
    // that sees the end; then the pause.
    using Started = std::vector<std::pair<unsigned, uint32_t>>;
    Started expected(3, {kTimerPoll, 300});
    expected.push_back({kTimerAfterWait, 2000});
    EXPECT_EQ(host.started, expected);
    // Three looks that see it running, one that sees the end.
    EXPECT_EQ(std::count(host.platform->journal.begin(), host.platform->journal.end(), L"Poll pumping"), 4);
    EXPECT_TRUE(host.timers.empty());
}

TEST_F(Sequence, FailedStartBranchesOnAllOnes) {
    host.prepare = [](FakeServices& t) { t.startFails = true; };
    Start(L"[TASK_1]\nType=0\nPath=missing.exe\nWaitExit=TRUE\nRET_0xFFFFFFFF=9\n[TASK_9]\nType=11\nData=3\n");
    run.skipTrust = 1;
    Pump();
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(host.logs[2], L"Execute return code 0xFFFFFFFF.");
    EXPECT_EQ(host.logs[3], L"return code 0xFFFFFFFF.");
}

TEST_F(Sequence, SelfLoopKeepsOneTaskAndStaysResponsive) {
    Start(L"[TASK_1]\nType=12\nData=/q\nRET_0x00000001=1\n");
    Pump(3000);
    EXPECT_FALSE(seq->IsClosed());
    EXPECT_GT(host.created, 500);
    // A close from outside ends it with the exit code stored last.
    host.queue.push_back(kWmUpdateActivate);
    host.queue.push_back(kWmClose);
    Pump();
    EXPECT_TRUE(seq->IsClosed());
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(host.alive, 0) << "no task is left";
}

TEST_F(Sequence, TheCurrentTaskGoesWithTheSequencer) {
    // After the message loop the window's sequencer is destroyed: the task
    // it ran last lets go of its program then.
    bool destroyed = false;
    host.destroyedFlag = &destroyed;
    host.prepare = [](FakeServices& t) { t.pollsBeforeExit = 100; };
    Start(L"[TASK_1]\nType=0\nPath=a.exe\nWaitExit=TRUE\n");
    run.skipTrust = 1;
    Deliver(kWmUpdateRunTask);
    ASSERT_EQ(host.platform->processesOpen, 1);
    seq.reset();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(host.platform->processesOpen, 0);
}

TEST_F(Sequence, CloseDuringAWaitIsHeldUntilThePollReturns) {
    bool destroyed = false;
    host.destroyedFlag = &destroyed;
    host.prepare = [&](FakeServices& t) {
        t.pollsBeforeExit = 100;
        t.onPoll = [&] {
            if (t.pollsBeforeExit == 98) {
                seq->OnEndSession(false);  // answered, nothing else
                seq->OnClose();            // dispatched inside the poll
                EXPECT_FALSE(destroyed);
                seq->OnRunTask();  // a stray RUNTASK must not replace the task
                EXPECT_FALSE(destroyed);
            }
        };
    };
    Start(L"[TASK_1]\nType=0\nPath=a.exe\nWaitExit=TRUE\n");
    run.skipTrust = 1;
    Pump();
    EXPECT_TRUE(seq->IsClosed());
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_EQ(host.created, 1);
    EXPECT_EQ(host.logs.back(), L"Execute return code 0x00000000.");
}

TEST_F(Sequence, CloseDuringADialogEndsAfterItReturns) {
    bool destroyed = false;
    host.destroyedFlag = &destroyed;
    host.prepare = [&](FakeServices& t) {
        t.answer = 6;
        t.onAction = [&] {  // the message box's modal loop delivers WM_CLOSE
            seq->OnClose();
            seq->OnActivate();
            EXPECT_FALSE(destroyed);
        };
    };
    Start(L"[TASK_1]\nType=1\n[TASK_2]\nType=11\nData=1\n");
    run.skipTrust = 1;
    run.exitCode = 3;
    Pump();
    EXPECT_TRUE(seq->IsClosed());
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(host.logs, (std::vector<std::wstring>{L"TASK 1.", L"Skip trust check.",
                                                    L"Execute return code 0x00000006."}));
    EXPECT_EQ(run.exitCode, 3u) << "the exit code stored last";
    EXPECT_EQ(host.created, 1);
}

TEST_F(Sequence, EndSessionDuringAProgramStartIsHeld) {
    bool destroyed = false;
    host.destroyedFlag = &destroyed;
    host.prepare = [&](FakeServices& t) {
        t.onAction = [&] {
            seq->OnEndSession(true);
            EXPECT_FALSE(destroyed);
        };
    };
    Start(L"[TASK_1]\nType=0\nPath=a.exe\nWaitExit=TRUE\n");
    run.skipTrust = 1;
    Pump();
    EXPECT_TRUE(seq->IsClosed());
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(host.queue.empty()) << "no TASKDONE after the close";
    EXPECT_EQ(std::count(host.platform->journal.begin(), host.platform->journal.end(), L"Poll pumping"), 0);
}

TEST_F(Sequence, CloseWhileTheTrustBoxIsOpen) {
    host.platform->trustResult = 1;
    host.onBox = [&] { seq->OnClose(); };
    Start(L"[TASK_1]\nType=0\nPath=a.exe\n");
    Pump();
    EXPECT_TRUE(seq->IsClosed());
    EXPECT_EQ(run.exitCode, 10u);
    EXPECT_EQ(host.destroyed, 1);
}

TEST_F(Sequence, ActivateReachesTheTaskOrTheWindow) {
    Start(L"[TASK_1]\nType=0\nPath=a.exe\nWaitExit=TRUE\n");
    seq->OnActivate();  // before the first task exists
    EXPECT_EQ(host.foregrounded, 1);
    host.prepare = [](FakeServices& t) {
        t.pollsBeforeExit = 5;
        t.processHasWindow = true;
    };
    run.skipTrust = 1;
    Deliver(kWmUpdateRunTask);
    host.queue.clear();
    seq->OnActivate();
    EXPECT_EQ(host.platform->journal.back(), L"ForegroundWindow") << "the program's window, if it has one";
}

TEST_F(Sequence, NextTaskWithoutTaskIsAnUnexpectedState) {
    Start(L"[TASK_1]\nType=11\n");
    run.exitCode = 42;
    seq->OnNextTask();
    EXPECT_EQ(host.logs, std::vector<std::wstring>{L"error - unexpected state!."});
    EXPECT_EQ(host.queue.back(), kWmClose);
    EXPECT_EQ(run.exitCode, 42u);
}

TEST_F(Sequence, ZeroResultKeyCannotSelectTaskZero) {
    Start(L"[TASK_0]\nType=11\nData=99\n[TASK_1]\nType=12\nData=/q\nRET_0x00000001=0\n[TASK_2]\nType=11\nData=2\n");
    Pump();
    EXPECT_EQ(run.exitCode, 2u);
    host = FakeHost();
    Start(L"[TASK_0]\nType=11\nData=99\n", 0);
    Pump();
    EXPECT_EQ(run.exitCode, 99u);
}

TEST_F(Sequence, NobodyToAnswerEndsAShownRunAtItsFirstQuestionWithEleven) {
    const std::wstring ini =
        L"[TASK_1]\nType=12\nData=/q\n[TASK_2]\nType=1\nMsgText=Flash now?\nRET_0x00000006=3\nRET_0x00000002=-1\n"
        L"[TASK_3]\nType=0\nPath=flash.exe\nRET_0x00000000=-1\n";
    for (uint32_t dialogType : {1u, 10u}) {
        host = FakeHost();
        run = RunState();
        run.skipTrust = 1;
        run.nobodyToAnswer = L"the window station is not visible";
        std::wstring list = ini;
        list.replace(list.find(L"Type=1\n"), 7, L"Type=" + std::to_wstring(dialogType) + L"\n");
        Start(list);
        Pump();
        EXPECT_EQ(run.exitCode, 11u) << "type " << dialogType;
        EXPECT_EQ(host.logs, (std::vector<std::wstring>{
                                 L"TASK 1.", L"Skip trust check.", L"Execute return code 0x00000001.",
                                 L"return code 0x00000001.", L"TASK 2.", L"Skip trust check.",
                                 L"error - nobody can answer TASK 2 here: the window station is not visible."}));
        // No answer was made up: nothing was shown, the flash never started.
        EXPECT_TRUE(host.platform->journal.empty()) << "type " << dialogType;
        EXPECT_EQ(host.destroyed, 1);
    }
}

TEST_F(Sequence, NobodyToAnswerLeavesSilentRunsAndRunsWithoutQuestionsAsTheyAre) {
    // Silent: the box answers IDYES as always and the branch is taken.
    run.skipTrust = 1;
    run.silent = 1;
    run.nobodyToAnswer = L"it runs in session 0";
    Start(L"[TASK_1]\nType=1\nMsgText=Flash now?\nRET_0x00000006=3\n[TASK_3]\nType=11\nData=3010\n");
    Pump();
    EXPECT_EQ(run.exitCode, 3010u);
    EXPECT_EQ(host.logs.back(), L"end by return value task.");
    // Shown, but nothing asks: the run ends as it would anywhere.
    host = FakeHost();
    run = RunState();
    run.skipTrust = 1;
    run.nobodyToAnswer = L"the window station is not visible";
    Start(L"[TASK_1]\nType=5\nRET_0x00000000=2\nRET_0x00000001=2\n[TASK_2]\nType=11\nData=0\n");
    Pump();
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(host.logs.back(), L"end by return value task.");
}

TEST_F(Sequence, NobodyToAnswerShowsNoBoxes) {
    EXPECT_FALSE(ShowsNoBox(run));
    run.silent = 1;
    EXPECT_TRUE(ShowsNoBox(run));
    run.silent = 0;
    run.nobodyToAnswer = L"the window station cannot be read";
    EXPECT_TRUE(ShowsNoBox(run));
}
