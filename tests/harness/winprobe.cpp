// Reads the state of another process's windows for the end-to-end tests
// (console program; one "key=value" record per line, UTF-8):
//   winprobe dump TITLE        the top-level window with that title and its
//                              child controls (style, visibility, enabled and
//                              checked state, rectangles, text), the control
//                              with the keyboard focus, whether it is the
//                              foreground window and the active window of
//                              its thread (active caption)
//   winprobe find CLASS        whether a top-level window of that class exists
//   winprobe foreground        the title of the foreground window
//   winprobe mutex NAME        whether a named mutex exists
// Exit code 0 when the window was found, 1 when not, 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <string>

#include "text.h"

namespace {

std::string Escape(const std::wstring& text) {
    std::string out;
    for (char c : fwu::ToUtf8(text)) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[2048] = L"";
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                          &length);
    return std::wstring(buffer, size_t(length) < 2048 ? size_t(length) : 2047);
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[256] = L"";
    ::GetClassNameW(window, buffer, 256);
    return buffer;
}

std::string RectText(const RECT& r) {
    char buffer[80];
    std::snprintf(buffer, sizeof(buffer), "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return buffer;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    RECT r{};
    ::GetWindowRect(control, &r);
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    int checked = -1;
    if (ClassOf(control) == L"Button") {
        DWORD_PTR state = 0;
        ::SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
        checked = int(state);
    }
    std::printf("control id=%d class=%s style=0x%08lX visible=%d enabled=%d checked=%d rect=%s text=\"%s\"\n",
                ::GetDlgCtrlID(control), fwu::ToUtf8(ClassOf(control)).c_str(), static_cast<unsigned long>(style),
                (style & WS_VISIBLE) ? 1 : 0, ::IsWindowEnabled(control) ? 1 : 0, checked, RectText(r).c_str(),
                Escape(TextOf(control)).c_str());
    return TRUE;
}

int Dump(const std::wstring& title) {
    HWND window = ::FindWindowW(nullptr, title.c_str());
    if (!window) {
        std::printf("missing\n");
        return 1;
    }
    RECT r{}, client{};
    ::GetWindowRect(window, &r);
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    int focus = 0, active = 0;
    if (::GetGUIThreadInfo(thread, &info)) {
        if (info.hwndFocus) focus = ::GetDlgCtrlID(info.hwndFocus);
        active = info.hwndActive == window ? 1 : 0;
    }
    LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    ULONG_PTR classStyle = ::GetClassLongPtrW(window, GCL_STYLE);
    std::printf("window class=%s style=0x%08lX exstyle=0x%08lX classstyle=0x%08lX visible=%d enabled=%d "
                "foreground=%d active=%d focus=%d rect=%s client=%ld,%ld,%ld,%ld text=\"%s\"\n",
                fwu::ToUtf8(ClassOf(window)).c_str(), static_cast<unsigned long>(style),
                static_cast<unsigned long>(exStyle), static_cast<unsigned long>(classStyle),
                ::IsWindowVisible(window) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0,
                ::GetForegroundWindow() == window ? 1 : 0, active, focus, RectText(r).c_str(), origin.x, origin.y,
                client.right, client.bottom, Escape(TextOf(window)).c_str());
    ::EnumChildWindows(window, PrintControl, 0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::wstring command = argv[1];
    int rc = 2;
    if (command == L"dump" && argc >= 3) {
        rc = Dump(argv[2]);
    } else if (command == L"find" && argc >= 3) {
        HWND window = ::FindWindowW(argv[2], nullptr);
        std::printf("found=%d\n", window ? 1 : 0);
        rc = window ? 0 : 1;
    } else if (command == L"mutex" && argc >= 3) {
        HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, argv[2]);
        std::printf("exists=%d\n", mutex ? 1 : 0);
        rc = mutex ? 0 : 1;
        if (mutex) ::CloseHandle(mutex);
    } else if (command == L"foreground") {
        HWND window = ::GetForegroundWindow();
        std::printf("foreground title=\"%s\"\n", window ? Escape(TextOf(window)).c_str() : "");
        rc = window ? 0 : 1;
    }
    std::fflush(stdout);
    return rc;
}
