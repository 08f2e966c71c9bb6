// Names, private messages and exit codes of Update shared by its units.
#pragma once

#include <cstdint>
#include <string>

#include "config.h"

class CParseParam;

namespace upd {

inline constexpr const wchar_t kMutexName[] = L"DORozari{2D18527D-3F06-4E5A-BD41-47C2C8C14B4C}";
inline constexpr const wchar_t kWindowClass[] = L"DORozari{E0E318DA-3312-43E9-9565-EB78318F638E}";
inline constexpr const wchar_t kBannerName[] = L"DORozari";
// "%ls" is "Update(system)" or "Update(disp)".
inline constexpr const wchar_t kPowerReasonFormat[] = L"%ls-{C98403DB-CAC2-42E8-9057-F1BC4EB8B270} is running.";

// Private window messages of the hidden window (WM_APP + 202 ... 205).
inline constexpr unsigned kWmUpdateRunTask = 0x80CA;
inline constexpr unsigned kWmUpdateTaskDone = 0x80CB;
inline constexpr unsigned kWmUpdateNextTask = 0x80CC;
inline constexpr unsigned kWmUpdateActivate = 0x80CD;

enum ExitCode : uint32_t {
    kExitOk = 0,
    kExitIniNotFound = 2,
    kExitIniFalsified = 3,
    kExitAlreadyRunning = 4,
    kExitMutexFailed = 5,
    kExitNotAdmin = 6,
    kExitNoWindow = 7,
    kExitComFailed = 8,
    kExitLoadFailed = 9,
    kExitNotTrusted = 10,
    kExitNobodyToAnswer = 11,
};

// A missing or falsified config.ini (fwu::JudgeConfig): both boxes carry
// the error icon, and the log line ends with the return.
inline constexpr fwu::ConfigRefusal kConfigRefusal{kExitIniNotFound, kExitIniFalsified, true};

// How many further attempts WaitMultiEnd makes at the single-instance guard.
inline constexpr int kWaitMultiEndAttempts = 100;

struct StartupOptions {
    bool silent = false;
    uint32_t firstTask = 1;
    bool waitMultiEnd = false;
    std::wstring logPath;
};

// Steps 1 to 4 of start-up: "s", "FTN:", "WaitMultiEnd", "LOG:".
StartupOptions ReadStartupOptions(const CParseParam& params);

// The text settings of start-up, compared upper-cased and exactly.
bool IsOn(const std::wstring& value);   // "ON"
bool IsOff(const std::wstring& value);  // "OFF"

}  // namespace upd
