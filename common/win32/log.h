// The log every program writes when given LOG:. One line per event, each
// serialised across threads and processes by a named semaphore.
#pragma once

#include <windows.h>

#include <string>

// The open log file; INVALID_HANDLE_VALUE while logging is off.
extern HANDLE g_hLogFile;

// Opens (or creates) the log without sharing, writes the byte-order mark
// into an empty file, the banner and "LOG mode (<path>).".
void OpenLogFile(const std::wstring& path, const std::wstring& bannerName);
// Closes the log; later writes are silent no-ops.
void CloseLogFile();
void LogWriteLine(const std::wstring& text);
// Formats like wprintf ("%ls" for wide strings) and writes one line.
void LogPrintf(const wchar_t* format, ...);

// Security attributes granting Local System, Administrators and Users
// access, for the log file and its lock.
class CLogOutCCSA {
public:
    CLogOutCCSA();
    virtual ~CLogOutCCSA();
    CLogOutCCSA(const CLogOutCCSA&) = delete;
    CLogOutCCSA& operator=(const CLogOutCCSA&) = delete;
    // Null when the descriptor could not be built (default security).
    SECURITY_ATTRIBUTES* GetSecurityAttributes();

private:
    SECURITY_DESCRIPTOR m_sd;
    SECURITY_ATTRIBUTES m_sa;
    PSID m_pSidSystem = nullptr;
    PSID m_pSidAdmins = nullptr;
    PSID m_pSidUsers = nullptr;
    PACL m_pDacl = nullptr;
    BOOL m_bReady = FALSE;
};

// The cross-process lock held while one line is written.
class CLogOutCCCollision {
public:
    CLogOutCCCollision() = default;
    virtual ~CLogOutCCCollision();
    CLogOutCCCollision(const CLogOutCCCollision&) = delete;
    CLogOutCCCollision& operator=(const CLogOutCCCollision&) = delete;
    // 1 when the lock is held, 0 otherwise (the line is written anyway).
    int Lock();

private:
    HANDLE m_hSemaphore = nullptr;
};
