#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "../common/recording_log.h"
#include "probes.h"

using namespace upd;

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

using Bytes = std::vector<uint8_t>;

// Raw firmware data: 8-byte header, then the structures given.
Bytes RawWith(const Bytes& structures) {
    uint32_t n = static_cast<uint32_t>(structures.size());
    const uint8_t header[8] = {0, 3, 4, 0, uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    // Sized once and copied into: appending to the 8-byte vector trips a
    // false -Warray-bounds of GCC 12 at -O3.
    Bytes raw(sizeof header + structures.size());
    std::copy(std::begin(header), std::end(header), raw.begin());
    std::copy(structures.begin(), structures.end(), raw.begin() + sizeof header);
    return raw;
}

// A type-2 structure with formatted length `length` and product string number `product`.
Bytes Board(uint8_t product, const std::vector<std::string>& strings, uint8_t length = 8) {
    Bytes s(length, 0);
    s[0] = 2;
    s[1] = length;
    if (length > 5) s[5] = product;
    for (const auto& str : strings) {
        s.insert(s.end(), str.begin(), str.end());
        s.push_back(0);
    }
    if (strings.empty()) s.push_back(0);
    s.push_back(0);
    return s;
}

class FakeTables : public IFirmwareTableSource {
public:
    explicit FakeTables(Bytes raw) : raw(std::move(raw)) {}
    uint32_t GetSystemFirmwareTable(uint32_t, uint32_t, void* buffer, uint32_t size) override {
        ++calls;
        if (buffer == nullptr || size < raw.size()) return static_cast<uint32_t>(raw.size());
        std::memcpy(buffer, raw.data(), raw.size());
        return static_cast<uint32_t>(raw.size());
    }
    Bytes raw;
    int calls = 0;
};

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

using Log = fwu::test::RecordingLog;

}  // namespace

TEST(CompareBaseBoardText, EntriesPositionsAndPrefixes) {
    const std::wstring name = L"BoardA123";
    EXPECT_EQ(CompareBaseBoardText(L"BoardB,BoardA", name), 1u);
    EXPECT_EQ(CompareBaseBoardText(L"boarda", name), 0u);
    EXPECT_EQ(CompareBaseBoardText(L"BoardA1234", name), kNone);
    EXPECT_EQ(CompareBaseBoardText(L"BOARDA123", name), 0u);
    EXPECT_EQ(CompareBaseBoardText(L"X,Y,Z", name), kNone);
    EXPECT_EQ(CompareBaseBoardText(L"", name), kNone);
    EXPECT_EQ(CompareBaseBoardText(L",BoardA", name), 0u);  // the empty first entry matches
    EXPECT_EQ(CompareBaseBoardText(L"X,,BoardA", name), 1u);
    EXPECT_EQ(CompareBaseBoardText(L"X,BoardA,", name), 1u);  // no empty entry after a trailing comma
    EXPECT_EQ(CompareBaseBoardText(L"X,Y,", name), kNone);
    EXPECT_EQ(CompareBaseBoardText(L"Board", L""), kNone);
    EXPECT_EQ(CompareBaseBoardText(L"X,", L""), kNone);
    EXPECT_EQ(CompareBaseBoardText(L",", L""), 0u);
}

TEST(CompareBaseBoardText, TrimsBlanksThenQuotesOnly) {
    const std::wstring name = L"BoardA123";
    EXPECT_EQ(CompareBaseBoardText(L"X,  \"BoardA\"  ", name), 1u);
    EXPECT_EQ(CompareBaseBoardText(L"\"\"BoardA1\"\"", name), 0u);
    // Blanks inside quotes stay: quotes are trimmed after the blanks.
    EXPECT_EQ(CompareBaseBoardText(L"\" BoardA\"", name), kNone);
    // Only the space counts as blank.
    EXPECT_EQ(CompareBaseBoardText(L"\tBoardA", name), kNone);
    // Blanks, then quotes: ` " " ` leaves a single blank, which matches no name.
    EXPECT_EQ(CompareBaseBoardText(L"X, \" \" ", name), kNone);
    EXPECT_EQ(CompareBaseBoardText(L"X, \" \" ", L" B"), 1u);
    // Only ASCII letters are folded.
    EXPECT_EQ(CompareBaseBoardText(L"\u00e9", L"\u00c9"), kNone);
    EXPECT_EQ(CompareBaseBoardText(L"board-a", L"BOARD-A"), 0u);
}

