#include "task_doubles.h"

#include "text.h"

namespace testing_upd {

bool FakePlatform::ExpandEnvironmentText(const std::wstring& text, std::wstring& out) {
    expanded.push_back(text);
    if (text.find(L"%FAIL%") != std::wstring::npos) {
        out = L"garbage";
        return false;
    }
    out = text;
    for (const auto& [name, value] : environment) out = fwu::ReplaceAll(out, L"%" + name + L"%", value);
    return true;
}

bool FakePlatform::HasStoredParameter(const std::wstring& name) {
    parameterQueries.push_back(name);
    return storedUpper.count(fwu::ToUpperAscii(name)) != 0;
}

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
}  // namespace

int32_t FakePlatform::VerifyFileTrust(const std::wstring& path, upd::FileHold& hold) {
    verified.push_back(path);
    if (unopenable.count(path)) return trustResult != 0 ? trustResult : 2;
    hold = std::make_unique<FakeHold>(held, path);
    return trustResult;
}

std::wstring FakePlatform::HashFileSha256(const std::wstring& path, upd::FileHold& hold) {
    hashed.push_back(path);
    if (unopenable.count(path)) return std::wstring();
    hold = std::make_unique<FakeHold>(held, path);
    return hashResult;
}

TextConfig::TextConfig(const std::wstring& text)
    : m_source(std::make_unique<fwu::IniDocumentSource>(fwu::ParseIni(text))),
      m_mgr(std::make_unique<fwu::CGlobalIniMgr>(*m_source)) {
    m_mgr->SetLoaded(L"C:\\pkg\\config\\config.ini", fwu::IntegrityResult{true, false});
}

uint32_t ScriptedTask::StartProcess() {
    m_journal.push_back(L"StartProcess " + upd::BuildProcessCommandLine(Path, ChosenArguments()));
    if (onAction) onAction();
    if (startResult == 0) SetProcessHandle(reinterpret_cast<void*>(0xABC));
    return startResult;
}

uint32_t ScriptedTask::StartShellExecute() {
    m_journal.push_back(L"StartShellExecute");
    if (startResult == 0) SetProcessHandle(reinterpret_cast<void*>(0xABD));
    return startResult;
}

uint32_t ScriptedTask::IsWaiting() {
    m_journal.push_back(L"IsWaiting");
    if (onPoll) onPoll();
    if (!WaitExit || !GetProcessHandle()) return 0;
    if (pollsBeforeExit > 0) {
        --pollsBeforeExit;
        return 1;
    }
    SetResult(exitCode);
    CloseProcessHandle();
    return 0;
}

}  // namespace testing_upd

// The Win32 operations of a task, for the host build: every test task
// overrides the ones it uses. (The dialog, probe and power actions have
// theirs in task_actions_host.cpp.)
namespace upd {
uint32_t CTask::StartProcess() { return kTaskFailed; }
uint32_t CTask::StartShellExecute() { return kTaskFailed; }
void CTask::BringOwnerToFront() {}
uint32_t CTask::IsWaiting() { return 0; }
void CTask::Activate() {}
}  // namespace upd
