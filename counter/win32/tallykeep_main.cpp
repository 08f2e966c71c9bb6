// Tallykeep: a loop counter kept in MyTempCounter.ini beside the program.
#include <windows.h>

#include "config_win32.h"
#include "handle.h"
#include "module.h"
#include "program_shell.h"
#include "tallykeep_core.h"
#include "text.h"

namespace tly {

namespace {

class CCounterFile : public ICounterEnv {
public:
    explicit CCounterFile(fwu::ILog& log) : m_path(CounterFilePath(fwu::ModuleFolder())), m_log(log) {}

    uint32_t Lock() override {
        fwu::UniqueHandle mutex(::CreateMutexExW(nullptr, kCounterMutexName, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
        if (!mutex) return ::GetLastError();
        switch (::WaitForSingleObject(mutex.get(), kLockWaitMs)) {
            case WAIT_OBJECT_0:
            case WAIT_ABANDONED:  // a run ended while holding it: the file is whole or absent
                m_held.reset(mutex.release());
                return 0;
            case WAIT_TIMEOUT:
                return WAIT_TIMEOUT;
            default: {
                DWORD error = ::GetLastError();
                return error ? error : ERROR_INVALID_HANDLE;
            }
        }
    }
    void Unlock() override { m_held.reset(); }
    int32_t ReadLimit() override {
        fwu::CGlobalIniMgr ini(fwu::PlatformProfileSource());
        const bool found = fwu::LocateConfigFile(ini, fwu::ConfigLayout::ToolFolder) != 0;
        return tly::ReadLimit(found, ini);
    }
    int32_t ReadCounter() override {
        if (!PathFits()) return 0;  // no counter can have been written there
        return static_cast<int32_t>(::GetPrivateProfileIntW(kSection, kKey, 0, m_path.c_str()));
    }
    uint32_t WriteCounter(int32_t value) override {
        if (!PathFits()) return ERROR_FILENAME_EXCED_RANGE;
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
    void Log(const std::wstring& line) override { m_log.Line(line); }

private:
    // The profile calls take paths of fewer than MAX_PATH characters (the
    // programs are not long-path aware): Windows fails a longer one, and
    // Wine opens a file named by whatever its too-short buffer holds, which
    // may read or write a stray file. So the length is checked here, and the
    // read finds no counter and the write fails alike on both.
    bool PathFits() const { return m_path.size() < MAX_PATH; }

    std::wstring m_path;
    fwu::ILog& m_log;
    fwu::UniqueHeldMutex m_held;  // the counter lock while a run holds it
};

}  // namespace

}  // namespace tly

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return fwu::RunWithOptions(tly::kBannerName, tly::ReadOptions, [](const tly::Options& options, fwu::ILog& log) {
        tly::CCounterFile file(log);
        return tly::Run(tly::DecideOperation(options.flags), file);
    });
}
