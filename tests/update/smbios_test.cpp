#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "smbios.h"

using namespace upd;

namespace {

using Bytes = std::vector<uint8_t>;

// One structure: formatted area of `length` bytes (type, length, handle,
// then `fields`, zero-padded) and its string set.
Bytes Structure(uint8_t type, uint8_t length, const Bytes& fields, const std::vector<std::string>& strings) {
    Bytes s(length, 0);
    s[0] = type;
    s[1] = length;
    s[2] = 0x34;
    s[3] = 0x12;
    for (size_t i = 0; i < fields.size() && 4 + i < length; ++i) s[4 + i] = fields[i];
    for (const auto& str : strings) {
        s.insert(s.end(), str.begin(), str.end());
        s.push_back(0);
    }
    if (strings.empty()) s.push_back(0);
    s.push_back(0);
    return s;
}

Bytes Join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A board: type 0 (firmware), type 2 with product string 2, type 2 again,
// end-of-table.
Bytes SampleTable() {
    return Join({Structure(0, 0x18, {1, 2}, {"Vendor", "1.0"}),
                 Structure(2, 0x0F, {1, 2, 3}, {"Maker", "BoardA123", "Rev 1"}),
                 Structure(2, 0x08, {1, 0}, {"Second"}),
                 Structure(127, 4, {}, {})});
}

class FakeTables : public IFirmwareTableSource {
public:
    explicit FakeTables(Bytes raw) : m_raw(std::move(raw)) {}
    uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t id, void* buffer, uint32_t size) override {
        ++calls;
        if (provider != kFirmwareProviderRsmb || id != 0) return 0;
        if (buffer == nullptr || size < m_raw.size()) return static_cast<uint32_t>(m_raw.size());
        std::memcpy(buffer, m_raw.data(), m_raw.size());
        return static_cast<uint32_t>(m_raw.size());
    }
    int calls = 0;

private:
    Bytes m_raw;
};

Bytes Raw(const Bytes& table, uint32_t declared) {
    const uint8_t header[8] = {0, 3, 4, 0, uint8_t(declared), uint8_t(declared >> 8), uint8_t(declared >> 16),
                               uint8_t(declared >> 24)};
    // Sized once and copied into: appending to the 8-byte vector trips a
    // false -Warray-bounds of GCC 12 at -O3.
    Bytes raw(sizeof header + table.size());
    std::copy(std::begin(header), std::end(header), raw.begin());
    std::copy(table.begin(), table.end(), raw.begin() + sizeof header);
    return raw;
}

std::string String(CSMBios& s, uint8_t type, uint8_t index) {
    uint32_t n = s.GetStructureString(type, index, 0, nullptr);
    if (n == 0) return "<none>";
    std::vector<char> buf(n, 'x');
    EXPECT_EQ(s.GetStructureString(type, index, n, buf.data()), n);
    EXPECT_EQ(buf[n - 1], '\0');
    return std::string(buf.data());
}

}  // namespace

TEST(SMBios, ReadTableTakesTheStructureTableBehindTheHeader) {
    Bytes table = SampleTable();
    FakeTables source(Raw(table, static_cast<uint32_t>(table.size())));
    CSMBios s(&source);
    EXPECT_EQ(s.ReadTable(), 1);
    ASSERT_TRUE(s.HasTable());
    EXPECT_EQ(s.GetStructure(0, 0, nullptr), 0x18u);
    EXPECT_EQ(s.GetStructure(127, 0, nullptr), 4u) << "the whole table, up to its last structure";
    s.FreeTable();
    EXPECT_FALSE(s.HasTable());
    EXPECT_EQ(s.GetStructure(2, 0, nullptr), 0u);
}

