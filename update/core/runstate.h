// The run state of Update: made by start-up, handed to the sequencer that
// the hidden window's messages drive, and read back for the exit code.
// Plain data: the current task is the sequencer's.
#pragma once

#include <cstdint>
#include <string>

#include "task_services.h"

namespace upd {

struct RunState {
    uint32_t silent = 0;        // no message boxes; tasks run their silent variant
    uint32_t skipTrust = 0;     // no trust check before tasks
    uint32_t firstTask = 1;     // number n of the first TASK_n
    uint32_t currentTask = 1;   // number of the task being run
    uint32_t exitCode = 0;      // returned from the program
    // Why nobody can answer a window here (null: a person can). Boxes are
    // then not shown, and a shown run ends at its first question.
    const wchar_t* nobodyToAnswer = nullptr;
    std::wstring updateFolder;  // %UPDATEDIR%, without trailing backslash
    ProbeCaches probes;         // what the probes of this run have read
};

// Silent, or nobody can answer: no box is shown.
inline bool ShowsNoBox(const RunState& run) { return run.silent != 0 || run.nobodyToAnswer != nullptr; }

}  // namespace upd
