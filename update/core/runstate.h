// The run state of Update: one per process, read and written by start-up
// and by the window procedure that sequences the tasks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "task.h"

namespace upd {

struct RunState {
    uint32_t silent = 0;        // no message boxes; tasks run their silent variant
    uint32_t skipTrust = 0;     // no trust check before tasks
    uint32_t firstTask = 1;     // number n of the first TASK_n
    uint32_t currentTask = 1;   // number of the task being run
    uint32_t exitCode = 0;      // returned from the program
    std::wstring updateFolder;  // %UPDATEDIR%, without trailing backslash
    std::unique_ptr<CTask> task;  // the current task, at most one
};

extern RunState g_run;

}  // namespace upd
