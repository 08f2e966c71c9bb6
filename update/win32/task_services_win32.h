// The Win32 implementations of a task's services (task_services.h), and
// the bundle the hidden window hands to each task it creates.
#pragma once

#include <windows.h>

#include "task.h"

namespace upd {

class CWin32TaskEnvironment final : public ITaskEnvironment {
public:
    bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) override;
    bool HasStoredParameter(const std::wstring& name) override;
};

class CWin32ProgramRunner final : public IProgramRunner {
public:
    int32_t VerifyFileTrust(const std::wstring& path, FileHold& hold) override;
    std::wstring HashFileSha256(const std::wstring& path, FileHold& hold) override;
    void AllowSetForeground() override;
    bool StartProcess(const std::wstring& commandLine, const std::wstring& directory, StartedProgram& process,
                      uint32_t& error) override;
    bool StartShellExecute(const ShellStart& start, StartedProgram& process, uint32_t& error) override;
    int32_t LaunchUrl(const std::wstring& url, StartedProgram& process) override;
};

class CWin32Dialogs final : public IDialogs {
public:
    explicit CWin32Dialogs(HWND owner) : m_owner(owner) {}
    uint32_t ShowMessageBox(const MessageBoxRequest& request) override;
    TaskDialogOutcome ShowTaskDialog(const TaskDialogRequest& request) override;
    void BringOwnerToFront() override;
    bool ForegroundDialog(const std::wstring& caption) override;

private:
    HWND m_owner;
};

class CWin32Probes final : public IProbes {
public:
    CWin32Probes();
    ~CWin32Probes() override;
    IFirmwareTableSource& FirmwareTables() override;
    std::wstring AnsiToWide(const std::string& text) override;
    IDiskDriveSource& DiskDrives() override;
    bool IsWow64() override;

private:
    std::unique_ptr<IFirmwareTableSource> m_tables;
    std::unique_ptr<IDiskDriveSource> m_disks;
};

class CWin32SystemActions final : public ISystemActions {
public:
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>* entries) override;
    void RegisterDelete(const std::wstring& path) override;
    void EndSession(uint32_t flags) override;
    std::wstring OwnFolder() override;
};

// The services of the tasks of one run, for the hidden window `owner`.
class CWin32TaskServices {
public:
    CWin32TaskServices(HWND owner, ProbeCaches& caches, fwu::ILog& log)
        : m_dialogs(owner), m_services{m_environment, m_programs, m_dialogs, m_probes, m_system, caches, log} {}
    CWin32TaskServices(const CWin32TaskServices&) = delete;
    CWin32TaskServices& operator=(const CWin32TaskServices&) = delete;
    const TaskServices& Services() const { return m_services; }

private:
    CWin32TaskEnvironment m_environment;
    CWin32ProgramRunner m_programs;
    CWin32Dialogs m_dialogs;
    CWin32Probes m_probes;
    CWin32SystemActions m_system;
    TaskServices m_services;
};

}  // namespace upd
