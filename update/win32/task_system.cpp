// Shutdown and restart, opening a web page, the WOW64 test and the removal
// of Update's own folder at the next start of Windows.
#include <windows.h>

#include <vector>

#include "handle.h"
#include "log_process.h"
#include "module.h"
#include "system_actions.h"
#include "task.h"
#include "text.h"

namespace upd {

namespace {

// The launch information of IELaunchURL.
struct IeLaunchUrlInfo {
    DWORD cbSize;
    DWORD dwCreationFlags;
    DWORD dwLaunchOptionFlags;
};
using IELaunchURLFn = HRESULT(WINAPI*)(LPCWSTR, PROCESS_INFORMATION*, void*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

// A FindFirstFileW search, closed when it goes out of scope.
class CFindHandle {
public:
    explicit CFindHandle(HANDLE h) : m_h(h) {}
    ~CFindHandle() {
        if (m_h != INVALID_HANDLE_VALUE) ::FindClose(m_h);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

class CWin32FolderRemoval final : public IFolderRemoval {
public:
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>* entries) override {
        WIN32_FIND_DATAW data{};
        CFindHandle find(::FindFirstFileW((folder + L"\\*.*").c_str(), &data));
        if (!find.valid()) return false;
        do {
            FolderEntry e;
            e.name = data.cFileName;
            e.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            e.reparsePoint = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            entries->push_back(std::move(e));
        } while (::FindNextFileW(find.get(), &data));
        return true;
    }
    void RegisterDelete(const std::wstring& path) override {
        ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
};

}  // namespace

void CTask::ExitWindowsTask(uint32_t mode) {
    if (m_bSilent) return;
    uint32_t flags = 0;
    if (!ExitWindowsFlagsForMode(mode, &flags)) return;
    fwu::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return;
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &wanted.Privileges[0].Luid)) return;
    TOKEN_PRIVILEGES previous{};
    DWORD length = 0;
    BOOL adjusted = ::AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof(previous), &previous, &length);
    // Only a privilege really granted (no ERROR_NOT_ALL_ASSIGNED) lets the
    // shutdown start.
    if (adjusted && ::GetLastError() == ERROR_SUCCESS) {
        ::ExitWindowsEx(flags, kShutdownReason);
        ::AdjustTokenPrivileges(token.get(), FALSE, &previous, 0, nullptr, nullptr);
    }
}

uint32_t CTask::OpenUrl() {
    if (m_bSilent) return 1;
    LogPrintf(L"  URL: %ls.", URL.c_str());
    HRESULT hr = E_NOTIMPL;
    PROCESS_INFORMATION pi{};
    // From the system folder only: Update runs elevated from a package
    // folder that others may have written to.
    fwu::UniqueModule ieframe(::LoadLibraryExW(L"ieframe.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (ieframe) {
        auto launch = reinterpret_cast<IELaunchURLFn>(
            reinterpret_cast<void*>(::GetProcAddress(ieframe.get(), "IELaunchURL")));
        if (launch) {
            IeLaunchUrlInfo info{sizeof(IeLaunchUrlInfo), 0, 0};
            hr = launch(URL.c_str(), &pi, &info);
        }
    }
    ieframe.reset();
    if (pi.hThread) ::CloseHandle(pi.hThread);
    if (FAILED(hr)) {
        if (pi.hProcess) ::CloseHandle(pi.hProcess);
        LogPrintf(L"  Error - IELaunchURL failed 0x%08X.", static_cast<unsigned>(hr));
        return 0;
    }
    if (pi.hProcess) SetProcessHandle(pi.hProcess);
    return 1;
}

uint32_t CTask::IsWow64() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32");
    if (!kernel) return 0;
    auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
    if (!isWow64Process) return 0;
    BOOL wow64 = FALSE;
    if (!isWow64Process(::GetCurrentProcess(), &wow64)) return 0;
    return wow64 ? 1 : 0;
}

uint32_t CTask::RemoveOwnFolderAtReboot() {
    // The full module path, however long: a path cut at 260 characters would
    // name a different (parent) folder.
    const std::wstring folder = fwu::ModuleFolder();
    if (folder.empty() || ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
    DeleteFolderContents(folder);
    ::MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

void CTask::DeleteFolderContents(const std::wstring& folder) {
    CWin32FolderRemoval platform;
    DeleteFolderContentsWith(platform, folder);
}

}  // namespace upd
