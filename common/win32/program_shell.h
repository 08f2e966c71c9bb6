// What every program of the tool set does around its own work: reading its
// options, its log given with LOG:, the single-instance guard, the hidden
// main window with its message loop, and starting another program and
// waiting for it while messages are handled. (The configuration file beside
// the program is found with LocateConfigFile, config_win32.h.)
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "../core/cmdline.h"
#include "../core/config.h"
#include "../core/logsink.h"
#include "handle.h"
#include "log.h"

namespace fwu {

// One run of a program: its command line, read once, and its log, open
// from OpenLog to the end of the shell's scope.
class CProgramShell {
public:
    CProgramShell();
    CProgramShell(const CProgramShell&) = delete;
    CProgramShell& operator=(const CProgramShell&) = delete;

    const CParseParam& Params() const { return m_params; }
    // The value of a "/KEY:value" option (CParseParam::Find).
    std::wstring Option(const wchar_t* key) const { return m_params.Find(key, nullptr); }

    // Opens the log file at `path` under the banner name (no file when the
    // path is empty) and answers the program's log. Once only.
    ILog& OpenLog(const std::wstring& path, const std::wstring& bannerName);
    // The same with the path given as "LOG:".
    ILog& OpenLog(const std::wstring& bannerName) { return OpenLog(Option(L"LOG:"), bannerName); }
    // The log (dropping every line before OpenLog).
    ILog& Log();

private:
    CParseParam m_params;
    std::optional<CLogFile> m_log;
    NullLog m_none;
};

// The single-instance guard: a named mutex held for the guard's life, and
// what its creation answered.
enum class InstanceState {
    First,           // created: no other instance holds the name
    AlreadyRunning,  // opened: another instance holds it
    Failed,          // neither (GetError() tells why)
};

class CInstanceGuard {
public:
    explicit CInstanceGuard(const wchar_t* name);
    CInstanceGuard(const CInstanceGuard&) = delete;
    CInstanceGuard& operator=(const CInstanceGuard&) = delete;

    InstanceState State() const { return m_state; }
    // GetLastError() of the creation.
    DWORD GetError() const { return m_error; }
    bool IsCreated() const { return m_state != InstanceState::Failed; }
    bool IsAlreadyRunning() const { return m_state == InstanceState::AlreadyRunning; }
    // Lets go of the mutex and creates it again, up to `attempts` times,
    // until this instance is the first: true when it is.
    bool Retry(int attempts);

private:
    void Create();

    std::wstring m_name;
    UniqueHandle m_mutex;
    DWORD m_error = 0;
    InstanceState m_state = InstanceState::Failed;
};

// What a second instance does for the first before it ends: lets any
// process take the foreground (AllowSetForegroundWindow(ASFW_ANY)) and
// finds the first instance's window by class and caption (null: any
// caption). When found, the window is made the foreground window when
// `takeForeground`, and posted `message` when that is not 0. Answers the
// window, or null.
HWND BringFirstInstanceForward(const wchar_t* windowClass, const wchar_t* caption, bool takeForeground,
                               UINT message = 0);

// The main window of a program that shows none of its own: zero-sized,
// WS_EX_TOOLWINDOW, of a class registered here (CS_DBLCLKS, arrow cursor)
// with the given name and window procedure. Null when the class cannot be
// registered or the window cannot be created.
HWND CreateHiddenWindow(const wchar_t* className, WNDPROC windowProc, DWORD style = WS_POPUP,
                        void* createParam = nullptr);

// The creation parameter given to CreateHiddenWindow, kept with the window:
// called first in its window procedure with every message; null before
// WM_NCCREATE has arrived.
void* HiddenWindowParam(HWND window, UINT message, LPARAM lParam);

// What a program's main window procedure does with the messages it leaves
// alone: the end of the window ends the message loop (WM_DESTROY posts
// WM_QUIT with 0), everything else goes to DefWindowProcW.
LRESULT MainWindowDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Dispatches the thread's messages until WM_QUIT (or a GetMessageW error);
// the WM_QUIT code, or 0.
int RunMessageLoop();

// A started program: its process and first thread.
struct StartedProgram {
    UniqueHandle process;
    UniqueHandle thread;
};

// CreateProcessW of the command line, no window and a process group of its
// own (CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP), no inherited handles,
// in `workingFolder` (null: this program's). True with the handles, or
// false with `error` set to GetLastError() when it cannot be started.
bool StartProgram(const std::wstring& commandLine, const wchar_t* workingFolder, StartedProgram& started,
                  DWORD& error);

enum class WaitOutcome {
    Signalled,  // the object is signalled
    Pending,    // not yet: the time ran out, or queued messages were handled
    Quit,       // a WM_QUIT was taken from the queue; it is posted again
    Failed,     // the wait itself failed
};

// One step of waiting for `object` while this thread's messages are
// handled: waits up to `timeoutMs` for the object or a message, then
// dispatches every queued message. A WM_QUIT met is posted again (the loop
// that owns the thread ends the run) and reported; the messages behind it
// stay queued.
WaitOutcome WaitPumping(HANDLE object, DWORD timeoutMs);

// Waits with no time limit for the process in steps of WaitPumping (or,
// once a WM_QUIT was met, of plain waits, to leave it queued): true when
// it has ended, false when waiting failed.
bool WaitForProcessPumping(HANDLE process, DWORD stepMs);

// The start of a program whose options are one typed set naming its log
// file in `logPath`: `read` reads them from the command line, the log is
// opened under the banner name, and `run(options, log)` answers the exit
// code. The log is closed when `run` has returned.
template <typename Read, typename Run>
int RunWithOptions(const std::wstring& bannerName, Read read, Run run) {
    CProgramShell shell;
    const auto options = read(shell.Params());
    ILog& log = shell.OpenLog(options.logPath, bannerName);
    return static_cast<int>(run(options, log));
}

}  // namespace fwu
