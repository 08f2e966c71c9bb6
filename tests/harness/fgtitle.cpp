// Test helper: writes the title of the foreground window (UTF-8, no line
// end) into the file named by its first argument; empty when none.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 1;
    wchar_t title[512] = {};
    if (HWND w = ::GetForegroundWindow()) ::GetWindowTextW(w, title, 512);
    char utf8[2048] = {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof(utf8), nullptr, nullptr);
    HANDLE f = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    if (n > 1) ::WriteFile(f, utf8, DWORD(n - 1), &written, nullptr);
    ::CloseHandle(f);
    ::LocalFree(argv);
    return 0;
}
