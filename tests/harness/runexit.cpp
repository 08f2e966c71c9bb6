// Starts the command line that follows its own name, waits for it and
// prints the child's full 32-bit exit code ("exit 0x%08X"): a Linux exit
// status keeps only 8 bits, so the end-to-end tests read it from here.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    std::wstring line = ::GetCommandLineW();
    // Skip our own name, quoted or not, and the blanks behind it.
    size_t pos = 0;
    if (!line.empty() && line[0] == L'"') {
        pos = line.find(L'"', 1);
        pos = pos == std::wstring::npos ? line.size() : pos + 1;
    } else {
        pos = line.find_first_of(L" \t");
        if (pos == std::wstring::npos) pos = line.size();
    }
    while (pos < line.size() && (line[pos] == L' ' || line[pos] == L'\t')) ++pos;
    std::wstring child = line.substr(pos);
    if (child.empty()) {
        std::fprintf(stderr, "usage: runexit PROGRAM [ARGUMENTS]\n");
        return 255;
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("start failed %lu\n", ::GetLastError());
        std::fflush(stdout);
        return 254;
    }
    // Tells the harness that the child exists: a run that never got this far
    // (Wine failing to start us) may be repeated without doing anything twice.
    std::printf("started %lu\n", static_cast<unsigned long>(pi.dwProcessId));
    std::fflush(stdout);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    std::printf("exit 0x%08lX\n", static_cast<unsigned long>(code));
    std::fflush(stdout);
    return static_cast<int>(code & 0xFF);
}
