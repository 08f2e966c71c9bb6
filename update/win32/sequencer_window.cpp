// Placeholder sequencer: ends the run at once with "end index.".
#include "log.h"
#include "runstate.h"
#include "window.h"

namespace upd {

LRESULT CALLBACK UpdateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE:
            LogPrintf(L"end index.");
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace upd
