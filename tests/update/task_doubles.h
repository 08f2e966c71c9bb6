// Hand-written doubles for the task and sequencer tests: a platform that
// records what it is asked and answers as told, a configuration over an
// INI text, and a task whose Win32 actions are scripted.
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

class FakePlatform : public upd::ITaskPlatform {
public:
    bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) override;
    bool HasStoredParameter(const std::wstring& name) override;
    int32_t VerifyFileTrust(const std::wstring& path, upd::FileHold& hold) override;
    std::wstring HashFileSha256(const std::wstring& path, upd::FileHold& hold) override;
    void Log(const std::wstring& line) override { logs.push_back(line); }
    void AllowSetForeground() override { calls.push_back(L"AllowSetForeground"); }
    void CloseProcessHandle(void* handle) override { closed.push_back(handle); }

    // %NAME% -> value; a text containing "%FAIL%" makes the expansion fail.
    std::map<std::wstring, std::wstring> environment{{L"SystemRoot", L"C:\\windows"}};
    std::set<std::wstring> storedUpper;  // upper-cased stored arguments
    int32_t trustResult = 0;
    std::wstring hashResult;
    // Paths held open right now (a hold adds its path and removes it when
    // destroyed); a path in `unopenable` gets no hold.
    std::multiset<std::wstring> held;
    std::set<std::wstring> unopenable;
    std::vector<std::wstring> expanded, parameterQueries, verified, hashed, logs, calls;
    std::vector<void*> closed;
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

// A task whose platform actions record their call and answer as scripted.
class ScriptedTask : public upd::CTask {
public:
    ScriptedTask(FakePlatform& platform, std::vector<std::wstring>& journal)
        : CTask(reinterpret_cast<void*>(0x1234), platform), m_journal(journal) {}

    uint32_t StartProcess() override;
    uint32_t StartShellExecute() override;
    void BringOwnerToFront() override { m_journal.push_back(L"BringOwnerToFront"); }
    uint32_t IsWaiting() override;
    void Activate() override { m_journal.push_back(L"Activate"); }
    uint32_t ShowMessageBox() override { return Say(L"ShowMessageBox", answer); }
    void ExitWindowsTask(uint32_t mode) override { m_journal.push_back(L"ExitWindowsTask " + std::to_wstring(mode)); }
    uint32_t OpenUrl() override { return Say(L"OpenUrl", answer); }
    uint32_t IsWow64() override { return Say(L"IsWow64", answer); }
    uint32_t CheckBaseBoard() override { return Say(L"CheckBaseBoard", answer); }
    uint32_t CheckDiskDrive(const std::wstring& property) override { return Say(L"CheckDiskDrive " + property, answer); }
    uint32_t ShowTaskDialog() override { return Say(L"ShowTaskDialog", answer); }
    uint32_t RemoveOwnFolderAtReboot() override { return Say(L"RemoveOwnFolderAtReboot", answer); }

    uint32_t answer = 0;         // what the scripted actions return
    uint32_t startResult = 0;    // what a start returns
    uint32_t exitCode = 0;       // result once the wait ends
    int pollsBeforeExit = 0;     // IsWaiting answers 1 this many times
    std::function<void()> onPoll;    // runs inside IsWaiting (messages it dispatches)
    std::function<void()> onAction;  // runs inside an action (a dialog's modal loop)
    bool* destroyedFlag = nullptr;
    ~ScriptedTask() override {
        if (destroyedFlag) *destroyedFlag = true;
    }

private:
    uint32_t Say(const std::wstring& what, uint32_t value) {
        m_journal.push_back(what);
        if (onAction) onAction();
        return value;
    }
    std::vector<std::wstring>& m_journal;
};

}  // namespace testing_upd
