// Tallykeep: a loop counter kept in MyTempCounter.ini beside the program.
#include <windows.h>

#include "cmdline.h"
#include "config.h"
#include "handle.h"
#include "log.h"
#include "module.h"
#include "tallykeep_core.h"
#include "text.h"

namespace tly {

namespace {

class CCounterFile : public ICounterEnv {
public:
    CCounterFile() : m_path(CounterFilePath(fwu::ModuleFolder())) {}

    int32_t ReadLimit() override {
        fwu::CGlobalIniMgr ini;
        int found = fwu::LocateConfigFile(ini, fwu::ConfigLayout::ToolFolder);
        return tly::ReadLimit(found != 0, ini);
    }
    int32_t ReadCounter() override {
        return static_cast<int32_t>(::GetPrivateProfileIntW(kSection, kKey, 0, m_path.c_str()));
    }
    void WriteCounter(int32_t value) override {
        ::WritePrivateProfileStringW(kSection, kKey, fwu::FormatString(L"%d", int(value)).c_str(), m_path.c_str());
    }
    void DeleteCounter() override { ::DeleteFileW(m_path.c_str()); }
    void Log(const std::wstring& line) override { LogWriteLine(line); }

private:
    std::wstring m_path;
};

}  // namespace

int RunTallykeep() {
    Options options;
    {
        CParseParam params;
        options = ReadOptions(params);
    }
    if (!options.logPath.empty()) OpenLogFile(options.logPath, kBannerName);
    fwu::ScopeExit closeLog([] { CloseLogFile(); });
    CCounterFile file;
    return static_cast<int>(Run(DecideOperation(options.flags), file));
}

}  // namespace tly

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return tly::RunTallykeep(); }
