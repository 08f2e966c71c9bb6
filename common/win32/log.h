// The log every program writes when given LOG:. One line per event, each
// serialised across threads and processes by a named semaphore.
#pragma once

#include <windows.h>

#include <string>

#include "../core/logsink.h"
#include "handle.h"

namespace fwu {

// The log file as a program's log. The constructor opens (or creates) the
// file without sharing, writes the byte-order mark into an empty file, the
// banner and "LOG mode (<path>)."; the destructor closes it. With an empty
// path, or when the file cannot be opened, every line is dropped.
class CLogFile final : public ILog {
public:
    CLogFile(const std::wstring& path, const std::wstring& bannerName);
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    bool IsOpen() const { return m_file.valid(); }
    // "<time> - <text>" and a line break, under the cross-process lock.
    void Line(const std::wstring& text) override;
    // The banner line and "LOG mode (<path>)." (what the constructor writes
    // after opening).
    void Banner(const std::wstring& path, const std::wstring& bannerName);

private:
    void Write(const std::wstring& text);

    UniqueFile m_file;
};

}  // namespace fwu

// Security attributes granting Local System, Administrators and Users
// access, for the log file and its lock.
class CLogOutCCSA {
public:
    CLogOutCCSA();
    CLogOutCCSA(const CLogOutCCSA&) = delete;
    CLogOutCCSA& operator=(const CLogOutCCSA&) = delete;
    // Null when the descriptor could not be built (default security).
    SECURITY_ATTRIBUTES* GetSecurityAttributes();

private:
    SECURITY_DESCRIPTOR m_sd;
    SECURITY_ATTRIBUTES m_sa;
    fwu::UniqueLocal m_sidSystem;
    fwu::UniqueLocal m_sidAdmins;
    fwu::UniqueLocal m_sidUsers;
    fwu::UniqueLocal m_dacl;
    BOOL m_bReady = FALSE;
};

// The cross-process lock held while one line is written.
class CLogOutCCCollision {
public:
    CLogOutCCCollision() = default;
    CLogOutCCCollision(const CLogOutCCCollision&) = delete;
    CLogOutCCCollision& operator=(const CLogOutCCCollision&) = delete;
    // 1 when the lock is held, 0 otherwise (the line is written anyway).
    int Lock();

private:
    fwu::UniqueHeldSemaphore m_held;
};
