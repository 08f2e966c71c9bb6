// Runs a program with variables added to its environment and passes its
// full exit code on:  envrun NAME=VALUE... -- PROGRAM [ARGUMENTS]
// Wine sets WINDIR itself for a process started from Linux, so a test that
// needs another WINDIR sets it here, inside the Windows side.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    std::wstring line = ::GetCommandLineW();
    size_t pos = line.find(L" -- ");
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(line.c_str(), &argc);
    if (argv == nullptr || pos == std::wstring::npos) {
        std::fprintf(stderr, "usage: envrun NAME=VALUE... -- PROGRAM [ARGUMENTS]\n");
        return 255;
    }
    for (int i = 1; i < argc && std::wstring(argv[i]) != L"--"; ++i) {
        std::wstring assignment = argv[i];
        size_t eq = assignment.find(L'=');
        if (eq == std::wstring::npos || eq == 0) continue;
        ::SetEnvironmentVariableW(assignment.substr(0, eq).c_str(), assignment.substr(eq + 1).c_str());
    }
    ::LocalFree(argv);
    std::wstring child = line.substr(pos + 4);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "start failed %lu\n", ::GetLastError());
        return 254;
    }
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
