// A stand-in program for end-to-end tests (GUI subsystem, no window):
//   /RECORD:file  append its command line and working folder (UTF-8 lines)
//   /SLEEP:ms     sleep before exiting
//   /EXIT:code    exit code, decimal or 0x hexadecimal (32 bits)
//   /WINDOW:title show a top-level window with that title while sleeping
//   /MUTEX:name   create (and hold while sleeping) a named mutex
//   /LOG:file     open the common log (banner "testprog") and log one line
//   /ACTIVATIONS  with /WINDOW and /RECORD: append "activated" each time the
//                 window becomes the active window
//   /CLOSE:class  post WM_CLOSE to the first top-level window of that class
//                 and exit (a close "from outside")
//   /HOLD:file    keep the file open while sleeping, shared for reading and
//                 writing but not for deleting
//   /IMAGE:file   append "signed" or "unsigned": whether the program file
//                 this process was started from carries a signature
#include <windows.h>

#include <cstdio>
#include <string>

#include "cmdline_win32.h"
#include "log.h"
#include "number.h"
#include "text.h"

namespace {
std::wstring g_activationFile;

void AppendLine(const std::wstring& file, const std::string& text) {
    HANDLE h = ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
    ::CloseHandle(h);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && !g_activationFile.empty())
        AppendLine(g_activationFile, "activated\r\n");
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Whether the image this process runs has a certificate table (the loader
// maps the headers as they are in the file).
bool RunsSignedImage() {
    const auto* base = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0;
}

void Record(const std::wstring& file) {
    wchar_t cwd[MAX_PATH] = L"";
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    std::string text = "cmdline=" + fwu::ToUtf8(::GetCommandLineW()) + "\r\ncwd=" + fwu::ToUtf8(cwd) + "\r\n";
    HANDLE h = ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
    ::CloseHandle(h);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::wstring record, sleep, exit, title, mutex, log, closeClass, hold, image;
    int32_t activations = 0;
    {
        CParseParam params(fwu::ProcessArguments());
        params.Find(L"ACTIVATIONS", &activations);
        closeClass = params.Find(L"CLOSE:", nullptr);
        image = params.Find(L"IMAGE:", nullptr);
        record = params.Find(L"RECORD:", nullptr);
        sleep = params.Find(L"SLEEP:", nullptr);
        exit = params.Find(L"EXIT:", nullptr);
        title = params.Find(L"WINDOW:", nullptr);
        mutex = params.Find(L"MUTEX:", nullptr);
        hold = params.Find(L"HOLD:", nullptr);
        log = params.Find(L"LOG:", nullptr);
    }
    fwu::CLogFile logFile(log, L"testprog");
    fwu::LogLine(logFile, L"pid %lu.", ::GetCurrentProcessId());
    if (!closeClass.empty()) {
        HWND target = ::FindWindowW(closeClass.c_str(), nullptr);
        if (target) ::PostMessageW(target, WM_CLOSE, 0, 0);
        return target ? 0 : 1;
    }
    if (!image.empty()) AppendLine(image, RunsSignedImage() ? "signed\r\n" : "unsigned\r\n");
    if (activations) g_activationFile = record;
    HANDLE held = mutex.empty() ? nullptr : ::CreateMutexW(nullptr, TRUE, mutex.c_str());
    HANDLE heldFile = hold.empty() ? INVALID_HANDLE_VALUE
                                   : ::CreateFileW(hold.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!record.empty()) Record(record);
    HWND window = nullptr;
    if (!title.empty()) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = L"FwuTestProgWindow";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        ::RegisterClassW(&wc);
        window = ::CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                   320, 200, nullptr, nullptr, instance, nullptr);
    }
    int ms = fwu::ParseConfigNumber(sleep, 0);
    DWORD until = ::GetTickCount() + DWORD(ms > 0 ? ms : 0);
    while (ms > 0 && int(until - ::GetTickCount()) > 0) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::Sleep(10);
    }
    if (window) ::DestroyWindow(window);
    if (held) ::CloseHandle(held);
    if (heldFile != INVALID_HANDLE_VALUE) ::CloseHandle(heldFile);
    fwu::LogLine(logFile, L"return %d.", fwu::ParseConfigNumber(exit, 0));
    return static_cast<int>(static_cast<UINT>(fwu::ParseConfigNumber(exit, 0)));
}
