// The size-then-read helper of the Win32 layer, over calls that behave as
// the platform's do (it includes no Windows header).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "../../common/win32/sized_read.h"

using fwu::ReadSized;
using fwu::SizedAnswer;

namespace {

// A call with a value of `value` units: without room it asks for them all;
// with room it writes them (the last `shrink` ones fewer, as a property
// that needs less than it asked for). `grow` units appear after the size
// query; `fail` makes every attempt fail.
struct FakeCall {
    explicit FakeCall(std::wstring v, size_t g = 0, size_t s = 0, bool f = false)
        : value(std::move(v)), grow(g), shrink(s), fail(f) {}
    std::wstring value;
    size_t grow;
    size_t shrink;
    bool fail;
    std::vector<size_t> capacities;

    SizedAnswer operator()(wchar_t* buffer, size_t capacity) {
        capacities.push_back(capacity);
        if (fail) return SizedAnswer{false, 0};
        if (capacities.size() > 1) value.append(grow, L'+');
        if (buffer == nullptr || capacity < value.size()) return SizedAnswer{value.empty(), value.size()};
        const size_t written = value.size() - shrink;
        value.copy(buffer, written);
        return SizedAnswer{true, written};
    }
};

}  // namespace

TEST(SizedRead, AsksForTheSizeThenReadsExactlyThat) {
    FakeCall call{L"value"};
    std::vector<wchar_t> out{L'x'};
    ASSERT_TRUE(ReadSized([&](wchar_t* b, size_t c) { return call(b, c); }, out));
    EXPECT_EQ(std::wstring(out.begin(), out.end()), L"value");
    EXPECT_EQ(call.capacities, (std::vector<size_t>{0, 5}));

    FakeCall shorter{L"value", 0, 2};
    ASSERT_TRUE(ReadSized([&](wchar_t* b, size_t c) { return shorter(b, c); }, out));
    EXPECT_EQ(std::wstring(out.begin(), out.end()), L"val");  // cut to what was written
}

TEST(SizedRead, EmptyValuesFailuresAndAValueThatGrew) {
    std::vector<wchar_t> out{L'x'};
    FakeCall empty{L""};
    EXPECT_TRUE(ReadSized([&](wchar_t* b, size_t c) { return empty(b, c); }, out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(empty.capacities.size(), 1u);

    FakeCall failing{L"value", 0, 0, true};
    EXPECT_FALSE(ReadSized([&](wchar_t* b, size_t c) { return failing(b, c); }, out));
    EXPECT_EQ(failing.capacities.size(), 1u);  // no second call without a size

    FakeCall growing{L"value", 3};
    EXPECT_FALSE(ReadSized([&](wchar_t* b, size_t c) { return growing(b, c); }, out));
    EXPECT_EQ(growing.capacities, (std::vector<size_t>{0, 5}));
}