TEST(BaseBoardCheck, ReadsOnceThenUsesTheCache) {
    FakeTables tables(RawWith(Board(2, {"Maker", "BoardA123"})));
    std::wstring cache;
    Log log;
    EXPECT_EQ(CheckBaseBoardWith(tables, Widen, cache, L"BoardB,boarda", log), 1u);
    EXPECT_EQ(cache, L"BoardA123");
    int calls = tables.calls;
    EXPECT_EQ(CheckBaseBoardWith(tables, Widen, cache, L"BoardA1234", log), kNone);
    EXPECT_EQ(tables.calls, calls);  // no second read
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{L"  BaseBoardInfo: BoardA123.",
                                                    L"  BaseBoardInfo(2): BoardA123."}));
}

TEST(BaseBoardCheck, FailuresLogTheirLineAndLeaveTheCacheEmpty) {
    struct Case {
        Bytes raw;
        const wchar_t* line;
    };
    const std::vector<Case> cases = {
        {Bytes{}, L"  Error - Type 2 is not found."},
        {RawWith({1, 4, 0, 0, 0, 0}), L"  Error - Type 2 is not found."},
        {RawWith(Board(0, {"Maker"})), L"  Error - Base board string length is zero."},
        {RawWith(Board(3, {"Maker", "Board"})), L"  Error - Base board string length is zero."},
        {RawWith(Board(1, {})), L"  Error - Base board string length is zero."},
        // Formatted area too short to hold the product field.
        {RawWith(Board(1, {"Maker"}, 5)), L"  Error - Base board string length is zero."},
        // Product string not closed before the end of the table.
        {RawWith({2, 6, 0, 0, 0, 1, 'B', 'o'}), L"  Error - Base board string length is zero."},
    };
    for (const auto& c : cases) {
        FakeTables tables(c.raw);
        std::wstring cache;
        Log log;
        EXPECT_EQ(CheckBaseBoardWith(tables, Widen, cache, L"", log), kNone);
        EXPECT_EQ(log.lines, std::vector<std::wstring>{c.line});
        EXPECT_TRUE(cache.empty());
    }
}

TEST(BaseBoardCheck, LongNamesAreKeptWhole) {
    std::string longName(300, 'N');
    longName += "END";
    FakeTables tables(RawWith(Board(1, {longName})));
    std::wstring cache;
    Log log;
    EXPECT_EQ(CheckBaseBoardWith(tables, Widen, cache, L"x," + Widen(longName), log), 1u);
    EXPECT_EQ(cache.size(), 303u);
}

TEST(CompareDiskValue, PrefixOrderAndLength) {
    EXPECT_EQ(CompareDiskValue(L"wine disk", L"Wine Disk Drive"), 0u);
    EXPECT_EQ(CompareDiskValue(L"", L""), 0u);
    EXPECT_EQ(CompareDiskValue(L"", L"anything"), 0u);
    EXPECT_EQ(CompareDiskValue(L"Wine Disk Drive X", L"Wine Disk Drive"), kNone);  // value shorter
    EXPECT_EQ(CompareDiskValue(L"Wine A", L"Wine Disk Drive"), 1u);    // value sorts after
    EXPECT_EQ(CompareDiskValue(L"Wine Z", L"Wine Disk Drive"), kNone);  // value sorts before
    EXPECT_EQ(CompareDiskValue(L"x", L""), kNone);
    // Folding to lower case decides the order of letters against '_' (0x5F).
    EXPECT_EQ(CompareDiskValue(L"_", L"A"), 1u);
    EXPECT_EQ(DiskModelResult(0), 0u);
    EXPECT_EQ(DiskModelResult(1), 1u);
    EXPECT_EQ(DiskModelResult(kNone), 1u);
    EXPECT_EQ(DiskFirmwareResult(0), 0u);
    EXPECT_EQ(DiskFirmwareResult(1), 1u);
    EXPECT_EQ(DiskFirmwareResult(kNone), kNone);
}

