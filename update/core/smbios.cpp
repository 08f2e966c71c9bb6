#include "smbios.h"

#include <cstring>
#include <vector>

#include "bytes.h"

namespace upd {

CSMBios::~CSMBios() { FreeTable(); }

void CSMBios::FreeTable() {
    if (m_cbTable != 0) delete[] m_pTable;
    m_pTable = nullptr;
    m_cbTable = 0;
}

void CSMBios::SetTable(const uint8_t* table, uint32_t size) {
    FreeTable();
    if (table == nullptr || size == 0) return;
    m_pTable = new uint8_t[size];
    std::memcpy(m_pTable, table, size);
    m_cbTable = size;
}

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
    SetTable(raw.data() + 8, length);
    return 1;
}

namespace {
// True when a whole formatted area (at least the header) starts at `offset`.
bool StructureFitsIn(const uint8_t* table, uint32_t size, uint32_t offset) {
    if (table == nullptr || offset >= size || size - offset < 2) return false;
    uint32_t length = table[offset + 1];
    return length >= kSmbiosHeaderSize && length <= size - offset;
}
}  // namespace

bool CSMBios::StructureFits(uint32_t offset) const { return StructureFitsIn(m_pTable, m_cbTable, offset); }

const uint8_t* CSMBios::SkipStringSet(const uint8_t* p, const uint8_t* end) {
    if (p == nullptr || end == nullptr || p >= end) return end;
    while (end - p >= 2) {
        if (p[0] == 0 && p[1] == 0) return p + 2;
        ++p;
    }
    return end;
}

int CSMBios::NextStructure(const uint8_t* table, uint32_t tableSize, const uint8_t** cursor, uint32_t* offset) {
    if (table == nullptr || cursor == nullptr || offset == nullptr || *cursor == nullptr) return 0;
    // The cursor must stand where the offset says, on a whole structure.
    if (*offset >= tableSize || *cursor != table + *offset || !StructureFitsIn(table, tableSize, *offset)) return 0;
    const uint8_t* end = table + tableSize;
    const uint8_t* strings = table + *offset + table[*offset + 1];
    const uint8_t* next = SkipStringSet(strings, end);
    uint32_t nextOffset = static_cast<uint32_t>(next - table);
    if (nextOffset >= tableSize || !StructureFitsIn(table, tableSize, nextOffset)) return 0;
    *offset = nextOffset;
    *cursor = next;
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

bool CSMBios::FindOffset(uint8_t type, uint32_t n, uint32_t* offset) {
    if (!StructureFits(0)) return false;
    const uint8_t* cursor = m_pTable;
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
    } while (NextStructure(m_pTable, m_cbTable, &cursor, &at));
    return false;
}

uint32_t CSMBios::FindStructure(uint8_t type, uint8_t size, void* buffer, bool strict) {
    uint32_t at = 0;
    if (!FindOffset(type, 0, &at)) return 0;
    int found = 0;
    return MatchStructure(m_pTable + at, &found, type, size, buffer, strict);
}

uint32_t CSMBios::GetStructure(uint8_t type, uint8_t size, void* buffer) {
    if (!HasTable()) return 0;
    return FindStructure(type, size, buffer, true);
}

uint32_t CSMBios::GetStructureString(uint8_t type, uint8_t index, uint32_t size, char* buffer) {
    uint32_t at = 0;
    if (!HasTable() || !FindOffset(type, 0, &at)) return 0;
    const uint8_t* begin = m_pTable + at;
    const uint8_t* tableEnd = m_pTable + m_cbTable;
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
