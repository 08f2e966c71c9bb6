// The SMBIOS structure table as the firmware hands it to Windows, and a
// bounds-checked walk over it. Every read stays inside the table: a string
// set without its closing double NUL ends at the table's end, and a
// structure whose formatted area is shorter than its 4-byte header or runs
// past the end stops the walk.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace upd {

// 'RSMB', the raw SMBIOS provider of GetSystemFirmwareTable.
inline constexpr uint32_t kFirmwareProviderRsmb = 0x52534D42;
// Type, length and handle.
inline constexpr uint32_t kSmbiosHeaderSize = 4;
inline constexpr uint8_t kSmbiosTypeBaseBoard = 2;

// The platform call that delivers the raw table (GetSystemFirmwareTable):
// with no buffer (or one too small) the size needed, else the bytes written;
// 0 when there is no such table.
class IFirmwareTableSource {
public:
    virtual ~IFirmwareTableSource() = default;
    virtual uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t size) = 0;
};

class CSMBios {
public:
    explicit CSMBios(IFirmwareTableSource* source = nullptr) : m_source(source) {}
    CSMBios(const CSMBios&) = delete;
    CSMBios& operator=(const CSMBios&) = delete;

    // Reads the raw data from the source and keeps the structure table
    // (the bytes from offset 8, as many as the header's length names and the
    // data really holds). Always 1; without data no table is held.
    int ReadTable();
    void FreeTable();
    // Formatted length of the first structure of the type, copied into the
    // buffer when its size is exactly that length; 0 when there is none or
    // no table.
    uint32_t GetStructure(uint8_t type, uint8_t size, void* buffer);
    // String `index` (0-based) of the first structure of the type: its length
    // plus 1, copied with its NUL when the buffer holds that much; 0 when the
    // structure or the string does not exist.
    uint32_t GetStructureString(uint8_t type, uint8_t index, uint32_t size, char* buffer);
    // Moves cursor and offset from the structure at *offset of the table to
    // the next one. 1 when there is a next structure, 0 at the end, on a
    // malformed structure or when an argument is missing.
    static int NextStructure(std::span<const uint8_t> table, const uint8_t** cursor, uint32_t* offset);
    // The byte after the double NUL that closes the string set at p, or
    // `end` when the set is not closed before it.
    static const uint8_t* SkipStringSet(const uint8_t* p, const uint8_t* end);
    // 0 when the structure is not of the type; else its formatted length,
    // with *found set and the formatted area copied when allowed (strict: the
    // size must equal the length; otherwise the smaller of the two is copied).
    // The structure's whole formatted area must be readable.
    static uint32_t MatchStructure(const uint8_t* structure, int* found, uint8_t type, uint8_t size, void* buffer,
                                   bool strict);
    uint32_t FindStructure(uint8_t type, uint8_t size, void* buffer, bool strict);

    // Holds a copy of a structure table (what ReadTable found, or one a test
    // or the fuzz target makes).
    void SetTable(std::span<const uint8_t> table);
    bool HasTable() const { return !m_table.empty(); }

private:
    // Offset of the first structure of the type (true), walking safely.
    bool FindOffset(uint8_t type, uint32_t n, uint32_t* offset) const;

    IFirmwareTableSource* m_source = nullptr;
    std::vector<uint8_t> m_table;
};

}  // namespace upd
