#include "log.h"

#include "../core/logformat.h"
#include "module.h"

namespace {

constexpr DWORD kSidBytes = 68;  // SECURITY_MAX_SID_SIZE
constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | DELETE;
// What a writer does with the lock: waits for it and releases it. The
// descriptor grants no WRITE_DAC or WRITE_OWNER, so asking for
// SEMAPHORE_ALL_ACCESS (as CreateSemaphoreW does) would be refused with
// ERROR_ACCESS_DENIED whenever another writer holds the semaphore open, and
// every contended line would wait in the retry loop below.
constexpr DWORD kLockAccess = SYNCHRONIZE | SEMAPHORE_MODIFY_STATE;

fwu::LogTime Now() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return fwu::LogTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace

CLogOutCCSA::CLogOutCCSA() {
    ZeroMemory(&m_sd, sizeof(m_sd));
    ZeroMemory(&m_sa, sizeof(m_sa));
    m_sidSystem.reset(::LocalAlloc(LPTR, kSidBytes));
    m_sidAdmins.reset(::LocalAlloc(LPTR, kSidBytes));
    m_sidUsers.reset(::LocalAlloc(LPTR, kSidBytes));
    if (!m_sidSystem || !m_sidAdmins || !m_sidUsers) return;
    PSID system = m_sidSystem.get(), admins = m_sidAdmins.get(), users = m_sidUsers.get();
    DWORD size = kSidBytes;
    if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size)) return;
    size = kSidBytes;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size)) return;
    size = kSidBytes;
    if (!::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &size)) return;
    DWORD aclSize = ::GetLengthSid(users) + ::GetLengthSid(admins) + ::GetLengthSid(system) + 32;
    m_dacl.reset(::LocalAlloc(LPTR, aclSize));
    PACL dacl = static_cast<PACL>(m_dacl.get());
    if (!dacl || !::InitializeAcl(dacl, aclSize, ACL_REVISION)) return;
    const DWORD flags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    if (!::AddAccessAllowedAceEx(dacl, ACL_REVISION, flags, kAccess, system)) return;
    if (!::AddAccessAllowedAceEx(dacl, ACL_REVISION, flags, kAccess, admins)) return;
    if (!::AddAccessAllowedAceEx(dacl, ACL_REVISION, flags, kAccess, users)) return;
    if (!::InitializeSecurityDescriptor(&m_sd, SECURITY_DESCRIPTOR_REVISION)) return;
    if (!::SetSecurityDescriptorDacl(&m_sd, TRUE, dacl, FALSE)) return;
    m_sa.nLength = sizeof(SECURITY_ATTRIBUTES);
    m_sa.lpSecurityDescriptor = &m_sd;
    m_sa.bInheritHandle = FALSE;
    m_bReady = TRUE;
}

SECURITY_ATTRIBUTES* CLogOutCCSA::GetSecurityAttributes() { return m_bReady ? &m_sa : nullptr; }

int CLogOutCCCollision::Lock() {
    const std::wstring name = fwu::LogLockName(fwu::ModulePath());
    CLogOutCCSA sa;
    fwu::UniqueHandle semaphore;
    for (int attempt = 0; attempt < 250; ++attempt) {
        semaphore.reset(::CreateSemaphoreExW(sa.GetSecurityAttributes(), 1, 1, name.c_str(), 0, kLockAccess));
        if (semaphore || ::GetLastError() != ERROR_ACCESS_DENIED) break;
        ::Sleep(500);
    }
    if (!semaphore) return 0;
    for (int wait = 0; wait < 500; ++wait) {
        DWORD r = ::WaitForSingleObject(semaphore.get(), 300);
        if (r == WAIT_OBJECT_0) {
            m_held.reset(semaphore.release());
            return 1;
        }
        if (r != WAIT_TIMEOUT) break;
        ::Sleep(1);
    }
    // Not held: closing without a release leaves the count to its holder.
    return 0;
}

namespace fwu {

CLogFile::CLogFile(const std::wstring& path, const std::wstring& bannerName) {
    if (path.empty()) return;
    {
        CLogOutCCSA sa;
        m_file.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, sa.GetSecurityAttributes(),
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (!m_file) return;
    LARGE_INTEGER zero{}, end{};
    if (::SetFilePointerEx(m_file.get(), zero, &end, FILE_END) && end.QuadPart == 0) {
        const wchar_t bom = 0xFEFF;
        DWORD written = 0;
        ::WriteFile(m_file.get(), &bom, sizeof(bom), &written, nullptr);
    }
    Banner(path, bannerName);
}

void CLogFile::Write(const std::wstring& text) {
    if (text.empty()) return;
    DWORD written = 0;
    ::WriteFile(m_file.get(), text.data(), DWORD(text.size() * sizeof(wchar_t)), &written, nullptr);
}

void CLogFile::Banner(const std::wstring& path, const std::wstring& bannerName) {
    if (!m_file) return;
    {
        CLogOutCCCollision lock;
        lock.Lock();
        Write(FormatBanner(bannerName, Now()));
        Write(L"\r\n");
    }
    LogLine(*this, L"LOG mode (%ls).", path.c_str());
}

void CLogFile::Line(const std::wstring& text) {
    if (!m_file) return;
    CLogOutCCCollision lock;
    lock.Lock();
    Write(FormatLogPrefix(Now()));
    Write(text);
    Write(L"\r\n");
}

}  // namespace fwu
