#include "flag_names.h"

#include <cwctype>
#include <span>

#include "screen_units.h"

namespace upd {

namespace {

std::vector<FlagNameEntry> BuildTable(std::span<const FlagName> rows) {
    std::vector<FlagNameEntry> table(rows.size() + 1, FlagNameEntry{0, {}});
    size_t i = 0;
    for (const FlagName& r : rows) {
        table[i].value = r.value;
        std::wstring(r.name).copy(table[i].name, 259);
        ++i;
    }
    return table;
}

// A row's name runs to its NUL or to all 260 units; the walk stops at the
// first unit that differs.
bool SameName(const wchar_t* a, const std::wstring& b) {
    for (size_t n = 0; n < 260; ++n) {
        if (a[n] == L'\0') return n == b.size();
        if (n >= b.size() || a[n] != b[n]) return false;
    }
    return b.size() == 260;
}

}  // namespace

std::vector<FlagNameEntry> MessageBoxFlagNames() { return BuildTable(kMessageBoxFlagRows); }

std::vector<FlagNameEntry> TaskDialogFlagNames() { return BuildTable(kTaskDialogFlagRows); }

std::vector<FlagNameEntry> CommonButtonNames() { return BuildTable(kCommonButtonRows); }

std::vector<std::wstring> SplitFlagNames(const std::wstring& list) {
    std::vector<std::wstring> names(1);
    for (wchar_t c : list) {
        if (c == L' ') continue;
        if (c == L',') {
            names.emplace_back();
            continue;
        }
        names.back().push_back(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))));
    }
    return names;
}

const FlagNameEntry* FindFlagName(const FlagNameEntry* table, const std::wstring& upperName) {
    if (table == nullptr || upperName.empty()) return nullptr;
    for (size_t row = 0; row < kMaxFlagNameRows && table[row].name[0] != L'\0'; ++row)
        if (SameName(table[row].name, upperName)) return &table[row];
    return nullptr;
}

uint32_t ParseFlagNames(const FlagNameEntry* table, const std::wstring& list) {
    if (table == nullptr) return 0;
    uint32_t result = 0;
    for (const std::wstring& name : SplitFlagNames(list)) {
        if (name.empty()) continue;
        for (size_t row = 0; row < kMaxFlagNameRows && table[row].name[0] != L'\0'; ++row)
            if (SameName(table[row].name, name)) result |= table[row].value;
    }
    return result;
}

bool TaskDialogIconFromName(const std::wstring& name, uint16_t* resource) {
    static const FlagName kIcons[] = {
        {L"TD_ERROR_ICON", 0xFFFE},
        {L"TD_WARNING_ICON", 0xFFFF},
        {L"TD_INFORMATION_ICON", 0xFFFD},
        {L"TD_SHIELD_ICON", 0xFFFC},
    };
    std::wstring upper;
    upper.reserve(name.size());
    for (wchar_t c : name) upper.push_back(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))));
    for (const FlagName& icon : kIcons) {
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
