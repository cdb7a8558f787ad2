#include "clsMotS.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Block {
    int32_t address;
    std::vector<uint8_t> bytes;
    bool accepted;
};

struct Expect {
    int32_t address;
    uint8_t value;
};

// A store of `capacity` bytes receives the blocks in order; afterwards the
// recorded range and the listed addresses must read as given.
struct PlaceCase {
    std::string name;
    uint32_t capacity;
    std::vector<Block> blocks;
    int32_t first;
    int32_t last;
    std::vector<Expect> reads;
};

void PrintTo(const PlaceCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpdateStorePlace : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(UpdateStorePlace, RangeAndBytes)
{
    const PlaceCase& c = GetParam();
    clsMotS store(c.capacity);
    for (const Block& block : c.blocks) {
        uint8_t* p = store.Place(block.address, static_cast<uint32_t>(block.bytes.size()));
        ASSERT_EQ(p != nullptr, block.accepted) << "block at " << block.address;
        if (p != nullptr)
            std::memcpy(p, block.bytes.data(), block.bytes.size());
    }
    EXPECT_EQ(store.FirstAddress(), c.first);
    EXPECT_EQ(store.LastAddress(), c.last);
    EXPECT_EQ(store.Length(), c.first < 0 ? 0 : c.last - c.first + 1);
    for (const Expect& e : c.reads)
        EXPECT_EQ(store.GetByte(e.address), e.value) << "address " << e.address;
}

const std::vector<uint8_t> sixteen = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                      0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};

INSTANTIATE_TEST_SUITE_P(UpdateStore, UpdateStorePlace, ::testing::Values(
    PlaceCase{"NewStoreReadsFill", 64, {}, -1, -1,
              {{0, 0xFF}, {0x10000, 0xFF}, {-5, 0xFF}, {std::numeric_limits<int32_t>::max(), 0xFF}}},
    PlaceCase{"SixteenBytesAt0x10000", 64, {{0x10000, sixteen, true}}, 0x10000, 0x1000F,
              {{0x10000, 0x01}, {0x1000F, 0x10}, {0x10010, 0xFF}, {0xFFFF, 0xFF}}},
    PlaceCase{"CountEqualToCapacity", 16, {{0x200, sixteen, true}}, 0x200, 0x20F,
              {{0x200, 0x01}, {0x20F, 0x10}}},
    PlaceCase{"OneMoreThanCapacityLeavesEmpty", 15, {{0x200, sixteen, false}}, -1, -1,
              {{0x200, 0xFF}, {0x20E, 0xFF}}},
    // Window 100..115; the block at 90 moves it down to 90..105.
    PlaceCase{"BelowWindowSlidesDown", 16,
              {{100, {0xA1, 0xA2, 0xA3, 0xA4}, true}, {90, {0xB1, 0xB2}, true}}, 90, 103,
              {{89, 0xFF}, {90, 0xB1}, {91, 0xB2}, {92, 0xFF}, {99, 0xFF}, {100, 0xA1},
               {103, 0xA4}, {104, 0xFF}}},
    // The new block ends exactly at the old window's start.
    PlaceCase{"BelowWindowTouching", 8,
              {{100, {0xA1, 0xA2}, true}, {94, {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6}, true}}, 94, 101,
              {{94, 0xB1}, {99, 0xB6}, {100, 0xA1}, {101, 0xA2}, {102, 0xFF}}},
    // A block above the first one but inside the window's reach: the gap reads fill.
    PlaceCase{"AboveWithinWindow", 16,
              {{100, {0xA1, 0xA2}, true}, {112, {0xC1, 0xC2, 0xC3, 0xC4}, true}}, 100, 115,
              {{100, 0xA1}, {101, 0xA2}, {102, 0xFF}, {111, 0xFF}, {112, 0xC1}, {115, 0xC4},
               {116, 0xFF}}},
    // Slid down, then a block that reaches the top of the moved window.
    PlaceCase{"DownThenUpToWindowEnd", 16,
              {{100, {0xA1}, true}, {90, {0xB1}, true}, {104, {0xC1, 0xC2}, true}}, 90, 105,
              {{90, 0xB1}, {91, 0xFF}, {100, 0xA1}, {103, 0xFF}, {104, 0xC1}, {105, 0xC2},
               {106, 0xFF}}},
    // Combined ranges one byte wider than the window are refused and leave
    // the recorded range and the bytes as they were.
    PlaceCase{"AboveOneTooWide", 16,
              {{100, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8}, true},
               {109, {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8}, false}},
              100, 107, {{100, 0xA1}, {107, 0xA8}, {109, 0xFF}, {116, 0xFF}}},
    PlaceCase{"BelowOneTooWide", 16,
              {{100, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8}, true},
               {91, {0xB1, 0xB2}, false}},
              100, 107, {{91, 0xFF}, {92, 0xFF}, {100, 0xA1}, {107, 0xA8}}},
    PlaceCase{"RefusedThenAcceptedStillFits", 16,
              {{100, {0xA1}, true}, {80, {0xB1, 0xB2}, false}, {115, {0xC1}, true}}, 100, 115,
              {{80, 0xFF}, {100, 0xA1}, {115, 0xC1}}},
    PlaceCase{"NegativeAddressRefused", 16, {{-1, {0x01}, false}}, -1, -1, {{0, 0xFF}}},
    PlaceCase{"CountZeroRefused", 16, {{10, {}, false}}, -1, -1, {{10, 0xFF}}},
    // A block that would run past the largest address cannot be recorded.
    PlaceCase{"PastLargestAddressRefused", 16,
              {{std::numeric_limits<int32_t>::max(), {0x01, 0x02}, false}}, -1, -1, {}},
    PlaceCase{"AtLargestAddress", 16, {{std::numeric_limits<int32_t>::max(), {0x5A}, true}},
              std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
              {{std::numeric_limits<int32_t>::max(), 0x5A}, {std::numeric_limits<int32_t>::max() - 1, 0xFF}}}),
    [](const auto& info) { return info.param.name; });