TEST(SMBios, ReadTableWithoutOrWithShortOrOverstatedData) {
    FakeTables none(Bytes{});
    CSMBios a(&none);
    EXPECT_EQ(a.ReadTable(), 1);
    EXPECT_FALSE(a.HasTable());

    FakeTables header(Bytes{0, 3, 4, 0, 0x10});  // shorter than the 8-byte header
    CSMBios b(&header);
    b.ReadTable();
    EXPECT_FALSE(b.HasTable());

    // The header claims more bytes than were delivered: only what is there.
    Bytes table = SampleTable();
    FakeTables over(Raw(table, 0xFFFFFF00u));
    CSMBios c(&over);
    c.ReadTable();
    EXPECT_EQ(c.GetStructure(127, 0, nullptr), 4u);
    EXPECT_EQ(String(c, 2, 1), "BoardA123");

    // A shorter declared length cuts the table there.
    FakeTables under(Raw(table, 0x18 + 12));
    CSMBios d(&under);
    d.ReadTable();
    EXPECT_EQ(d.GetStructure(0, 0, nullptr), 0x18u);
    EXPECT_EQ(d.GetStructure(2, 0, nullptr), 0u);

    CSMBios noSource;
    EXPECT_EQ(noSource.ReadTable(), 1);
    EXPECT_FALSE(noSource.HasTable());
}

TEST(SMBios, StructuresByTypeAndIndexWithTheCopyRules) {
    CSMBios s;
    Bytes table = SampleTable();
    s.SetTable(table);
    EXPECT_EQ(s.GetStructure(0, 0, nullptr), 0x18u);
    EXPECT_EQ(s.GetStructure(2, 0, nullptr), 0x0Fu);
    EXPECT_EQ(s.GetStructure(127, 0, nullptr), 4u);
    EXPECT_EQ(s.GetStructure(3, 0, nullptr), 0u);

    // Strict: copied only into a buffer of exactly the formatted length.
    Bytes buf(0x20, 0xEE);
    EXPECT_EQ(s.GetStructure(2, 0x10, buf.data()), 0x0Fu);
    EXPECT_EQ(buf[0], 0xEE);
    EXPECT_EQ(s.GetStructure(2, 0x0F, buf.data()), 0x0Fu);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(buf[5], 2);  // product string number
    EXPECT_EQ(buf[0x0F], 0xEE);

    // Not strict: the smaller of the two sizes.
    Bytes small(6, 0xEE);
    EXPECT_EQ(s.FindStructure(0, 4, small.data(), false), 0x18u);
    EXPECT_EQ(Bytes(small.begin(), small.begin() + 5), (Bytes{0, 0x18, 0x34, 0x12, 0xEE}));

    int found = 0;
    EXPECT_EQ(s.MatchStructure(table.data(), &found, 1, 0, nullptr, true), 0u);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(s.MatchStructure(table.data(), &found, 0, 0, nullptr, true), 0x18u);
    EXPECT_EQ(found, 1);
}

