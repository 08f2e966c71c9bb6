// The keys of a TASK_n section: one table that LoadTaskRecord reads a
// section with and that TaskLint knows the keys from. A key of the record is
// one row here (and its field in TaskRecord).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "task_record.h"

namespace upd {

// How a key's value becomes its field of the record.
enum class TaskKeyRead {
    Text,       // as written
    Lines,      // "\n" pairs made line breaks
    Folder,     // environment variables expanded, then joined to the update folder
    UpdateDir,  // %UPDATEDIR% replaced by the update folder, environment variables expanded
    File,       // joined to the update folder as written
    TrueFlag,   // 1 for TRUE (any case), else 0
    FalseFlag,  // 0 for FALSE (any case), else 1
    Number,     // a number as the configuration reader reads it, `numberDefault` when absent
    Count,      // a task dialog list count: a number, above kMaxDialogEntries none
};

struct TaskKey {
    const wchar_t* name;
    TaskKeyRead read;
    uint32_t usedBy;  // bit n set: task type n uses the key
    // The field the value goes to: text, or a number read as unsigned or signed.
    std::wstring TaskRecord::*text = nullptr;
    uint32_t TaskRecord::*word = nullptr;
    int32_t TaskRecord::*number = nullptr;
    int32_t numberDefault = 0;
};

// The keys in the order LoadTaskRecord reads them, Type first (without the
// indexed button keys and the RET_ keys).
const std::vector<TaskKey>& TaskKeys();

// "TD_Button%d_ID", "TD_Button%d_Text", "TD_Radio%d_ID", "TD_Radio%d_Text":
// the keys of the task dialog's custom buttons and radio buttons.
std::wstring DialogEntryKeyName(bool radio, uint32_t index, bool id);

}  // namespace upd
