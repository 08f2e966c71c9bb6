// The platform as a task sees it: a few narrow interfaces, passed to the
// task at construction. The Win32 layer of Update implements them; tests
// and TaskLint's dry run implement their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dialog_tasks.h"
#include "logsink.h"
#include "probes.h"
#include "system_actions.h"

namespace upd {

// A file held open for reading while others may only read it: nobody can
// write, replace, rename or delete it until the hold is destroyed.
class IFileHold {
public:
    virtual ~IFileHold() = default;
};
using FileHold = std::unique_ptr<IFileHold>;

// What loading and the parameter test need of the running system.
class ITaskEnvironment {
public:
    virtual ~ITaskEnvironment() = default;
    // ExpandEnvironmentStringsW; false when the expansion fails.
    virtual bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) = 0;
    // The stored command-line files (__MyParams.dat, then __MyParamsOwner.dat).
    virtual bool HasStoredParameter(const std::wstring& name) = 0;
};

// A started program (or browser), owned: destroying the object lets go of
// the process.
class IStartedProgram {
public:
    enum class State {
        Running,
        Ended,        // `exitCode` holds the exit code
        EndedNoCode,  // ended, but its exit code could not be read
        Failed,       // the wait itself failed: watching stops
    };
    virtual ~IStartedProgram() = default;
    // A look without waiting. With `pumpMessages`, the messages queued for
    // this thread are dispatched while the program runs (a quit message is
    // posted again for the message loop).
    virtual State Poll(bool pumpMessages, uint32_t& exitCode) = 0;
    // Brings a top-level window of the process to the front; false when it
    // has none.
    virtual bool ForegroundWindow() = 0;
};
using StartedProgram = std::unique_ptr<IStartedProgram>;

// How ShellExecuteExW is asked to start a program.
struct ShellStart {
    std::wstring file;        // the quoted path
    std::wstring verb;        // empty: the default verb
    std::wstring parameters;  // empty: none
    std::wstring directory;   // empty: the current one
    bool hidden = false;      // SW_HIDE instead of SW_SHOWNORMAL
};

// Verifying and starting programs.
class IProgramRunner {
public:
    virtual ~IProgramRunner() = default;
    // WinVerifyTrust of the file, read through a handle that shares reading
    // only; 0 when trusted. The handle is handed out in `hold`, so that the
    // file started later is the file verified. A file that cannot be opened
    // that way is not trusted, and `hold` stays empty.
    virtual int32_t VerifyFileTrust(const std::wstring& path, FileHold& hold) = 0;
    // The 64-digit upper-case SHA-256 text of the file, read through a
    // handle that shares reading only and is handed out in `hold`; empty
    // when none (`hold` then may stay empty).
    virtual std::wstring HashFileSha256(const std::wstring& path, FileHold& hold) = 0;
    // AllowSetForegroundWindow(ASFW_ANY).
    virtual void AllowSetForeground() = 0;
    // CreateProcessW of the command line in `directory`, without a console
    // window, in a new process group. False with the Windows error when the
    // program did not start.
    virtual bool StartProcess(const std::wstring& commandLine, const std::wstring& directory,
                              StartedProgram& process, uint32_t& error) = 0;
    // ShellExecuteExW; `process` stays empty when the shell started none.
    virtual bool StartShellExecute(const ShellStart& start, StartedProgram& process, uint32_t& error) = 0;
    // Opens the page in the system's browser (IELaunchURL); the HRESULT.
    virtual int32_t LaunchUrl(const std::wstring& url, StartedProgram& process) = 0;
};

// The dialog tasks' window services beside showing the dialogs.
class IDialogs : public IDialogHost {
public:
    // Makes Update's hidden window the foreground window, unless it is.
    virtual void BringOwnerToFront() = 0;
    // Brings the open message box or task dialog with this caption to the
    // front; false when there is none.
    virtual bool ForegroundDialog(const std::wstring& caption) = 0;
};

// The machine probes.
class IProbes {
public:
    virtual ~IProbes() = default;
    virtual IFirmwareTableSource& FirmwareTables() = 0;
    // The firmware's 8-bit text in the system's ANSI code page.
    virtual std::wstring AnsiToWide(const std::string& text) = 0;
    virtual IDiskDriveSource& DiskDrives() = 0;
    // True when Update runs under WOW64.
    virtual bool IsWow64() = 0;
};

// Ending the session and removing Update's folder.
class ISystemActions : public IFolderRemoval {
public:
    // ExitWindowsEx with the flags, when SeShutdownPrivilege is granted.
    virtual void EndSession(uint32_t flags) = 0;
    // Update's own folder; empty when it cannot be found.
    virtual std::wstring OwnFolder() = 0;
};

// What the probes of one run keep: the base-board product name once read,
// and the disk values per property.
struct ProbeCaches {
    std::wstring baseBoard;
    DiskValueCache disks;
};

// Everything a task reaches outside itself.
struct TaskServices {
    ITaskEnvironment& environment;
    IProgramRunner& programs;
    IDialogs& dialogs;
    IProbes& probes;
    ISystemActions& system;
    ProbeCaches& caches;
    fwu::ILog& log;
};

}  // namespace upd
