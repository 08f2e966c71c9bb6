// The hidden window whose messages drive the task sequence.
#pragma once

#include <windows.h>

#include <memory>

#include "config.h"
#include "logsink.h"
#include "runstate.h"

namespace upd {

class CSequencerWindow;

// What the hidden window works with; passed as the creation parameter of
// CreateWindowExW and kept by the caller for the whole message loop.
struct SequencerWindowContext {
    RunState& run;
    const fwu::CGlobalIniMgr& config;
    fwu::ILog& log;
    // Made when the window is created; the caller resets it after the
    // message loop (the current task, its process and held files go too).
    std::unique_ptr<CSequencerWindow> window;

    SequencerWindowContext(RunState& r, const fwu::CGlobalIniMgr& c, fwu::ILog& l);
    ~SequencerWindowContext();
    // After the message loop: the sequencer goes, and its current task.
    void End();
    SequencerWindowContext(const SequencerWindowContext&) = delete;
    SequencerWindowContext& operator=(const SequencerWindowContext&) = delete;
};

// Window procedure of the class "DORozari{E0E318DA-...}". Creating the
// window starts the first task; destroying it ends the message loop.
LRESULT CALLBACK UpdateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace upd
