// Tallykeep: which operation a command line asks for, the loop limit, and
// the run of one operation against a counter store, apart from the platform.
#pragma once

#include <cstdint>
#include <string>

class CParseParam;

namespace fwu {
class CGlobalIniMgr;
}

namespace tly {

inline constexpr const wchar_t kBannerName[] = L"Tallykeep";
inline constexpr const wchar_t kCounterFileFormat[] = L"%ls\\MyTempCounter.ini";
inline constexpr const wchar_t kSection[] = L"Counter";
inline constexpr const wchar_t kKey[] = L"Loop";
inline constexpr int32_t kDefaultLimit = 1;
// Serialises every use of the counter file between Tallykeep processes, so
// that two increments at once both count.
inline constexpr const wchar_t kCounterMutexName[] = L"Tallykeep{0021B517-7CF5-4348-B037-D44B64B8379B}";
// How long a run waits for another run to finish with the counter file.
inline constexpr uint32_t kLockWaitMs = 30000;

enum ExitCode : uint32_t {
    kExitBelowLimit = 0,
    kExitReachedLimit = 1,
    kExitNoOperation = 5,
    kExitWriteFailed = 6,   // increment: the new count was not stored
    kExitDeleteFailed = 7,  // delete: the counter file is still there
    kExitLockFailed = 8,    // the counter file could not be locked for this run
};

enum class Operation { None, Check, Increment, Delete };

struct Flags {
    bool check = false;
    bool increment = false;
    bool erase = false;  // "delete"
    bool loop = false;
};

struct Options {
    Flags flags;
    std::wstring logPath;
};
Options ReadOptions(const CParseParam& params);

// delete wins over increment, increment over check; every operation needs
// "loop".
Operation DecideOperation(const Flags& flags);

// The limit from a located configuration file: Counter/Loop, number rules
// of every setting; 1 when no file was found, the file failed its check, or
// the value is missing or empty.
int32_t ReadLimit(bool found, const fwu::CGlobalIniMgr& ini);

// counter >= limit (signed).
bool LimitReached(int32_t counter, int32_t limit);
// The next counter value; stays at the largest value instead of wrapping
// to a negative count.
int32_t NextCount(int32_t counter);

std::wstring CounterFilePath(const std::wstring& exeFolder);

// What one run needs from the outside world. The operations that answer a
// number answer 0 on success, else the system error code.
class ICounterEnv {
public:
    virtual ~ICounterEnv() = default;
    // Takes the lock on the counter file (waits for another run to finish
    // with it); Unlock is called only after a successful Lock.
    virtual uint32_t Lock() = 0;
    virtual void Unlock() = 0;
    virtual int32_t ReadLimit() = 0;
    virtual int32_t ReadCounter() = 0;
    // Succeeds only when the value was stored.
    virtual uint32_t WriteCounter(int32_t value) = 0;
    // Succeeds when no counter file is left, also when there was none.
    virtual uint32_t DeleteCounter() = 0;
    virtual void Log(const std::wstring& line) = 0;
};

// Runs the operation under the counter lock and logs its lines, "return
// %d." last; returns the exit code. A failed lock, write or delete is
// logged as an "error - " line with the system error code and has an exit
// code of its own.
uint32_t Run(Operation op, ICounterEnv& env);

}  // namespace tly
