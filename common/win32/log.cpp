#include "log.h"

#include <cstdarg>

#include "../core/logformat.h"
#include "../core/text.h"
#include "module.h"

HANDLE g_hLogFile = INVALID_HANDLE_VALUE;

namespace {

constexpr DWORD kSidBytes = 68;  // SECURITY_MAX_SID_SIZE
constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | DELETE;

fwu::LogTime Now() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return fwu::LogTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

void WriteText(const std::wstring& text) {
    if (text.empty()) return;
    DWORD written = 0;
    ::WriteFile(g_hLogFile, text.data(), DWORD(text.size() * sizeof(wchar_t)), &written, nullptr);
}

}  // namespace

CLogOutCCSA::CLogOutCCSA() {
    ZeroMemory(&m_sd, sizeof(m_sd));
    ZeroMemory(&m_sa, sizeof(m_sa));
    m_pSidSystem = ::LocalAlloc(LPTR, kSidBytes);
    m_pSidAdmins = ::LocalAlloc(LPTR, kSidBytes);
    m_pSidUsers = ::LocalAlloc(LPTR, kSidBytes);
    if (!m_pSidSystem || !m_pSidAdmins || !m_pSidUsers) return;
    DWORD size = kSidBytes;
    if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, m_pSidSystem, &size)) return;
    size = kSidBytes;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, m_pSidAdmins, &size)) return;
    size = kSidBytes;
    if (!::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, m_pSidUsers, &size)) return;
    DWORD aclSize = ::GetLengthSid(m_pSidUsers) + ::GetLengthSid(m_pSidAdmins) + ::GetLengthSid(m_pSidSystem) + 32;
    m_pDacl = static_cast<PACL>(::LocalAlloc(LPTR, aclSize));
    if (!m_pDacl || !::InitializeAcl(m_pDacl, aclSize, ACL_REVISION)) return;
    const DWORD flags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    if (!::AddAccessAllowedAceEx(m_pDacl, ACL_REVISION, flags, kAccess, m_pSidSystem)) return;
    if (!::AddAccessAllowedAceEx(m_pDacl, ACL_REVISION, flags, kAccess, m_pSidAdmins)) return;
    if (!::AddAccessAllowedAceEx(m_pDacl, ACL_REVISION, flags, kAccess, m_pSidUsers)) return;
    if (!::InitializeSecurityDescriptor(&m_sd, SECURITY_DESCRIPTOR_REVISION)) return;
    if (!::SetSecurityDescriptorDacl(&m_sd, TRUE, m_pDacl, FALSE)) return;
    m_sa.nLength = sizeof(SECURITY_ATTRIBUTES);
    m_sa.lpSecurityDescriptor = &m_sd;
    m_sa.bInheritHandle = FALSE;
    m_bReady = TRUE;
}

CLogOutCCSA::~CLogOutCCSA() {
    for (void** p : {&m_pSidSystem, &m_pSidAdmins, &m_pSidUsers, reinterpret_cast<void**>(&m_pDacl)}) {
        if (*p) ::LocalFree(*p);
        *p = nullptr;
    }
}

SECURITY_ATTRIBUTES* CLogOutCCSA::GetSecurityAttributes() { return m_bReady ? &m_sa : nullptr; }

CLogOutCCCollision::~CLogOutCCCollision() {
    if (m_hSemaphore) {
        ::ReleaseSemaphore(m_hSemaphore, 1, nullptr);
        ::CloseHandle(m_hSemaphore);
        m_hSemaphore = nullptr;
    }
}

int CLogOutCCCollision::Lock() {
    const std::wstring name = fwu::LogLockName(fwu::ModulePath());
    CLogOutCCSA sa;
    HANDLE h = nullptr;
    for (int attempt = 0; attempt < 250; ++attempt) {
        h = ::CreateSemaphoreW(sa.GetSecurityAttributes(), 1, 1, name.c_str());
        if (h || ::GetLastError() != ERROR_ACCESS_DENIED) break;
        ::Sleep(500);
    }
    if (!h) return 0;
    m_hSemaphore = h;
    for (int wait = 0; wait < 500; ++wait) {
        DWORD r = ::WaitForSingleObject(h, 300);
        if (r == WAIT_OBJECT_0) return 1;
        if (r != WAIT_TIMEOUT) break;
        ::Sleep(1);
    }
    // Not held: closing without a release leaves the count to its holder.
    ::CloseHandle(h);
    m_hSemaphore = nullptr;
    return 0;
}

void OpenLogFile(const std::wstring& path, const std::wstring& bannerName) {
    if (g_hLogFile == INVALID_HANDLE_VALUE) {
        CLogOutCCSA sa;
        g_hLogFile = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, sa.GetSecurityAttributes(),
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (g_hLogFile == INVALID_HANDLE_VALUE) return;
        LARGE_INTEGER zero{}, end{};
        if (::SetFilePointerEx(g_hLogFile, zero, &end, FILE_END) && end.QuadPart == 0) {
            const wchar_t bom = 0xFEFF;
            DWORD written = 0;
            ::WriteFile(g_hLogFile, &bom, sizeof(bom), &written, nullptr);
        }
    }
    {
        CLogOutCCCollision lock;
        lock.Lock();
        WriteText(fwu::FormatBanner(bannerName, Now()));
        WriteText(L"\r\n");
    }
    LogPrintf(L"LOG mode (%ls).", path.c_str());
}

void CloseLogFile() {
    if (g_hLogFile != INVALID_HANDLE_VALUE) ::CloseHandle(g_hLogFile);
    g_hLogFile = INVALID_HANDLE_VALUE;
}

void LogWriteLine(const std::wstring& text) {
    if (g_hLogFile == INVALID_HANDLE_VALUE) return;
    CLogOutCCCollision lock;
    lock.Lock();
    WriteText(fwu::FormatLogPrefix(Now()));
    WriteText(text);
    WriteText(L"\r\n");
}

void LogPrintf(const wchar_t* format, ...) {
    if (g_hLogFile == INVALID_HANDLE_VALUE) return;
    va_list args;
    va_start(args, format);
    std::wstring text = fwu::FormatStringV(format, args);
    va_end(args);
    LogWriteLine(text);
}
