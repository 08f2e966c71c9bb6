#include <gtest/gtest.h>

#include <vector>

#include "unique_resource.h"

using namespace fwu;

namespace {

// Every value closed, in order.
std::vector<int>& Closed() {
    static std::vector<int> closed;
    return closed;
}

// A kind with one "none" value, 0.
struct ZeroTraits {
    using Handle = int;
    static Handle Invalid() { return 0; }
    static void Close(Handle h) { Closed().push_back(h); }
};
// A kind with two: -1 (what an owner starts as) and 0.
struct TwoTraits {
    using Handle = int;
    static Handle Invalid() { return -1; }
    static Handle OtherInvalid() { return 0; }
    static void Close(Handle h) { Closed().push_back(h); }
};
using Zero = UniqueResource<ZeroTraits>;
using Two = UniqueResource<TwoTraits>;

class UniqueResourceTest : public ::testing::Test {
protected:
    void SetUp() override { Closed().clear(); }
};

}  // namespace

TEST_F(UniqueResourceTest, ClosesWhatItHoldsOnceAndNeverItsNoneValues) {
    {
        Zero none;
        EXPECT_FALSE(none.valid());
        EXPECT_FALSE(bool(none));
        EXPECT_EQ(none.get(), 0);
        Zero held(7);
        EXPECT_TRUE(held.valid());
        EXPECT_TRUE(bool(held));
        EXPECT_EQ(held.get(), 7);
        Zero explicitNone(0);
    }
    EXPECT_EQ(Closed(), std::vector<int>{7});
}

TEST_F(UniqueResourceTest, SecondNoneValueIsNeitherValidNorClosed) {
    {
        Two fresh;
        EXPECT_EQ(fresh.get(), -1);
        EXPECT_FALSE(fresh.valid());
        Two zero(0);
        EXPECT_FALSE(zero.valid());
        Two minusOne(-1);
        EXPECT_FALSE(minusOne.valid());
        Two held(5);
        EXPECT_TRUE(held.valid());
        EXPECT_FALSE(Two::IsValid(0));
        EXPECT_FALSE(Two::IsValid(-1));
        EXPECT_TRUE(Two::IsValid(1));
        zero.reset(3);
        EXPECT_TRUE(Closed().empty());
        held.reset();
        EXPECT_EQ(held.get(), -1);
    }
    EXPECT_EQ(Closed(), (std::vector<int>{5, 3}));
}

TEST_F(UniqueResourceTest, MovesHandOverWithoutClosing) {
    Zero a(1);
    Zero b(std::move(a));
    EXPECT_FALSE(a.valid());
    EXPECT_EQ(b.get(), 1);
    EXPECT_TRUE(Closed().empty());

    Zero c(2);
    c = std::move(b);  // the 2 ends, the 1 moves
    EXPECT_EQ(Closed(), std::vector<int>{2});
    EXPECT_EQ(c.get(), 1);
    EXPECT_FALSE(b.valid());

    Zero& self = c;
    c = std::move(self);
    EXPECT_EQ(c.get(), 1);
    EXPECT_EQ(Closed(), std::vector<int>{2});

    Two t(4);
    Two u(std::move(t));
    EXPECT_EQ(t.get(), -1);  // the moved-from owner holds the first none value
    EXPECT_EQ(u.get(), 4);
}

TEST_F(UniqueResourceTest, ResetReleaseAndPut) {
    Zero a(1);
    a.reset(2);
    EXPECT_EQ(Closed(), std::vector<int>{1});
    EXPECT_EQ(a.release(), 2);
    EXPECT_FALSE(a.valid());
    a.reset();
    EXPECT_EQ(Closed(), std::vector<int>{1});  // released values are the caller's

    Zero b(3);
    int* slot = b.put();
    EXPECT_EQ(Closed(), (std::vector<int>{1, 3}));
    EXPECT_EQ(*slot, 0);
    *slot = 9;
    EXPECT_EQ(b.get(), 9);

    Two c;
    *c.put() = 8;
    EXPECT_TRUE(c.valid());
    c.reset(0);
    EXPECT_EQ(Closed(), (std::vector<int>{1, 3, 8}));
}

namespace {
struct FakeInterface {
    int refs = 1;
    int releases = 0;
    void Release() {
        --refs;
        ++releases;
    }
};
}  // namespace

TEST(ComPtrTest, MovesTransferTheReferenceAndReleaseItOnce) {
    FakeInterface first, second;
    {
        ComPtr<FakeInterface> a;
        *a.put() = &first;
        EXPECT_EQ(a.get(), &first);
        EXPECT_EQ(a->refs, 1);
        ComPtr<FakeInterface> b(std::move(a));
        EXPECT_FALSE(bool(a));
        EXPECT_EQ(b.get(), &first);
        EXPECT_EQ(first.releases, 0);

        ComPtr<FakeInterface> c;
        *reinterpret_cast<FakeInterface**>(c.put_void()) = &second;
        c = std::move(b);  // second released, first moved
        EXPECT_EQ(second.releases, 1);
        EXPECT_EQ(first.releases, 0);
        EXPECT_EQ(c.get(), &first);
        ComPtr<FakeInterface>& self = c;
        c = std::move(self);
        EXPECT_EQ(c.get(), &first);
        EXPECT_EQ(first.releases, 0);
    }
    EXPECT_EQ(first.releases, 1);
    EXPECT_EQ(second.releases, 1);
    EXPECT_EQ(first.refs, 0);
}

TEST(ComPtrTest, PutReleasesTheOldReference) {
    FakeInterface one;
    ComPtr<FakeInterface> p;
    *p.put() = &one;
    FakeInterface** slot = p.put();
    EXPECT_EQ(one.releases, 1);
    EXPECT_EQ(*slot, nullptr);
    p.reset();
    EXPECT_EQ(one.releases, 1);
}