TEST(SMBios, StringsOfTheFirstStructureOfAType) {
    CSMBios s;
    Bytes table = SampleTable();
    s.SetTable(table);
    EXPECT_EQ(String(s, 2, 0), "Maker");
    EXPECT_EQ(String(s, 2, 1), "BoardA123");
    EXPECT_EQ(String(s, 2, 2), "Rev 1");
    EXPECT_EQ(String(s, 2, 3), "<none>");
    EXPECT_EQ(String(s, 2, 255), "<none>");
    EXPECT_EQ(String(s, 0, 1), "1.0");
    EXPECT_EQ(String(s, 127, 0), "<none>");  // no strings: double NUL
    EXPECT_EQ(String(s, 9, 0), "<none>");
    char tiny[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(s.GetStructureString(2, 1, 4, tiny), 10u);  // too small: length only
    EXPECT_EQ(tiny[0], 'x');
}

TEST(SMBios, SkipStringSetStopsAtTheDoubleNulOrTheEnd) {
    CSMBios s;
    const uint8_t empty[] = {0, 0, 7};
    EXPECT_EQ(s.SkipStringSet(empty, empty + 3), empty + 2);
    const uint8_t two[] = {'a', 0, 'b', 'c', 0, 0, 9};
    EXPECT_EQ(s.SkipStringSet(two, two + 7), two + 6);
    const uint8_t open[] = {'a', 0, 'b'};
    EXPECT_EQ(s.SkipStringSet(open, open + 3), open + 3);
    const uint8_t single[] = {0};
    EXPECT_EQ(s.SkipStringSet(single, single + 1), single + 1);
    EXPECT_EQ(s.SkipStringSet(nullptr, single + 1), single + 1);
}

TEST(SMBios, NextStructureWalksAnyTableAndRefusesBadCursors) {
    CSMBios s;
    Bytes table = SampleTable();
    const uint32_t size = static_cast<uint32_t>(table.size());
    const uint8_t* cursor = table.data();
    uint32_t offset = 0;
    std::vector<uint8_t> types = {cursor[0]};
    while (s.NextStructure(table, &cursor, &offset)) {
        EXPECT_EQ(cursor, table.data() + offset);
        types.push_back(cursor[0]);
    }
    EXPECT_EQ(types, (std::vector<uint8_t>{0, 2, 2, 127}));
    // At the end it stays at the last structure.
    EXPECT_EQ(cursor[0], 127);

    const uint8_t* none = nullptr;
    offset = 0;
    EXPECT_EQ(s.NextStructure(table, &none, &offset), 0);
    cursor = table.data();
    EXPECT_EQ(s.NextStructure({}, &cursor, &offset), 0);
    EXPECT_EQ(s.NextStructure(table, &cursor, nullptr), 0);
    EXPECT_EQ(s.NextStructure(table, nullptr, &offset), 0);
    // Cursor and offset that disagree, or an offset at or past the end.
    cursor = table.data() + 1;
    offset = 0;
    EXPECT_EQ(s.NextStructure(table, &cursor, &offset), 0);
    cursor = table.data() + size;
    offset = size;
    EXPECT_EQ(s.NextStructure(table, &cursor, &offset), 0);
}

TEST(SMBios, MalformedTablesStopTheWalkSafely) {
    // String set without a closing double NUL before the end of the table.
    {
        Bytes t = {2, 6, 0, 0, 0, 1, 'B', 'o', 'a', 'r', 'd'};
        CSMBios s;
        s.SetTable(t);
        EXPECT_EQ(s.GetStructure(2, 0, nullptr), 6u);
        EXPECT_EQ(String(s, 2, 0), "<none>");  // unterminated string: not read
        Bytes t2 = {2, 6, 0, 0, 0, 1, 'B', 'o', 0, 'x'};
        s.SetTable(t2);
        EXPECT_EQ(String(s, 2, 0), "Bo");
        EXPECT_EQ(String(s, 2, 1), "<none>");
        EXPECT_EQ(s.GetStructure(127, 0, nullptr), 0u);
    }
    // A formatted length of 0, 1 or 3 (shorter than the header): no structure there.
    for (uint8_t bad : {0, 1, 3}) {
        Bytes t = Join({Structure(0, 4, {}, {}), Bytes{2, bad, 0, 0, 0, 0, 0, 0}});
        CSMBios s;
        s.SetTable(t);
        EXPECT_EQ(s.GetStructure(0, 0, nullptr), 4u);
        EXPECT_EQ(s.GetStructure(2, 0, nullptr), 0u) << int(bad);
        Bytes first = {2, bad, 0, 0, 0, 0};
        s.SetTable(first);
        EXPECT_EQ(s.GetStructure(2, 0, nullptr), 0u) << int(bad);
    }
    // A formatted length running past the end of the table.
    {
        Bytes t = Join({Structure(0, 4, {}, {}), Bytes{2, 0x40, 0, 0, 0, 1}});
        CSMBios s;
        s.SetTable(t);
        EXPECT_EQ(s.GetStructure(2, 0, nullptr), 0u);
        EXPECT_EQ(s.GetStructure(0, 0, nullptr), 4u);
    }
    // A formatted area ending exactly at the table's end, without a string set.
    {
        Bytes t = {2, 6, 0, 0, 0, 1};
        CSMBios s;
        s.SetTable(t);
        EXPECT_EQ(s.GetStructure(2, 0, nullptr), 6u);
        EXPECT_EQ(String(s, 2, 0), "<none>");
    }
    // A single byte, and 256 one-character strings (the 257th is not read).
    {
        Bytes one = {2};
        CSMBios s;
        s.SetTable(one);
        EXPECT_EQ(s.GetStructure(2, 0, nullptr), 0u);
        std::vector<std::string> many(257, "z");
        many[255] = "last";
        Bytes t = Structure(2, 6, {0, 1}, many);
        s.SetTable(t);
        EXPECT_EQ(String(s, 2, 255), "last");
    }
}
