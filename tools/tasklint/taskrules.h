// How Update reads a task section: its keys with their kinds, the task
// types, and the next-task rule. The checker reads task lists through these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fwu::lint {

enum TaskTypeValue : uint32_t {
    kTaskRunProgram = 0,
    kTaskMessageBox = 1,
    kTaskShutdown = 2,
    kTaskRestart = 3,
    kTaskOpenUrl = 4,
    kTaskWow64Test = 5,
    kTaskBaseBoardCheck = 6,
    kTaskDiskModelCheck = 7,
    kTaskDiskFirmwareCheck = 8,
    kTaskGoto = 9,
    kTaskTaskDialog = 10,
    kTaskReturnValue = 11,
    kTaskParameterTest = 12,
    kTaskRemoveOwnFolder = 13,
};

// Type's default when the key is missing: not a task type, so the task
// does not load.
inline constexpr int32_t kTaskTypeDefault = 14;
// Task dialogs take at most this many custom buttons or radio buttons.
inline constexpr uint32_t kMaxDialogEntries = 100;

enum class TaskKeyKind { String, Number, Flag };

struct TaskKey {
    const wchar_t* name;
    TaskKeyKind kind;
    uint32_t usedBy;  // bit n set: task type n uses the key
};

// The keys of a TASK_n section in the order Update loads them (without the
// indexed button keys and the RET_ keys).
const std::vector<TaskKey>& TaskKeys();
// The key of that name, compared ignoring ASCII case; null when unknown.
const TaskKey* FindTaskKey(const std::wstring& name);
bool TaskKeyUsedBy(const TaskKey& key, uint32_t type);

// Type values 0 to 13 load (compared as unsigned: negative values do not).
inline bool TaskTypeLoads(int32_t type) { return uint32_t(type) <= 13; }

// The next task after a task numbered `number` whose RET_ key read `value`
// (0 when missing): 0 goes on with number + 1, anything else is the next
// task, 0xFFFFFFFF ends the run.
inline uint32_t NextTaskNumber(uint32_t number, int32_t value) {
    return value == 0 ? number + 1 : uint32_t(value);
}

// The result of a return-value task: the number in Data, 0 when empty or
// not a number.
uint32_t ReturnDataValue(const std::wstring& data);

// How many names a base-board check compares (its results are their
// positions): the list cut at commas, a trailing comma adding none.
uint32_t BaseBoardEntryCount(const std::wstring& data);

}  // namespace fwu::lint
