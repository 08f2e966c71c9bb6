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

    uint32_t Lock() override {
        m_mutex.reset(::CreateMutexExW(nullptr, kCounterMutexName, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
        if (!m_mutex) return ::GetLastError();
        switch (::WaitForSingleObject(m_mutex.get(), kLockWaitMs)) {
            case WAIT_OBJECT_0:
            case WAIT_ABANDONED:  // a run ended while holding it: the file is whole or absent
                return 0;
            case WAIT_TIMEOUT:
                m_mutex.reset();
                return WAIT_TIMEOUT;
            default: {
                DWORD error = ::GetLastError();
                m_mutex.reset();
                return error ? error : ERROR_INVALID_HANDLE;
            }
        }
    }
    void Unlock() override {
        ::ReleaseMutex(m_mutex.get());
        m_mutex.reset();
    }
    int32_t ReadLimit() override {
        fwu::CGlobalIniMgr ini;
        int found = fwu::LocateConfigFile(ini, fwu::ConfigLayout::ToolFolder);
        return tly::ReadLimit(found != 0, ini);
    }
    int32_t ReadCounter() override {
        return static_cast<int32_t>(::GetPrivateProfileIntW(kSection, kKey, 0, m_path.c_str()));
    }
    uint32_t WriteCounter(int32_t value) override {
        if (::WritePrivateProfileStringW(kSection, kKey, fwu::FormatString(L"%d", int(value)).c_str(),
                                         m_path.c_str()))
            return 0;
        DWORD error = ::GetLastError();
        return error ? error : ERROR_WRITE_FAULT;
    }
    uint32_t DeleteCounter() override {
        if (::DeleteFileW(m_path.c_str())) return 0;
        DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
        // Gone meanwhile is as good as deleted.
        if (::GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            DWORD now = ::GetLastError();
            if (now == ERROR_FILE_NOT_FOUND || now == ERROR_PATH_NOT_FOUND) return 0;
        }
        return error ? error : ERROR_ACCESS_DENIED;
    }
    void Log(const std::wstring& line) override { LogWriteLine(line); }

private:
    std::wstring m_path;
    fwu::UniqueHandle m_mutex;
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
