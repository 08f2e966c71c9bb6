// Feeds arbitrary bytes to the SMBIOS walker, both as raw firmware data
// (with its 8-byte header) and as a bare structure table, and runs every
// lookup the base-board check makes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "probes.h"
#include "smbios.h"

namespace {

class BytesSource : public upd::IFirmwareTableSource {
public:
    BytesSource(const uint8_t* data, size_t size) : m_data(data), m_size(static_cast<uint32_t>(size)) {}
    uint32_t GetSystemFirmwareTable(uint32_t, uint32_t, void* buffer, uint32_t size) override {
        if (buffer == nullptr || size < m_size) return m_size;
        if (m_size) std::memcpy(buffer, m_data, m_size);
        return m_size;
    }

private:
    const uint8_t* m_data;
    uint32_t m_size;
};

void Exercise(upd::CSMBios& s, uint8_t type) {
    uint32_t length = s.GetStructure(type, 0, nullptr);
    if (length) {
        std::vector<uint8_t> buf(length);
        s.GetStructure(type, static_cast<uint8_t>(length), buf.data());
    }
    uint8_t small[8];
    s.FindStructure(type, sizeof(small), small, false);
    for (unsigned index : {0u, 1u, 4u, 255u}) {
        uint32_t n = s.GetStructureString(type, static_cast<uint8_t>(index), 0, nullptr);
        if (n) {
            std::vector<char> text(n);
            s.GetStructureString(type, static_cast<uint8_t>(index), n, text.data());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    uint8_t type = size ? data[0] : 2;

    upd::CSMBios bare;
    bare.SetTable({data, size});
    Exercise(bare, 2);
    Exercise(bare, type);

    BytesSource source(data, size);
    upd::CSMBios raw(&source);
    raw.ReadTable();
    Exercise(raw, 2);

    std::wstring cache;
    fwu::NullLog log;
    upd::CheckBaseBoardWith(source, nullptr, cache, L"a,\"b\" ,", log);
    return 0;
}
