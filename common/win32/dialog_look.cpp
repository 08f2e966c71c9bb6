#include "dialog_look.h"

#include "../core/screen_units.h"

namespace fwu {

int ScreenDpi() {
    UniqueWindowDC screen(nullptr);
    if (!screen) return 96;
    return ::GetDeviceCaps(screen.get(), LOGPIXELSY);
}

UniqueFont CreateMessageFont(int32_t points, int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return UniqueFont();
    LOGFONTW font = metrics.lfMessageFont;
    if (points != 0) font.lfHeight = FontHeight(points, dpi);
    return UniqueFont(::CreateFontIndirectW(&font));
}

void CNoCloseBox::Remove(HWND dialog) {
    if (m_dialog || !dialog) return;
    m_dialog = dialog;
    ::SetWindowLongPtrW(dialog, GWL_STYLE, ::GetWindowLongPtrW(dialog, GWL_STYLE) & ~LONG_PTR(WS_SYSMENU));
    m_savedClassStyle = ::GetClassLongPtrW(dialog, GCL_STYLE);
    ::SetClassLongPtrW(dialog, GCL_STYLE, LONG_PTR(m_savedClassStyle | CS_NOCLOSE));
    ::EnableMenuItem(::GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    ::DrawMenuBar(dialog);
    ::SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void CNoCloseBox::Restore() {
    HWND dialog = m_dialog;
    m_dialog = nullptr;
    // The class is reached through one of its windows.
    if (dialog && ::IsWindow(dialog)) ::SetClassLongPtrW(dialog, GCL_STYLE, LONG_PTR(m_savedClassStyle));
}

}  // namespace fwu
