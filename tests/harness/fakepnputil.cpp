// Stand-in for the driver-store utility, installed as pnputil.exe in a test
// folder. It appends its command line and the WINDIR it saw to
// pnputil.record beside itself, sleeps for the milliseconds in pnputil.sleep
// and exits with the code in pnputil.exit (decimal or 0x hexadecimal,
// 32 bits; 0 without the file).
#include <windows.h>

#include <string>

#include "module.h"
#include "number.h"
#include "text.h"

namespace {
std::string ReadSmallFile(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    char buffer[64] = {};
    DWORD read = 0;
    ::ReadFile(h, buffer, sizeof buffer - 1, &read, nullptr);
    ::CloseHandle(h);
    return std::string(buffer, read);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = fwu::ModuleFolder();
    std::string text = "cmdline=" + fwu::ToUtf8(::GetCommandLineW()) + "\r\nwindir=" +
                       fwu::ToUtf8(fwu::ExpandEnvironment(L"%WINDIR%")) + "\r\n";
    HANDLE h = ::CreateFileW((folder + L"\\pnputil.record").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
        ::CloseHandle(h);
    }
    int ms = fwu::ParseConfigNumber(fwu::FromUtf8(ReadSmallFile(folder + L"\\pnputil.sleep")), 0);
    if (ms > 0) ::Sleep(DWORD(ms));
    std::wstring code = fwu::FromUtf8(ReadSmallFile(folder + L"\\pnputil.exit"));
    while (!code.empty() && (code.back() == L'\n' || code.back() == L'\r' || code.back() == L' ')) code.pop_back();
    return static_cast<int>(static_cast<UINT>(fwu::ParseConfigNumber(code, 0)));
}
