// Optpick: options, exit codes, the settings of one dialog section and the
// rules of the dialog (which check boxes show, when OK is usable, where the
// focus starts), kept apart from the platform.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CParseParam;

#include "config.h"

namespace opk {

inline constexpr const wchar_t kMutexName[] = L"Optpick{69C502FE-1195-49C6-82B0-A69E940FC3BC}";
inline constexpr const wchar_t kBannerName[] = L"Optpick";
inline constexpr const wchar_t kDialogClass[] = L"#32770";

// Resource ids of dialog template 102.
inline constexpr int kDialogTemplate = 102;
inline constexpr int kIdOk = 1001;
inline constexpr int kIdMissingFocus = 1002;  // asked for, but not in the template
inline constexpr int kIdCheck0 = 1003;
inline constexpr int kIdCheck1 = 1004;
inline constexpr int kIdDesc1 = 1005;
inline constexpr int kIdPanel = 1006;
inline constexpr int kIdDesc2 = 1007;
inline constexpr int kIdCancel = 2;  // IDCANCEL

// The check boxes, in list order, ended by 0.
inline constexpr int kCheckBoxes[] = {kIdCheck0, kIdCheck1, 0};
inline constexpr size_t kCheckCount = 2;

// Controls that take the dialog font (the panel does not).
inline constexpr int kFontControls[] = {kIdDesc1, kIdDesc2, kIdCheck0, kIdCheck1, kIdOk, kIdCancel};

enum ExitCode : uint32_t {
    kExitOk = 0,
    kExitDeclined = 1,
    kExitIniNotFound = 5,
    kExitIniFalsified = 6,
    kExitMutexFailed = 7,
    kExitAlreadyRunning = 8,
};

struct Options {
    bool silent = false;
    bool topmost = false;
    std::wstring dialogNumber = L"0";
    uint32_t silentExit = 0;
    std::wstring logPath;
};

// "ReturnBySilent:": automatic base, the whole text must be a number;
// anything else (and a missing or empty value) gives 0.
uint32_t ParseSilentExit(const std::wstring& text);
Options ReadOptions(const CParseParam& params);

// "OptpickSet" followed by the dialog number.
std::wstring SectionName(const std::wstring& dialogNumber);

// A missing or falsified config.ini (fwu::JudgeConfig); the boxes are shown
// unless silent.
inline constexpr fwu::ConfigRefusal kConfigRefusal{kExitIniNotFound, kExitIniFalsified, false};

struct Settings {
    std::wstring title;  // Title, else MSG/IDS_STR_TITLE
    std::wstring desc1;  // "\n" pairs turned into line feeds
    std::wstring desc2;
    std::array<std::wstring, kCheckCount> checks;  // Check0, Check1 as they stand
    std::wstring okText;
    std::wstring cancelText;
    int32_t fontSize = 0;
};
// The caption alone (what a second instance looks for).
std::wstring ReadCaption(const fwu::CGlobalIniMgr& ini, const std::wstring& section);
Settings ReadSettings(const fwu::CGlobalIniMgr& ini, const std::wstring& section);

// FontSize: StrToIntExW with hexadecimal support, else the leading decimal
// digits; empty is 0. The font's height is fwu::FontHeight of it.
int32_t ParseFontSize(const std::wstring& text);

// One check box as the dialog sees it.
struct CheckState {
    bool visible = false;
    bool checked = false;
};
// OK is usable exactly while every visible check box is ticked.
bool OkEnabled(const std::array<CheckState, kCheckCount>& boxes);

// The initial focus, and whether OK starts enabled.
struct InitialFocus {
    int control = 0;
    bool enableOk = false;
};
// `shown[i]`: check box i has a text; `cancelShown`: the Cancel button has.
InitialFocus ChooseInitialFocus(const std::array<bool, kCheckCount>& shown, bool cancelShown);

// What a WM_COMMAND does.
enum class CommandAction { NotHandled, Decline, Confirm, UpdateOk, Ignore };
// `okEnabled`: the OK button is usable (a command from a disabled OK, as
// the Enter key may send, does not confirm).
CommandAction ClassifyCommand(int id, bool cancelShown, bool okEnabled);

}  // namespace opk
