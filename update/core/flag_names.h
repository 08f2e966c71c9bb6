// Style words of the message box and task dialog tasks: the name tables that
// turn "MB_YESNO, MB_ICONQUESTION" into flag values, the icon words, and the
// small rules around the dialogs (caption, width, result packing).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace upd {

// One row of a flag-name table: the SDK value and its upper-case name. A
// table ends at the first row whose name is empty.
struct FlagNameEntry {
    uint32_t value;
    wchar_t name[260];
};

// ParseFlagNames looks at no more than this many rows of a table.
inline constexpr size_t kMaxFlagNameRows = 100;

// The rows of the three tables as the SDK headers spell them: the
// upper-case name and its value (the Win32 layer checks every value against
// the headers at compile time).
struct FlagName {
    const wchar_t* name;
    uint32_t value;
};
inline constexpr FlagName kMessageBoxFlagRows[] = {
    {L"MB_OK", 0x0},
    {L"MB_OKCANCEL", 0x1},
    {L"MB_ABORTRETRYIGNORE", 0x2},
    {L"MB_YESNOCANCEL", 0x3},
    {L"MB_YESNO", 0x4},
    {L"MB_RETRYCANCEL", 0x5},
    {L"MB_CANCELTRYCONTINUE", 0x6},
    {L"MB_ICONHAND", 0x10},
    {L"MB_ICONQUESTION", 0x20},
    {L"MB_ICONEXCLAMATION", 0x30},
    {L"MB_ICONWARNING", 0x30},
    {L"MB_ICONERROR", 0x10},
    {L"MB_ICONINFORMATION", 0x40},
    {L"MB_HELP", 0x4000},
    {L"MB_ICONASTERISK", 0x40},
    {L"MB_ICONSTOP", 0x10},
    {L"MB_DEFBUTTON1", 0x0},
    {L"MB_DEFBUTTON2", 0x100},
    {L"MB_DEFBUTTON3", 0x200},
    {L"MB_DEFBUTTON4", 0x300},
    {L"MB_APPLMODAL", 0x0},
    {L"MB_SYSTEMMODAL", 0x1000},
    {L"MB_TASKMODAL", 0x2000},
    {L"MB_DEFAULT_DESKTOP_ONLY", 0x20000},
    {L"MB_RIGHT", 0x80000},
    {L"MB_RTLREADING", 0x100000},
    {L"MB_SETFOREGROUND", 0x10000},
    {L"MB_TOPMOST", 0x40000},
    {L"MB_SERVICE_NOTIFICATION", 0x200000},
};
inline constexpr FlagName kTaskDialogFlagRows[] = {
    {L"TDF_ENABLE_HYPERLINKS", 0x1},
    {L"TDF_USE_HICON_MAIN", 0x2},
    {L"TDF_USE_HICON_FOOTER", 0x4},
    {L"TDF_ALLOW_DIALOG_CANCELLATION", 0x8},
    {L"TDF_USE_COMMAND_LINKS", 0x10},
    {L"TDF_USE_COMMAND_LINKS_NO_ICON", 0x20},
    {L"TDF_EXPAND_FOOTER_AREA", 0x40},
    {L"TDF_EXPANDED_BY_DEFAULT", 0x80},
    {L"TDF_VERIFICATION_FLAG_CHECKED", 0x100},
    {L"TDF_SHOW_PROGRESS_BAR", 0x200},
    {L"TDF_SHOW_MARQUEE_PROGRESS_BAR", 0x400},
    {L"TDF_CALLBACK_TIMER", 0x800},
    {L"TDF_POSITION_RELATIVE_TO_WINDOW", 0x1000},
    {L"TDF_RTL_LAYOUT", 0x2000},
    {L"TDF_NO_DEFAULT_RADIO_BUTTON", 0x4000},
    {L"TDF_CAN_BE_MINIMIZED", 0x8000},
    {L"TDF_SIZE_TO_CONTENT", 0x1000000},
};
inline constexpr FlagName kCommonButtonRows[] = {
    {L"TDCBF_OK_BUTTON", 0x1},
    {L"TDCBF_YES_BUTTON", 0x2},
    {L"TDCBF_NO_BUTTON", 0x4},
    {L"TDCBF_CANCEL_BUTTON", 0x8},
    {L"TDCBF_RETRY_BUTTON", 0x10},
    {L"TDCBF_CLOSE_BUTTON", 0x20},
};

// The tables, built afresh for each use; each ends with an empty row.
std::vector<FlagNameEntry> MessageBoxFlagNames();    // 29 rows
std::vector<FlagNameEntry> TaskDialogFlagNames();    // 17 rows
std::vector<FlagNameEntry> CommonButtonNames();      // 6 rows

// The OR of the values of the names in the comma-separated list. Blanks are
// dropped wherever they stand, names are upper-cased, unknown and empty
// names add nothing.
uint32_t ParseFlagNames(const FlagNameEntry* table, const std::wstring& list);
// The names of such a list as ParseFlagNames reads them: cut at every comma
// (empty names kept), blanks dropped, each letter upper-cased by towupper.
std::vector<std::wstring> SplitFlagNames(const std::wstring& list);
// The first row of `table` with the upper-case name, null when none.
const FlagNameEntry* FindFlagName(const FlagNameEntry* table, const std::wstring& upperName);

// "TD_ERROR_ICON" and its three siblings (any case) give the resource value
// of the standard task dialog icon; anything else gives false.
bool TaskDialogIconFromName(const std::wstring& name, uint16_t* resource);

// MsgTitle when set, else the default title of config.ini.
const std::wstring& DialogCaption(const std::wstring& msgTitle, const std::wstring& defaultTitle);

// TD_Width at 96 dots per inch scaled to the screen's resolution
// (fwu::MulDiv(width96, dpi, 96)).
int32_t ScaleDialogWidth(int32_t width96, int32_t dpi);
// Pixels in horizontal dialog units of a font whose average character is
// `baseUnitX` pixels wide (4 units per average character); 0 when the base
// unit is unknown.
int32_t DialogUnitsFromPixels(int32_t pixels, int32_t baseUnitX);
// The width passed to the task dialog (dialog units): TD_Width at 96 dots
// per inch scaled to `dpi`, or 0 (the dialog chooses its own width) when
// TD_Width is below 0, when scaling overflows, or when the width is wider
// than the screen's work area (`workAreaWidth`, in the same units; 0 when
// unknown). A dialog wider than the screen, or narrower than its buttons,
// could not be answered.
int32_t TaskDialogWidth(int32_t width96, int32_t dpi, int32_t workAreaWidth);

// Task dialog answer: radio id * 65536 + button id, bit 31 for a ticked
// verification check box.
uint32_t PackTaskDialogResult(int32_t button, int32_t radio, bool verificationChecked);

// The answer of both dialog tasks in silent mode (IDYES).
inline constexpr uint32_t kSilentDialogAnswer = 6;

}  // namespace upd
