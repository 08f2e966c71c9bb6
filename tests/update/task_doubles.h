// Hand-written doubles for the task and sequencer tests: one object that
// stands in for every service of a task (environment, programs, dialogs,
// probes, system actions, log), recording what it is asked in one journal
// and answering as told, and a configuration over an INI text.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config.h"
#include "inifile.h"
#include "task.h"

namespace testing_upd {

class FakeServices : public upd::ITaskEnvironment,
                     public upd::IProgramRunner,
                     public upd::IDialogs,
                     public upd::IProbes,
                     public upd::ISystemActions,
                     public fwu::ILog,
                     private upd::IFirmwareTableSource,
                     private upd::IDiskDriveSource {
public:
    FakeServices();
    FakeServices(const FakeServices&) = delete;
    FakeServices& operator=(const FakeServices&) = delete;
    const upd::TaskServices& Services() const { return m_services; }

    // Environment.
    bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) override;
    bool HasStoredParameter(const std::wstring& name) override;
    // Programs.
    int32_t VerifyFileTrust(const std::wstring& path, upd::FileHold& hold) override;
    std::wstring HashFileSha256(const std::wstring& path, upd::FileHold& hold) override;
    void AllowSetForeground() override { Say(L"AllowSetForeground"); }
    bool StartProcess(const std::wstring& commandLine, const std::wstring& directory, upd::StartedProgram& process,
                      uint32_t& error) override;
    bool StartShellExecute(const upd::ShellStart& start, upd::StartedProgram& process, uint32_t& error) override;
    int32_t LaunchUrl(const std::wstring& url, upd::StartedProgram& process) override;
    // Dialogs.
    uint32_t ShowMessageBox(const upd::MessageBoxRequest& request) override;
    upd::TaskDialogOutcome ShowTaskDialog(const upd::TaskDialogRequest& request) override;
    void BringOwnerToFront() override { Say(L"BringOwnerToFront"); }
    bool ForegroundDialog(const std::wstring& caption) override;
    // Probes.
    upd::IFirmwareTableSource& FirmwareTables() override { return *this; }
    std::wstring AnsiToWide(const std::string& text) override { return std::wstring(text.begin(), text.end()); }
    upd::IDiskDriveSource& DiskDrives() override { return *this; }
    bool IsWow64() override;
    // System actions.
    bool ListFolder(const std::wstring& folder, std::vector<upd::FolderEntry>* entries) override;
    void RegisterDelete(const std::wstring& path) override { Say(L"RegisterDelete " + path); }
    void EndSession(uint32_t flags) override;
    std::wstring OwnFolder() override { return ownFolder; }
    // Log.
    void Line(const std::wstring& text) override { logs.push_back(text); }

    // %NAME% -> value; a text containing "%FAIL%" makes the expansion fail.
    std::map<std::wstring, std::wstring> environment{{L"SystemRoot", L"C:\\windows"}};
    std::set<std::wstring> storedUpper;  // upper-cased stored arguments
    int32_t trustResult = 0;
    std::wstring hashResult;
    // Paths held open right now (a hold adds its path and removes it when
    // destroyed); a path in `unopenable` gets no hold.
    std::multiset<std::wstring> held;
    std::set<std::wstring> unopenable;

    uint32_t answer = 0;           // the button of a message box; 1: under WOW64
    upd::TaskDialogOutcome dialog;  // what a task dialog gives
    bool startFails = false;       // starts fail with error 2
    bool startWithoutProcess = false;  // the shell starts no process it can hand out
    int32_t launchResult = 0;      // HRESULT of a web page's start
    uint32_t exitCode = 0;         // exit code once the wait ends
    int pollsBeforeExit = 0;       // a started program runs for this many looks
    bool waitFails = false;        // a look fails
    bool processHasWindow = false;  // a started program has a top-level window
    bool dialogOpen = false;       // a dialog with the asked caption is open
    std::wstring diskValue;        // what the disk query reads ("" none)
    std::wstring ownFolder = L"C:\\pkg";
    std::map<std::wstring, std::vector<upd::FolderEntry>> folders;
    std::function<void()> onPoll;    // runs inside a look at the program (messages it dispatches)
    std::function<void()> onAction;  // runs inside a start or a dialog (a modal loop)

    std::vector<std::wstring> journal;  // the calls, in order
    std::vector<std::wstring> expanded, parameterQueries, verified, hashed, logs;
    int processesOpen = 0;  // started programs not yet let go
    upd::ProbeCaches caches;

private:
    uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t size) override;
    upd::DiskQueryStatus FirstIdeDriveValue(const std::wstring& property, std::wstring* value) override;
    void Say(const std::wstring& what) { journal.push_back(what); }
    upd::StartedProgram NewProcess();

    upd::TaskServices m_services;
};

// A configuration reading an INI text.
class TextConfig {
public:
    explicit TextConfig(const std::wstring& text);
    const fwu::CGlobalIniMgr* get() const { return m_mgr.get(); }

private:
    std::unique_ptr<fwu::IniDocumentSource> m_source;
    std::unique_ptr<fwu::CGlobalIniMgr> m_mgr;
};

}  // namespace testing_upd
