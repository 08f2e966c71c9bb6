#include "smbios.h"

#include <cstdint>
#include <cstring>

#include "bytes.h"

namespace upd {

void CSMBios::FreeTable() { m_table.clear(); }

void CSMBios::SetTable(std::span<const uint8_t> table) { m_table.assign(table.begin(), table.end()); }

int CSMBios::ReadTable() {
    FreeTable();
    if (m_source == nullptr) return 1;
    uint32_t needed = m_source->GetSystemFirmwareTable(kFirmwareProviderRsmb, 0, nullptr, 0);
    if (needed == 0) return 1;
    std::vector<uint8_t> raw(needed);
    uint32_t got = m_source->GetSystemFirmwareTable(kFirmwareProviderRsmb, 0, raw.data(), needed);
    // A second answer larger than the buffer means the table grew between
    // the calls: nothing usable was written.
    if (got == 0 || got > needed) return 1;
    if (got < 8) return 1;
    uint32_t length = fwu::ReadLe32(raw.data() + 4);
    // The header's length never reaches past the data really delivered.
    if (length > got - 8) length = got - 8;
    SetTable(std::span<const uint8_t>(raw).subspan(8, length));
    return 1;
}

namespace {
// True when a whole formatted area (at least the header) starts at `offset`.
bool StructureFitsIn(std::span<const uint8_t> table, size_t offset) {
    if (offset >= table.size() || table.size() - offset < 2) return false;
    size_t length = table[offset + 1];
    return length >= kSmbiosHeaderSize && length <= table.size() - offset;
}
}  // namespace

const uint8_t* CSMBios::SkipStringSet(const uint8_t* p, const uint8_t* end) {
    if (p == nullptr || end == nullptr || p >= end) return end;
    while (end - p >= 2) {
        if (p[0] == 0 && p[1] == 0) return p + 2;
        ++p;
    }
    return end;
}

int CSMBios::NextStructure(std::span<const uint8_t> table, const uint8_t** cursor, uint32_t* offset) {
    if (table.empty() || cursor == nullptr || offset == nullptr || *cursor == nullptr) return 0;
    // The cursor must stand where the offset says, on a whole structure.
    if (*offset >= table.size() || *cursor != table.data() + *offset || !StructureFitsIn(table, *offset)) return 0;
    const uint8_t* end = table.data() + table.size();
    const uint8_t* strings = table.data() + *offset + table[*offset + 1];
    const size_t nextOffset = static_cast<size_t>(SkipStringSet(strings, end) - table.data());
    // Offsets are 32-bit: a table beyond that ends the walk there.
    if (nextOffset > UINT32_MAX || !StructureFitsIn(table, nextOffset)) return 0;
    *offset = static_cast<uint32_t>(nextOffset);
    *cursor = table.data() + nextOffset;
    return 1;
}

uint32_t CSMBios::MatchStructure(const uint8_t* structure, int* found, uint8_t type, uint8_t size, void* buffer,
                                 bool strict) {
    if (structure == nullptr || structure[0] != type) return 0;
    if (found) *found = 1;
    uint8_t length = structure[1];
    if ((strict && size != length) || buffer == nullptr) return length;
    std::memcpy(buffer, structure, size < length ? size : length);
    return length;
}

bool CSMBios::FindOffset(uint8_t type, uint32_t n, uint32_t* offset) const {
    if (!StructureFitsIn(m_table, 0)) return false;
    const uint8_t* cursor = m_table.data();
    uint32_t at = 0;
    uint32_t count = 0;
    do {
        if (cursor[0] == type) {
            if (count == n) {
                *offset = at;
                return true;
            }
            ++count;
        }
    } while (NextStructure(m_table, &cursor, &at));
    return false;
}

uint32_t CSMBios::FindStructure(uint8_t type, uint8_t size, void* buffer, bool strict) {
    uint32_t at = 0;
    if (!FindOffset(type, 0, &at)) return 0;
    int found = 0;
    return MatchStructure(m_table.data() + at, &found, type, size, buffer, strict);
}

uint32_t CSMBios::GetStructure(uint8_t type, uint8_t size, void* buffer) {
    if (!HasTable()) return 0;
    return FindStructure(type, size, buffer, true);
}

uint32_t CSMBios::GetStructureString(uint8_t type, uint8_t index, uint32_t size, char* buffer) {
    uint32_t at = 0;
    if (!HasTable() || !FindOffset(type, 0, &at)) return 0;
    const uint8_t* begin = m_table.data() + at;
    const uint8_t* tableEnd = m_table.data() + m_table.size();
    const uint8_t* p = begin + begin[1];
    // The extent: the structure with its string set.
    const uint8_t* extentEnd = SkipStringSet(p, tableEnd);
    for (uint32_t i = 0; i < 256; ++i) {
        if (p >= extentEnd) return 0;
        const void* nul = std::memchr(p, 0, static_cast<size_t>(extentEnd - p));
        if (nul == nullptr) return 0;  // unterminated string at the table's end
        uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - p);
        if (length == 0) return 0;  // the set's end
        if (i == index) {
            if (buffer != nullptr && size >= length + 1) std::memcpy(buffer, p, length + 1);
            return length + 1;
        }
        p += length + 1;
    }
    return 0;
}

}  // namespace upd
