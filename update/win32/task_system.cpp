// Ending the Windows session and registering Update's own folder for
// removal at the next start of Windows.
#include <windows.h>

#include <vector>

#include "handle.h"
#include "module.h"
#include "system_actions.h"
#include "task_services_win32.h"

namespace upd {

static_assert(kEwxReboot == EWX_REBOOT && kEwxShutdown == EWX_SHUTDOWN);
static_assert(kEwxHybridShutdown == EWX_HYBRID_SHUTDOWN);
static_assert(kShutdownReason ==
              (SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_MAINTENANCE));

bool CWin32SystemActions::ListFolder(const std::wstring& folder, std::vector<FolderEntry>* entries) {
    WIN32_FIND_DATAW data{};
    fwu::UniqueFind find(::FindFirstFileW((folder + L"\\*.*").c_str(), &data));
    if (!find) return false;
    do {
        FolderEntry e;
        e.name = data.cFileName;
        e.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.reparsePoint = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries->push_back(std::move(e));
    } while (::FindNextFileW(find.get(), &data));
    return true;
}

void CWin32SystemActions::RegisterDelete(const std::wstring& path) {
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void CWin32SystemActions::EndSession(uint32_t flags) {
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

std::wstring CWin32SystemActions::OwnFolder() {
    // The full module path, however long: a path cut at 260 characters would
    // name a different (parent) folder.
    const std::wstring folder = fwu::ModuleFolder();
    if (folder.empty() || ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return std::wstring();
    return folder;
}

}  // namespace upd
