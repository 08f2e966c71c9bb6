// Progress: the decisions behind the waiting window (mode, exit codes,
// texts), kept apart from the platform.
#pragma once

#include <cstdint>
#include <string>

class CParseParam;

#include "config.h"

namespace prg {

// One name for the instance mutex and the hidden main window's class.
inline constexpr const wchar_t kInstanceName[] = L"Progress{2D18527D-3F06-4E5A-BD41-47C2C8C14B4C}";
inline constexpr const wchar_t kBannerName[] = L"Progress";

// Private messages: the dialog tells itself it is up; a second ON asks the
// hidden window to bring the dialog to the front.
inline constexpr unsigned kWmDialogReady = 0x80C9;     // WM_APP + 0xC9
inline constexpr unsigned kWmBringToFront = 0x80CA;    // WM_APP + 0xCA

// Resource ids of the dialog.
inline constexpr int kDialogTemplate = 102;
inline constexpr int kStaticText = 1001;
inline constexpr int kProgressBar = 1002;

inline constexpr unsigned kReadyWaitMs = 4000;
inline constexpr unsigned kMarqueeStepMs = 50;
inline constexpr unsigned kBarRange = 1000;
inline constexpr unsigned kOffPollMs = 300;
// How long OFF waits for an ON instance to come up when it finds none: an
// ON started just before (not waited for) may not have its window yet.
inline constexpr unsigned kOnStartWaitMs = 5000;
inline constexpr unsigned kOnStartPollMs = 50;

enum class Mode { None, Silent, On, Off };

struct Options {
    Mode mode = Mode::None;
    std::wstring logPath;
};

// ON wins over OFF, OFF over Silent.
Mode DecideMode(bool on, bool off, bool silent);
Options ReadOptions(const CParseParam& params);

// What an ON instance makes of a missing (1) or falsified (2) config.ini
// (fwu::JudgeConfig).
inline constexpr fwu::ConfigRefusal kConfigRefusal{1, 2, false};

struct Texts {
    std::wstring title;
    std::wstring message;  // "\n" pairs already turned into CR LF
};
// Section "MSG": "IDS_STR_TITLE" and "IDC_STATIC_PROGRESS".
Texts ReadTexts(const fwu::CGlobalIniMgr& ini);

// What the OFF mode needs from the platform.
class IOffEnv {
public:
    virtual ~IOffEnv() = default;
    // Looks for the hidden main window of an ON instance and remembers it.
    virtual bool FindInstanceWindow() = 0;
    // Posts the close to the window found.
    virtual void PostClose() = 0;
    // The instance mutex exists (an ON instance runs).
    virtual bool InstanceExists() = 0;
    // A millisecond tick count (it may wrap around).
    virtual uint32_t Now() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

// OFF: closes the window of the ON instance and returns once that instance
// has ended (its mutex is gone). When no window is there yet, it looks again
// for up to kOnStartWaitMs, so that an ON still starting is closed as well;
// with no ON at all it returns after that wait. Returns the exit code, 0.
uint32_t RunOff(IOffEnv& env);

// The platform's show commands (SW_HIDE ... SW_FORCEMINIMIZE).
enum ShowCommand : int {
    kHide = 0, kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3, kShowNoActivate = 4, kShow = 5,
    kMinimize = 6, kShowMinNoActive = 7, kShowNa = 8, kRestore = 9, kShowDefault = 10, kForceMinimize = 11,
};

// The show command for the hidden main window: the start-up show command
// without activation, so that the dialog stays the active, foreground
// window.
int PassiveShowCommand(int showCommand);

}  // namespace prg
