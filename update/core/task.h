// One task of the task list: loading its TASK_n section into a TaskRecord
// (task_record.h), the rule that turns what its action answered into its
// result, and CTask, which carries the action out.
//
// CTask is portable. It reaches the platform only through the narrow
// interfaces of task_services.h, passed in at construction: the Win32 layer
// of Update implements them, tests and TaskLint put their own in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "task_record.h"
#include "task_services.h"

namespace fwu {
class CGlobalIniMgr;
}

namespace upd {

// Reads section "TASK_<taskNumber>" of `config` into `record`; false when
// Type is missing or above 13 (the task does not load). Environment
// variables are expanded through `environment`.
bool LoadTaskRecord(const fwu::CGlobalIniMgr& config, uint32_t taskNumber, const std::wstring& updateFolder,
                    bool silent, ITaskEnvironment& environment, TaskRecord& record);

// What a task's action answered and, for a program that is waited for,
// how the wait ended.
struct TaskOutcome {
    uint32_t answer = 0;
    // Running: no wait has ended (none is made, or the program still runs).
    IStartedProgram::State wait = IStartedProgram::State::Running;
    uint32_t exitCode = 0;  // the program's, when `wait` is Ended
};

// The result of a task, from its outcome:
//   0  program        0 when started, 0xFFFFFFFF when not; once a waited
//                     program has ended: its exit code, 0 when the wait
//                     failed, and still 0 when no exit code could be read
//   1  message box    the button pressed
//   2, 3 shutdown, restart   0xFFFFFFFF
//   4  web page       0
//   5  WOW64 test     answer 1 (under WOW64) gives 0, else 1
//   6  base board     the position of the matching name, or 0xFFFFFFFF
//   7  disk model     comparison 0 gives 0, else 1
//   8  disk firmware  comparison 0 or 1 as it is, else 0xFFFFFFFF
//   9  go-to          Goto (the answer is not used)
//   10 task dialog    the packed answer
//   11 return value   the number in Data (0 when empty or not a number)
//   12 parameter test answer 1 (the argument is stored) gives 0, else 1;
//                     an empty Data always gives 1
//   13 folder removal 0
// TaskLint takes the results a task can give from this function too.
uint32_t TaskResult(const TaskRecord& record, const TaskOutcome& outcome);
// The result of an action's answer before any wait has ended.
inline uint32_t TaskResult(const TaskRecord& record, uint32_t answer) {
    return TaskResult(record, TaskOutcome{answer});
}

// The number in Data of a return-value task (0 when empty or not a number).
uint32_t ReturnDataValue(const TaskRecord& record);

// The next task after `result`: Goto for type 9, else the value of the
// section's RET_0x%08X key, else n + 1. kTaskListEnd ends the run.
uint32_t NextTaskNumber(const fwu::CGlobalIniMgr& config, const TaskRecord& record, uint32_t result);

// What the task sequence needs of a task. CTask is the task of a run;
// TaskLint's dry run wraps it.
class ITask {
public:
    virtual ~ITask() = default;
    // Loads TASK_<taskNumber>; false when there is no configuration or the
    // task does not load.
    virtual bool Load(const std::wstring& updateFolder, const fwu::CGlobalIniMgr* config, uint32_t taskNumber,
                      uint32_t silent) = 0;
    // 1 when the task may run (signature and hash checks of type 0).
    virtual uint32_t VerifyTarget() = 0;
    // Runs the action of the task's type; stores and returns the result.
    virtual uint32_t Execute() = 0;
    // 1 while a started program (or browser) must still be waited for; when
    // the wait ends, the result is stored anew from the whole outcome.
    virtual uint32_t IsWaiting() = 0;
    // Brings the window of the running task to the front.
    virtual void Activate() = 0;
    virtual uint32_t GetAfterWait() = 0;
    virtual uint32_t GetNextTaskNumber(uint32_t result) = 0;
    virtual uint32_t GetType() = 0;
    virtual uint32_t GetResult() = 0;
};

class CTask final : public ITask {
public:
    explicit CTask(const TaskServices& services);
    ~CTask() override;
    CTask(const CTask&) = delete;
    CTask& operator=(const CTask&) = delete;

    bool Load(const std::wstring& updateFolder, const fwu::CGlobalIniMgr* config, uint32_t taskNumber,
              uint32_t silent) override;
    uint32_t VerifyTarget() override;
    uint32_t Execute() override;
    uint32_t IsWaiting() override;
    void Activate() override;
    uint32_t GetAfterWait() override { return m_record.AfterWait; }
    uint32_t GetNextTaskNumber(uint32_t result) override;
    uint32_t GetType() override { return m_record.Type; }
    uint32_t GetResult() override { return m_nResult; }

    const TaskRecord& Record() const { return m_record; }
    // Replaces the stored result (TaskLint's dry run with a given result).
    void SetResult(uint32_t result) { m_nResult = result; }

private:
    // What the action of the task's type answered.
    uint32_t RunAction();
    // The actions, one per task type; each answers what TaskResult turns
    // into the result.
    // Type 0: starts Path by Method; 0 when started, 0xFFFFFFFF when not.
    uint32_t RunProgram();
    // Type 1: the identifier of the pressed button (6 in silent mode).
    uint32_t ShowMessageBox();
    // Types 2 and 3: mode 1 restart, 2 shutdown, 3 hybrid shutdown.
    void ExitWindowsTask(uint32_t mode);
    // Type 4: 1 when the page was opened or in silent mode, 0 on failure.
    uint32_t OpenUrl();
    // Type 6: position of the board name in Data, or 0xFFFFFFFF.
    uint32_t CheckBaseBoard();
    // Types 7 and 8: property "Model" or "FirmwareRevision"; 0 equal,
    // 1 sorts after Data, 0xFFFFFFFF before, shorter or unavailable.
    uint32_t CheckDiskDrive(const std::wstring& property);
    // Type 10: button, radio button and check box packed into one value.
    uint32_t ShowTaskDialog();
    // Type 13: schedules Update's folder for removal at restart.
    void RemoveOwnFolderAtReboot();

    uint32_t StartProcess();
    uint32_t StartShellExecute();
    // Makes the hidden window the foreground window (not in silent mode).
    void BringOwnerToFront();
    // 1 when no hash check is asked for or the hash of CalcFile is Distinct.
    uint32_t CheckFileHash();

    TaskServices m_services;
    const fwu::CGlobalIniMgr* m_config = nullptr;
    TaskRecord m_record;
    TaskOutcome m_outcome;
    uint32_t m_nResult = 0;

    // Files held from VerifyTarget on: the verified program until its
    // process exists (or its start failed), CalcFile until the program has
    // ended (or has started, when it is not waited for).
    FileHold m_verifiedProgram;
    FileHold m_hashedFile;
    // The started program or browser, while it is watched.
    StartedProgram m_process;
};

// True for the types whose action waits for a person's answer in a shown
// run: the message box and the task dialog.
bool TaskAsksPerson(uint32_t type);

// "TASK_%d" of a task number (signed decimal).
std::wstring TaskSectionName(uint32_t taskNumber);
// "RET_0x%08X" of a result.
std::wstring ResultKeyName(uint32_t result);
// Folder join: a value without ":" is taken relative to the update folder.
std::wstring JoinToFolder(const std::wstring& folder, const std::wstring& value);
// The command line of a CreateProcessW start: quoted Path, then the arguments.
std::wstring BuildProcessCommandLine(const std::wstring& path, const std::wstring& arguments);
// True when Method selects the shell ("SHELLEXECUTEEX" in any letter case).
bool IsShellExecuteMethod(const std::wstring& method);

}  // namespace upd