namespace {

class FakeDisks : public IDiskDriveSource {
public:
    DiskQueryStatus FirstIdeDriveValue(const std::wstring& property, std::wstring* value) override {
        asked.push_back(property);
        if (status != DiskQueryStatus::kOk) return status;
        *value = property == kDiskPropertyModel ? model : firmware;
        return DiskQueryStatus::kOk;
    }
    DiskQueryStatus status = DiskQueryStatus::kOk;
    std::wstring model = L"Wine Disk Drive", firmware;
    std::vector<std::wstring> asked;
};

}  // namespace

TEST(DiskCheck, CacheIsKeptPerProperty) {
    FakeDisks disks;
    disks.firmware = L"FW12";
    DiskValueCache cache;
    Log log;
    EXPECT_EQ(CheckDiskDriveWith(disks, cache, kDiskPropertyModel, L"Wine", log), 0u);
    // A firmware task after a model task reads the firmware revision.
    EXPECT_EQ(CheckDiskDriveWith(disks, cache, kDiskPropertyFirmware, L"FW12", log), 0u);
    EXPECT_EQ(CheckDiskDriveWith(disks, cache, kDiskPropertyFirmware, L"FW13", log), kNone);
    EXPECT_EQ(CheckDiskDriveWith(disks, cache, kDiskPropertyModel, L"Wine Disk Drive!", log), kNone);
    EXPECT_EQ(disks.asked, (std::vector<std::wstring>{kDiskPropertyModel, kDiskPropertyFirmware}));
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{L"  HDD Model: Wine Disk Drive.", L"  HDD Model: FW12."}));
}

TEST(DiskCheck, EmptyValuesAreQueriedAgain) {
    FakeDisks disks;  // no firmware revision, as under Wine
    DiskValueCache cache;
    Log log;
    EXPECT_EQ(CheckDiskDriveWith(disks, cache, kDiskPropertyFirmware, L"1.0", log), kNone);
    EXPECT_EQ(CheckDiskDriveWith(disks, cache, kDiskPropertyFirmware, L"", log), 0u);
    EXPECT_EQ(disks.asked.size(), 2u);
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{L"  HDD Model: .", L"  HDD Model: ."}));
}

TEST(DiskCheck, QueryFailuresLogTheirLine) {
    const std::vector<std::pair<DiskQueryStatus, const wchar_t*>> cases = {
        {DiskQueryStatus::kSecurityFailed, L"  Error - CoInitializeSecurity failed."},
        {DiskQueryStatus::kLocatorFailed, L"  Error - CoCreateInstance failed."},
        {DiskQueryStatus::kConnectFailed, L"  Error - ConnectServer failed."},
        {DiskQueryStatus::kBlanketFailed, L"  Error - CoSetProxyBlanket failed."},
        {DiskQueryStatus::kQueryFailed, L"  Error - ExecQuery failed."},
    };
    for (const auto& [status, line] : cases) {
        FakeDisks disks;
        disks.status = status;
        DiskValueCache cache;
        Log log;
        EXPECT_EQ(CheckDiskDriveWith(disks, cache, kDiskPropertyModel, L"", log), kNone);
        EXPECT_EQ(log.lines, std::vector<std::wstring>{line});
        EXPECT_EQ(cache.Find(kDiskPropertyModel), nullptr);
    }
}
