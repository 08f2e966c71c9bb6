#include "task_doubles.h"

#include "text.h"

namespace testing_upd {

namespace {
class FakeHold final : public upd::IFileHold {
public:
    FakeHold(std::multiset<std::wstring>& held, const std::wstring& path) : m_held(held), m_path(path) {
        m_held.insert(m_path);
    }
    ~FakeHold() override {
        auto it = m_held.find(m_path);
        if (it != m_held.end()) m_held.erase(it);
    }

private:
    std::multiset<std::wstring>& m_held;
    std::wstring m_path;
};

class FakeProcess final : public upd::IStartedProgram {
public:
    explicit FakeProcess(FakeServices& s) : m_s(s) { ++m_s.processesOpen; }
    ~FakeProcess() override { --m_s.processesOpen; }
    State Poll(bool pumpMessages, uint32_t& exitCode) override {
        m_s.journal.push_back(pumpMessages ? L"Poll pumping" : L"Poll");
        if (m_s.onPoll) m_s.onPoll();
        if (m_s.waitFails) return State::Failed;
        if (m_s.pollsBeforeExit > 0) {
            --m_s.pollsBeforeExit;
            return State::Running;
        }
        exitCode = m_s.exitCode;
        return State::Ended;
    }
    bool ForegroundWindow() override {
        m_s.journal.push_back(L"ForegroundWindow");
        return m_s.processHasWindow;
    }

private:
    FakeServices& m_s;
};
}  // namespace

FakeServices::FakeServices() : m_services{*this, *this, *this, *this, *this, caches, *this} {}

bool FakeServices::ExpandEnvironmentText(const std::wstring& text, std::wstring& out) {
    expanded.push_back(text);
    if (text.find(L"%FAIL%") != std::wstring::npos) {
        out = L"garbage";
        return false;
    }
    out = text;
    for (const auto& [name, value] : environment) out = fwu::ReplaceAll(out, L"%" + name + L"%", value);
    return true;
}

bool FakeServices::HasStoredParameter(const std::wstring& name) {
    parameterQueries.push_back(name);
    return storedUpper.count(fwu::ToUpperAscii(name)) != 0;
}

int32_t FakeServices::VerifyFileTrust(const std::wstring& path, upd::FileHold& hold) {
    verified.push_back(path);
    if (unopenable.count(path)) return trustResult != 0 ? trustResult : 2;
    hold = std::make_unique<FakeHold>(held, path);
    return trustResult;
}

std::wstring FakeServices::HashFileSha256(const std::wstring& path, upd::FileHold& hold) {
    hashed.push_back(path);
    if (unopenable.count(path)) return std::wstring();
    hold = std::make_unique<FakeHold>(held, path);
    return hashResult;
}

upd::StartedProgram FakeServices::NewProcess() { return std::make_unique<FakeProcess>(*this); }

bool FakeServices::StartProcess(const std::wstring& commandLine, const std::wstring& directory,
                                upd::StartedProgram& process, uint32_t& error) {
    Say(L"StartProcess " + commandLine + L" in " + directory);
    if (onAction) onAction();
    if (startFails) {
        error = 2;
        return false;
    }
    process = NewProcess();
    return true;
}

bool FakeServices::StartShellExecute(const upd::ShellStart& start, upd::StartedProgram& process, uint32_t& error) {
    Say(L"StartShellExecute " + start.file + L" verb=" + start.verb + L" args=" + start.parameters +
        L" dir=" + start.directory + (start.hidden ? L" hidden" : L" shown"));
    if (onAction) onAction();
    if (startFails) {
        error = 2;
        return false;
    }
    if (!startWithoutProcess) process = NewProcess();
    return true;
}

int32_t FakeServices::LaunchUrl(const std::wstring& url, upd::StartedProgram& process) {
    Say(L"LaunchUrl " + url);
    if (launchResult >= 0) process = NewProcess();
    return launchResult;
}

uint32_t FakeServices::ShowMessageBox(const upd::MessageBoxRequest& request) {
    Say(L"ShowMessageBox " + request.caption + L": " + request.text);
    if (onAction) onAction();
    return answer;
}

upd::TaskDialogOutcome FakeServices::ShowTaskDialog(const upd::TaskDialogRequest& request) {
    Say(L"ShowTaskDialog " + request.windowTitle);
    if (onAction) onAction();
    return dialog;
}

bool FakeServices::ForegroundDialog(const std::wstring& caption) {
    Say(L"ForegroundDialog " + caption);
    return dialogOpen;
}

bool FakeServices::IsWow64() {
    Say(L"IsWow64");
    return answer == 1;
}

bool FakeServices::ListFolder(const std::wstring& folder, std::vector<upd::FolderEntry>* entries) {
    Say(L"ListFolder " + folder);
    auto it = folders.find(folder);
    if (it == folders.end()) return false;
    *entries = it->second;
    return true;
}

void FakeServices::EndSession(uint32_t flags) { Say(fwu::FormatString(L"EndSession 0x%X", unsigned(flags))); }

uint32_t FakeServices::GetSystemFirmwareTable(uint32_t, uint32_t, void*, uint32_t) {
    Say(L"GetSystemFirmwareTable");
    return 0;  // no table
}

upd::DiskQueryStatus FakeServices::FirstIdeDriveValue(const std::wstring& property, std::wstring* value) {
    Say(L"DiskQuery " + property);
    *value = diskValue;
    return upd::DiskQueryStatus::kOk;
}

TextConfig::TextConfig(const std::wstring& text)
    : m_source(std::make_unique<fwu::IniDocumentSource>(fwu::ParseIni(text))),
      m_mgr(std::make_unique<fwu::CGlobalIniMgr>(*m_source)) {
    m_mgr->SetLoaded(L"C:\\pkg\\config\\config.ini", fwu::IntegrityResult{true, false});
}

}  // namespace testing_upd