TEST(UpdateStore, CountAboveSignedRangeRefused)
{
    clsMotS store(16);
    EXPECT_EQ(store.Place(0, 0x80000000u), nullptr);
    EXPECT_EQ(store.Place(0, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(store.FirstAddress(), -1);
}

TEST(UpdateStore, ClearZeroThenPlaceMovesWindow)
{
    clsMotS store(16);
    uint8_t* p = store.Place(100, 2);
    ASSERT_NE(p, nullptr);
    p[0] = 0x11;
    p[1] = 0x22;

    store.Clear(0);
    EXPECT_EQ(store.FirstAddress(), -1);
    EXPECT_EQ(store.LastAddress(), -1);
    EXPECT_EQ(store.Length(), 0);
    for (const int32_t address : {0, 99, 100, 101, 0x500, 0x7FFFFFFF})
        EXPECT_EQ(store.GetByte(address), 0) << address;

    // Far from the old window: only readable if the window moved there.
    p = store.Place(0x500, 2);
    ASSERT_NE(p, nullptr);
    p[0] = 0x33;
    p[1] = 0x44;
    ASSERT_NE(store.Place(0x50E, 2), nullptr);
    EXPECT_EQ(store.GetByte(0x500), 0x33);
    EXPECT_EQ(store.GetByte(0x501), 0x44);
    EXPECT_EQ(store.GetByte(0x502), 0);
    EXPECT_EQ(store.GetByte(0x50F), 0);
    EXPECT_EQ(store.GetByte(100), 0);
    EXPECT_EQ(store.Length(), 16);
}

struct SumCase {
    std::string name;
    int32_t from;
    int32_t to;
    uint16_t sum;
};

void PrintTo(const SumCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpdateStoreSum : public ::testing::TestWithParam<SumCase> {};

TEST_P(UpdateStoreSum, SmallStore)
{
    const SumCase& c = GetParam();
    clsMotS store(64);
    uint8_t* p = store.Place(10, 3);
    ASSERT_NE(p, nullptr);
    p[0] = 0x01;
    p[1] = 0x02;
    p[2] = 0x03;
    EXPECT_EQ(store.Sum(c.from, c.to), c.sum);
}

INSTANTIATE_TEST_SUITE_P(UpdateStore, UpdateStoreSum, ::testing::Values(
    SumCase{"EmptyRange", 11, 10, 0},
    SumCase{"ReversedRange", 12, 5, 0},
    SumCase{"PlacedOnly", 10, 12, 6},
    SumCase{"OneByte", 11, 11, 2},
    // 4 fill bytes (4 x 255 = 1020) + 1 + 2 + 3
    SumCase{"PlacedAndFill", 8, 14, 1026},
    // 300 x 255 = 76500, minus 65536
    SumCase{"ThreeHundredFillBytes", 1000, 1299, 10964},
    SumCase{"NegativeAddressesReadFill", -2, -1, 510}),
    [](const auto& info) { return info.param.name; });

TEST(UpdateStore, SumOfThreeHundredPlacedFF)
{
    clsMotS store(1024);
    uint8_t* p = store.Place(0x1000, 300);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xFF, 300);
    EXPECT_EQ(store.Sum(0x1000, 0x1000 + 299), 10964);
    store.Clear(0);
    EXPECT_EQ(store.Sum(0, 299), 0);
}

TEST(UpdateStore, IsBlank)
{
    clsMotS store(64);
    uint8_t* p = store.Place(20, 3);
    ASSERT_NE(p, nullptr);
    p[0] = 0xFF;  // placed, but equal to the fill byte
    p[1] = 0x00;
    p[2] = 0xFF;
    EXPECT_TRUE(store.IsBlank(20, 0));
    EXPECT_TRUE(store.IsBlank(21, -4));
    EXPECT_TRUE(store.IsBlank(0, 21));
    EXPECT_TRUE(store.IsBlank(20, 1));
    EXPECT_FALSE(store.IsBlank(0, 22));
    EXPECT_FALSE(store.IsBlank(21, 1));
    EXPECT_TRUE(store.IsBlank(22, 100));
    EXPECT_TRUE(clsMotS(16).IsBlank(0, 1000));
}

TEST(UpdateStore, ReadFillsGapsAndReturnsCount)
{
    clsMotS store(64);
    uint8_t* p = store.Place(10, 3);
    ASSERT_NE(p, nullptr);
    p[0] = 0x01;
    p[1] = 0x02;
    p[2] = 0x03;
    uint8_t out[7] = {};
    EXPECT_EQ(store.Read(8, 7, out), 7);
    const uint8_t expected[7] = {0xFF, 0xFF, 0x01, 0x02, 0x03, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(out, expected, 7), 0);
    EXPECT_EQ(store.Read(8, 0, out), 0);
    EXPECT_EQ(store.Read(8, -3, out), -3);
    EXPECT_EQ(out[0], 0xFF);
}

// Bytes a store held before Clear never show again: not in a gap between
// two later blocks, not in a block placed but not yet written, not where
// the window slid to.
TEST(UpdateStore, ClearedBytesNeverComeBack)
{
    clsMotS store(16);
    uint8_t* p = store.Place(100, 16);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0x77, 16);

    store.Clear(0xFF);
    p = store.Place(104, 2);
    ASSERT_NE(p, nullptr);
    p[0] = 0xA1;
    p[1] = 0xA2;
    ASSERT_NE(store.Place(112, 1), nullptr);  // placed, not written
    ASSERT_NE(store.Place(98, 1), nullptr);   // slides the window down to 98
    p = store.Place(113, 1);                  // the moved window's last byte
    ASSERT_NE(p, nullptr);
    p[0] = 0xC1;
    uint8_t out[18] = {};
    EXPECT_EQ(store.Read(97, 18, out), 18);
    uint8_t expected[18];
    std::memset(expected, 0xFF, sizeof expected);
    expected[104 - 97] = 0xA1;
    expected[105 - 97] = 0xA2;
    expected[113 - 97] = 0xC1;
    EXPECT_EQ(std::vector<uint8_t>(out, out + 18), std::vector<uint8_t>(expected, expected + 18));
    EXPECT_TRUE(store.IsBlank(106, 7));
    EXPECT_EQ(store.Sum(98, 103), 6 * 0xFF);

    store.Clear(0xA5);
    ASSERT_NE(store.Place(100, 8), nullptr);
    for (int32_t address = 96; address < 112; ++address)
        EXPECT_EQ(store.GetByte(address), 0xA5) << address;
}

// The sequencer's size: two blocks far apart in 16 MiB, read back whole,
// once in a fresh store and once in one that held data everywhere before.
TEST(UpdateStore, SixteenMebibytesReadBackWhole)
{
    constexpr uint32_t capacity = 16u << 20;
    struct Piece {
        int32_t address;
        uint32_t count;
        uint8_t value;
    };
    const Piece pieces[] = {{0x100000, 4096, 0x12}, {0xE00000, 100, 0x00}};
    std::vector<uint8_t> expected(capacity, 0xFF);
    for (const Piece& piece : pieces)
        std::memset(expected.data() + piece.address, piece.value, piece.count);

    for (const bool heldBefore : {false, true}) {
        clsMotS store(capacity);
        if (heldBefore) {
            uint8_t* all = store.Place(0, capacity);
            ASSERT_NE(all, nullptr);
            std::memset(all, 0x3C, capacity);
            store.Clear(0xFF);
        }
        for (const Piece& piece : pieces) {
            uint8_t* p = store.Place(piece.address, piece.count);
            ASSERT_NE(p, nullptr);
            std::memset(p, piece.value, piece.count);
        }
        std::vector<uint8_t> got(capacity);
        EXPECT_EQ(store.Read(0, static_cast<int32_t>(capacity), got.data()), static_cast<int32_t>(capacity));
        EXPECT_TRUE(got == expected) << (heldBefore ? "after Clear" : "fresh");
        EXPECT_TRUE(store.IsBlank(0, pieces[0].address));
        EXPECT_TRUE(store.IsBlank(0x101000, 0xE00000 - 0x101000));
        EXPECT_EQ(store.GetByte(static_cast<int32_t>(capacity - 1)), 0xFF);
    }
}

}  // namespace
