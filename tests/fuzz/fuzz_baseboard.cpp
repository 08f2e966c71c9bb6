// Feeds arbitrary board lists and product names to the base-board
// comparison, directly and through the cached path of the task action.
#include <cstdint>
#include <string>

#include "probes.h"

namespace {

class NoTables : public upd::IFirmwareTableSource {
public:
    uint32_t GetSystemFirmwareTable(uint32_t, uint32_t, void*, uint32_t) override { return 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;  // a configured value, not a file
    // The list, a zero unit, then the product name.
    std::wstring units;
    for (size_t i = 0; i + 1 < size; i += 2) units.push_back(wchar_t(data[i] | (data[i + 1] << 8)));
    size_t split = units.find(L'\0');
    std::wstring list = units.substr(0, split);
    std::wstring name = split == std::wstring::npos ? std::wstring() : units.substr(split + 1);

    const uint32_t none = 0xFFFFFFFFu;
    uint32_t r = upd::CompareBaseBoardText(list, name);
    size_t entries = 1;
    for (wchar_t c : list) entries += c == L',';
    if (r != none && r >= entries) __builtin_trap();
    if (list.empty() && r != none) __builtin_trap();
    // Entries behind the first match do not change it.
    if (r != none && upd::CompareBaseBoardText(list + L",x,", name) != r) __builtin_trap();

    NoTables tables;
    std::wstring cache = name;
    fwu::NullLog log;  // the line is still formatted with the name
    uint32_t viaTask = upd::CheckBaseBoardWith(tables, nullptr, cache, list, log);
    if (!name.empty() && viaTask != r) __builtin_trap();
    return 0;
}
