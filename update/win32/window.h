// The hidden window whose procedure sequences the tasks.
#pragma once

#include <windows.h>

namespace upd {

// Window procedure of the class "DORozari{E0E318DA-...}". Creating the
// window starts the first task; destroying it ends the message loop.
LRESULT CALLBACK UpdateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Releases the current task and the sequencer once the message loop ended.
void EndSequencer();

}  // namespace upd
