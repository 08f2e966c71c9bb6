// What the windows of the tool set share on the screen: the screen's dots
// per inch, the system's message font at a point size, and a dialog
// without a close box.
#pragma once

#include <windows.h>

#include <cstdint>

#include "handle.h"

namespace fwu {

// The screen's vertical dots per inch (GetDeviceCaps(LOGPIXELSY) of the
// screen's device context), the axis font heights are measured on; 96 when
// no screen device context is available.
int ScreenDpi();

// The system's message font (NONCLIENTMETRICSW lfMessageFont), `points`
// high at `dpi` (fwu::FontHeight), or at its own height for 0 points; no
// font when the metrics cannot be read or the font cannot be made.
UniqueFont CreateMessageFont(int32_t points = 0, int dpi = 96);

// A dialog that cannot be closed from its frame: no system menu style, the
// class style CS_NOCLOSE, the Close entry greyed, the frame redrawn. The
// class style is the class's, shared by every window of the class in the
// process (all dialogs and message boxes, "#32770"): Restore puts the saved
// one back before the dialog ends, so that later windows of the class keep
// their close box.
class CNoCloseBox {
public:
    CNoCloseBox() = default;
    CNoCloseBox(const CNoCloseBox&) = delete;
    CNoCloseBox& operator=(const CNoCloseBox&) = delete;
    ~CNoCloseBox() { Restore(); }

    // Takes the close box from `dialog` (once; a second call does nothing).
    void Remove(HWND dialog);
    // Gives the class its saved style again while the dialog still exists;
    // nothing when Remove was not called or Restore was.
    void Restore();

private:
    HWND m_dialog = nullptr;
    ULONG_PTR m_savedClassStyle = 0;
};

}  // namespace fwu
