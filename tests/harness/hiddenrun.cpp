// Starts a program on a desktop nobody sees, as deployment systems do, and
// prints its full exit code like runexit:
//   hiddenrun [--station NAME] [--here] [--wait MS] PROGRAM [ARGUMENTS]
// The program runs on desktop "Default" of window station NAME (made here,
// or opened when another hiddenrun made it, so that two programs can meet
// on one hidden desktop); with --here it runs where hiddenrun runs. A
// program that has not ended after MS milliseconds (default 20000) is ended:
// "still running after MS ms", exit 253. Window stations made by a program
// carry no WSF_VISIBLE, on Windows and under Wine alike.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "handle.h"

namespace {

// The rest of the command line behind the first `skip` arguments, as typed.
std::wstring TailAfter(const std::wstring& line, int skip) {
    size_t pos = 0;
    for (int i = 0; i < skip; ++i) {
        while (pos < line.size() && (line[pos] == L' ' || line[pos] == L'\t')) ++pos;
        bool quoted = false;
        while (pos < line.size() && (quoted || (line[pos] != L' ' && line[pos] != L'\t'))) {
            if (line[pos] == L'"') quoted = !quoted;
            ++pos;
        }
    }
    while (pos < line.size() && (line[pos] == L' ' || line[pos] == L'\t')) ++pos;
    return line.substr(pos);
}

int Usage() {
    std::fprintf(stderr, "usage: hiddenrun [--station NAME] [--here] [--wait MS] PROGRAM [ARGUMENTS]\n");
    return 255;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring stationName = L"fwu-hidden-" + std::to_wstring(::GetCurrentProcessId());
    bool here = false;
    DWORD waitMs = 20000;
    int first = 1;
    for (; first < argc; ++first) {
        std::wstring a = argv[first];
        if (a == L"--here") {
            here = true;
        } else if (a == L"--station" && first + 1 < argc) {
            stationName = argv[++first];
        } else if (a == L"--wait" && first + 1 < argc) {
            waitMs = static_cast<DWORD>(std::wcstoul(argv[++first], nullptr, 10));
        } else {
            break;
        }
    }
    if (first >= argc) return Usage();
    std::wstring child = TailAfter(::GetCommandLineW(), first);

    fwu::UniqueWindowStation station;
    fwu::UniqueDesktop desktop;
    std::wstring desktopPath;
    if (!here) {
        station.reset(::CreateWindowStationW(stationName.c_str(), 0, WINSTA_ALL_ACCESS, nullptr));
        if (!station) {
            std::printf("window station failed %lu\n", ::GetLastError());
            return 252;
        }
        // A desktop is made in the calling process's window station.
        HWINSTA own = ::GetProcessWindowStation();
        if (!::SetProcessWindowStation(station.get())) {
            std::printf("window station failed %lu\n", ::GetLastError());
            return 252;
        }
        desktop.reset(::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        const DWORD error = ::GetLastError();
        ::SetProcessWindowStation(own);
        if (!desktop) {
            std::printf("desktop failed %lu\n", error);
            return 252;
        }
        desktopPath = stationName + L"\\Default";
    }

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!here) si.lpDesktop = desktopPath.data();
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("start failed %lu\n", ::GetLastError());
        std::fflush(stdout);
        return 254;
    }
    fwu::UniqueHandle process(pi.hProcess);
    fwu::UniqueHandle thread(pi.hThread);
    std::printf("started %lu\n", static_cast<unsigned long>(pi.dwProcessId));
    std::fflush(stdout);
    if (::WaitForSingleObject(process.get(), waitMs) != WAIT_OBJECT_0) {
        std::printf("still running after %lu ms\n", static_cast<unsigned long>(waitMs));
        std::fflush(stdout);
        ::TerminateProcess(process.get(), 253);
        ::WaitForSingleObject(process.get(), 5000);
        return 253;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    std::printf("exit 0x%08lX\n", static_cast<unsigned long>(code));
    std::fflush(stdout);
    return static_cast<int>(code & 0xFF);
}
