#include "flag_names.h"

#include <cwctype>
#include <initializer_list>

#include "screen_units.h"

namespace upd {

namespace {

struct Row {
    const wchar_t* name;
    uint32_t value;
};

std::vector<FlagNameEntry> BuildTable(std::initializer_list<Row> rows) {
    std::vector<FlagNameEntry> table(rows.size() + 1, FlagNameEntry{0, {}});
    size_t i = 0;
    for (const Row& r : rows) {
        table[i].value = r.value;
        std::wstring(r.name).copy(table[i].name, 259);
        ++i;
    }
    return table;
}

bool SameName(const wchar_t* a, const std::wstring& b) {
    size_t n = 0;
    while (n < 260 && a[n] != L'\0') ++n;
    return n == b.size() && b.compare(0, n, a, n) == 0;
}

}  // namespace

std::vector<FlagNameEntry> MessageBoxFlagNames() {
    return BuildTable({
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
    });
}

std::vector<FlagNameEntry> TaskDialogFlagNames() {
    return BuildTable({
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
    });
}

std::vector<FlagNameEntry> CommonButtonNames() {
    return BuildTable({
        {L"TDCBF_OK_BUTTON", 0x1},
        {L"TDCBF_YES_BUTTON", 0x2},
        {L"TDCBF_NO_BUTTON", 0x4},
        {L"TDCBF_CANCEL_BUTTON", 0x8},
        {L"TDCBF_RETRY_BUTTON", 0x10},
        {L"TDCBF_CLOSE_BUTTON", 0x20},
    });
}

uint32_t ParseFlagNames(const FlagNameEntry* table, const std::wstring& list) {
    if (table == nullptr) return 0;
    uint32_t result = 0;
    std::wstring name;
    auto finish = [&]() {
        if (!name.empty()) {
            for (size_t row = 0; row < kMaxFlagNameRows && table[row].name[0] != L'\0'; ++row) {
                if (SameName(table[row].name, name)) result |= table[row].value;
            }
        }
        name.clear();
    };
    for (wchar_t c : list) {
        if (c == L' ') continue;
        if (c == L',') {
            finish();
            continue;
        }
        name.push_back(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))));
    }
    finish();
    return result;
}

bool TaskDialogIconFromName(const std::wstring& name, uint16_t* resource) {
    static const Row kIcons[] = {
        {L"TD_ERROR_ICON", 0xFFFE},
        {L"TD_WARNING_ICON", 0xFFFF},
        {L"TD_INFORMATION_ICON", 0xFFFD},
        {L"TD_SHIELD_ICON", 0xFFFC},
    };
    std::wstring upper;
    upper.reserve(name.size());
    for (wchar_t c : name) upper.push_back(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))));
    for (const Row& icon : kIcons) {
        if (upper == icon.name) {
            if (resource) *resource = static_cast<uint16_t>(icon.value);
            return true;
        }
    }
    return false;
}

const std::wstring& DialogCaption(const std::wstring& msgTitle, const std::wstring& defaultTitle) {
    return msgTitle.empty() ? defaultTitle : msgTitle;
}

int32_t ScaleDialogWidth(int32_t width96, int32_t dpi) { return fwu::MulDiv(width96, dpi, 96); }

int32_t DialogUnitsFromPixels(int32_t pixels, int32_t baseUnitX) {
    if (pixels <= 0 || baseUnitX <= 0) return 0;
    return fwu::MulDiv(pixels, 4, baseUnitX);
}

int32_t TaskDialogWidth(int32_t width96, int32_t dpi, int32_t workAreaWidth) {
    if (width96 <= 0) return 0;
    const int32_t width = ScaleDialogWidth(width96, dpi);
    if (width <= 0 || width > workAreaWidth) return 0;
    return width;
}

uint32_t PackTaskDialogResult(int32_t button, int32_t radio, bool verificationChecked) {
    uint32_t result = uint32_t(radio) * 65536u + uint32_t(button);
    if (verificationChecked) result |= 0x80000000u;
    return result;
}

}  // namespace upd
