// Feeds arbitrary style-word lists to the flag-name tables: the result only
// holds bits of the table, repeating the list and empty names change
// nothing, and a table of the full row count without an ending row is read
// to its last row and never past it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "flag_names.h"

namespace {

uint32_t AllBits(const std::vector<upd::FlagNameEntry>& table) {
    uint32_t bits = 0;
    for (const auto& row : table) bits |= row.value;
    return bits;
}

uint32_t CheckBits(const std::vector<upd::FlagNameEntry>& table, const std::wstring& list) {
    uint32_t r = upd::ParseFlagNames(table.data(), list);
    if ((r & ~AllBits(table)) != 0) __builtin_trap();
    return r;
}

// kMaxFlagNameRows rows and no empty row: the row count alone ends the walk.
std::vector<upd::FlagNameEntry>& FullTable() {
    static std::vector<upd::FlagNameEntry> table = [] {
        std::vector<upd::FlagNameEntry> t(upd::kMaxFlagNameRows);
        for (size_t i = 0; i < t.size(); ++i) {
            t[i].value = 1u << (i % 32);
            std::wstring name = L"ROW" + std::to_wstring(i);
            std::wcsncpy(t[i].name, name.c_str(), 259);
        }
        t.shrink_to_fit();
        return t;
    }();
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;  // a configured value, not a file
    std::wstring list;
    for (size_t i = 0; i + 1 < size; i += 2) list.push_back(wchar_t(data[i] | (data[i + 1] << 8)));

    // The tables are the same on every build of them: built once, not for
    // each input.
    static const auto mb = upd::MessageBoxFlagNames();
    static const auto td = upd::TaskDialogFlagNames();
    static const auto cb = upd::CommonButtonNames();
    uint32_t r = CheckBits(mb, list);
    if (upd::ParseFlagNames(mb.data(), L" ," + list + L", ," + list) != r) __builtin_trap();
    CheckBits(td, list);
    CheckBits(cb, list);
    if (upd::ParseFlagNames(nullptr, list) != 0) __builtin_trap();

    // The first row's name comes from the input (up to 259 units).
    auto& full = FullTable();
    std::wstring first = list.substr(0, list.find(L','));
    first = first.substr(0, first.find(L'\0')).substr(0, 259);
    if (first.empty()) first = L"ROW0";  // an empty name would end the table here
    std::wmemset(full[0].name, 0, 260);
    std::wmemcpy(full[0].name, first.data(), first.size());
    // The last row counts; nothing behind it is read.
    if ((upd::ParseFlagNames(full.data(), first + L",ROW99") & (1u << (99 % 32))) == 0) __builtin_trap();

    uint16_t icon = 0;
    (void)upd::TaskDialogIconFromName(list, &icon);
    return 0;
}
