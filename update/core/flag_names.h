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

// The tables, built afresh for each use; each ends with an empty row.
std::vector<FlagNameEntry> MessageBoxFlagNames();    // 29 rows
std::vector<FlagNameEntry> TaskDialogFlagNames();    // 17 rows
std::vector<FlagNameEntry> CommonButtonNames();      // 6 rows

// The OR of the values of the names in the comma-separated list. Blanks are
// dropped wherever they stand, names are upper-cased, unknown and empty
// names add nothing.
uint32_t ParseFlagNames(const FlagNameEntry* table, const std::wstring& list);

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
