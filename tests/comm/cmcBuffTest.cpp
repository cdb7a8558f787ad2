#include "cmcBuff.h"

#include "FatalDisplay.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Contents(const cmcBuff& buffer)
{
    return {buffer.Data(), buffer.Data() + buffer.Length()};
}

std::vector<uint8_t> Counting(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    }
    return bytes;
}

} // namespace

TEST(CommBuff, NewBufferIsEmpty)
{
    cmcBuff buffer;
    EXPECT_EQ(buffer.Length(), 0);
    EXPECT_EQ(buffer.Room(), 1);
    EXPECT_EQ(buffer.Pop(), -1);
    EXPECT_EQ(buffer.Length(), 0);
}

TEST(CommBuff, BytesLeaveInTheOrderTheyCame)
{
    cmcBuff buffer;
    buffer.Add(1);
    buffer.Add(2);
    buffer.Add(3);
    EXPECT_EQ(buffer.Pop(), 1);
    EXPECT_EQ(buffer.Pop(), 2);
    EXPECT_EQ(buffer.Pop(), 3);
    EXPECT_EQ(buffer.Pop(), -1);
}

struct GrowthCase {
    const char* name;
    int32_t firstLength;
    int32_t secondLength;
    int32_t lengthAfter;
    int32_t roomAfter;
};

class CommBuffGrowth : public testing::TestWithParam<GrowthCase> {};

// A new buffer has room 1; growing to n with count c held gives n + c/4.
TEST_P(CommBuffGrowth, RoomFollowsTheGrowthRule)
{
    const GrowthCase& row = GetParam();
    cmcBuff buffer;
    buffer.SetLength(row.firstLength);
    EXPECT_EQ(buffer.SetLength(row.secondLength), row.lengthAfter);
    EXPECT_EQ(buffer.Length(), row.lengthAfter);
    EXPECT_EQ(buffer.Room(), row.roomAfter);
}

INSTANTIATE_TEST_SUITE_P(Comm, CommBuffGrowth,
    testing::Values(
        GrowthCase {"EmptyTo100", 0, 100, 100, 100},    // 100 + 0/4
        GrowthCase {"Full100By1", 100, 101, 101, 126},  // 101 + 100/4
        GrowthCase {"Full8By1", 8, 9, 9, 11},           // 9 + 8/4
        GrowthCase {"Full3By1", 3, 4, 4, 4},            // 4 + 3/4
        GrowthCase {"ShrinkKeepsRoom", 100, 50, 50, 100},
        GrowthCase {"NegativeIsEmpty", 10, -5, 0, 10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommBuff, AddToExhaustedBufferOf100Reallocates)
{
    cmcBuff buffer;
    const std::vector<uint8_t> hundred = Counting(100);
    buffer.Append(hundred.data(), 100);
    ASSERT_EQ(buffer.Room(), 100);
    buffer.Add(0xAB);
    EXPECT_EQ(buffer.Room(), 126);
    std::vector<uint8_t> expected = hundred;
    expected.push_back(0xAB);
    EXPECT_EQ(Contents(buffer), expected);
}

TEST(CommBuff, FreshStorageIsFilledWithZero)
{
    cmcBuff buffer;
    const std::vector<uint8_t> ten(10, 0x5A);
    buffer.Assign(ten.data(), 10);
    buffer.SetLength(20); // reallocates to 20 + 10/4 = 22
    ASSERT_EQ(buffer.Room(), 22);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(*buffer.At(i), 0x5A) << i;
    }
    for (int i = 10; i < 20; ++i) {
        EXPECT_EQ(*buffer.At(i), 0) << i;
    }
}

TEST(CommBuff, PoppingPast4096CompactsOnceAndKeepsTheRest)
{
    cmcBuff buffer;
    const std::vector<uint8_t> bytes = Counting(5000);
    buffer.Append(bytes.data(), 5000);
    int compactions = 0;
    int compactedAtPop = 0;
    for (int pop = 1; pop <= 4097; ++pop) {
        const uint8_t* before = buffer.Data();
        ASSERT_EQ(buffer.Pop(), bytes[static_cast<size_t>(pop - 1)]);
        // Without compaction the head simply moves on by one.
        if (buffer.Data() != before + 1) {
            ++compactions;
            compactedAtPop = pop;
        }
    }
    EXPECT_EQ(compactions, 1);
    EXPECT_EQ(compactedAtPop, 4097);
    EXPECT_EQ(buffer.Length(), 903);
    EXPECT_EQ(buffer.Room(), 903);
    EXPECT_EQ(Contents(buffer), std::vector<uint8_t>(bytes.begin() + 4097, bytes.end()));
}

// Each pop gives up the byte behind the head: the room left runs to the end
// of the same storage, so an append that needs more grows the buffer instead
// of writing past the end of the storage.
TEST(CommBuff, PoppingGivesUpTheRoomBehindTheHead)
{
    cmcBuff buffer;
    const std::vector<uint8_t> bytes = Counting(110);
    buffer.Append(bytes.data(), 100);
    ASSERT_EQ(buffer.Room(), 100);
    const uint8_t* storageEnd = buffer.Data() + buffer.Room();
    for (int pop = 1; pop <= 10; ++pop) {
        ASSERT_EQ(buffer.Pop(), bytes[static_cast<size_t>(pop - 1)]);
        EXPECT_EQ(buffer.Length(), 100 - pop);
        EXPECT_EQ(buffer.Room(), 100 - pop);
        EXPECT_EQ(buffer.Data() + buffer.Room(), storageEnd) << "after pop " << pop;
    }
    const uint8_t* before = buffer.Data();
    buffer.Append(bytes.data() + 100, 10);  // 100 bytes: more than the 90 of room left
    EXPECT_NE(buffer.Data(), before);
    EXPECT_EQ(buffer.Room(), 100 + 90 / 4);
    EXPECT_EQ(Contents(buffer), std::vector<uint8_t>(bytes.begin() + 10, bytes.end()));
}

TEST(CommBuff, AssigningItsOwnTailDropsTheFront)
{
    cmcBuff buffer;
    const std::vector<uint8_t> bytes = Counting(50);
    buffer.Append(bytes.data(), 50);
    buffer.Assign(buffer.Data() + 10, buffer.Length() - 10);
    EXPECT_EQ(Contents(buffer), std::vector<uint8_t>(bytes.begin() + 10, bytes.end()));
}

TEST(CommBuff, AppendingItsOwnBytesDuplicatesThem)
{
    cmcBuff buffer;
    const std::vector<uint8_t> bytes = Counting(40);
    buffer.Append(bytes.data(), 40);
    buffer.Append(buffer.Data(), buffer.Length()); // grows while reading itself
    std::vector<uint8_t> expected = bytes;
    expected.insert(expected.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(Contents(buffer), expected);
}

TEST(CommBuff, AssignReplacesContents)
{
    cmcBuff buffer;
    const std::vector<uint8_t> first = Counting(30);
    const std::vector<uint8_t> second {9, 8, 7};
    buffer.Append(first.data(), 30);
    buffer.Assign(second.data(), 3);
    EXPECT_EQ(Contents(buffer), second);
    buffer.Assign(nullptr, 0);
    EXPECT_EQ(buffer.Length(), 0);
}

TEST(CommBuff, CompactAndClear)
{
    cmcBuff buffer;
    const std::vector<uint8_t> bytes = Counting(300);
    buffer.Append(bytes.data(), 300);
    for (int i = 0; i < 100; ++i) {
        buffer.Pop();
    }
    buffer.Compact();
    EXPECT_EQ(buffer.Room(), 200);
    EXPECT_EQ(Contents(buffer), std::vector<uint8_t>(bytes.begin() + 100, bytes.end()));

    buffer.Clear();
    EXPECT_EQ(buffer.Length(), 0);
    EXPECT_EQ(buffer.Room(), 1);
    buffer.Compact(); // an empty buffer keeps one byte of room
    EXPECT_EQ(buffer.Room(), 1);
}

TEST(CommBuff, AtPointsIntoTheHeldBytes)
{
    cmcBuff buffer;
    const std::vector<uint8_t> bytes {10, 20, 30};
    buffer.Append(bytes.data(), 3);
    buffer.Pop();
    EXPECT_EQ(*buffer.At(0), 20);
    EXPECT_EQ(*buffer.At(1), 30);
    *buffer.At(1) = 31;
    EXPECT_EQ(buffer.Pop(), 20);
    EXPECT_EQ(buffer.Pop(), 31);
}

struct BadIndexCase {
    const char* name;
    int32_t length;
    int32_t index;
};

class CommBuffBadIndex : public testing::TestWithParam<BadIndexCase> {};

TEST_P(CommBuffBadIndex, EndsTheProcessWithCode3)
{
    const BadIndexCase& row = GetParam();
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    cmcBuff buffer;
    buffer.SetLength(row.length);
    // Without a display set: a line on standard error, captioned with the
    // program's file name.
    EXPECT_EXIT(buffer.At(row.index), testing::ExitedWithCode(3), "comm_tests: Out of cmcBuff element !");
}

// The display the program sets at start-up shows the message, then the
// process ends as before.
void ShowMarked(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "display set: [%s] [%s]\n", text.c_str(), caption.c_str());
}

TEST_P(CommBuffBadIndex, ShowsTheMessageThroughTheDisplaySet)
{
    const BadIndexCase& row = GetParam();
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    cmcBuff buffer;
    buffer.SetLength(row.length);
    EXPECT_EXIT(
        {
            SetFatalDisplay(ShowMarked);
            buffer.At(row.index);
        },
        testing::ExitedWithCode(3), "display set: \\[Out of cmcBuff element !\\] \\[comm_tests\\]");
}

INSTANTIATE_TEST_SUITE_P(Comm, CommBuffBadIndex,
    testing::Values(
        BadIndexCase {"IndexEqualToLength", 5, 5},
        BadIndexCase {"EmptyBuffer", 0, 0},
        BadIndexCase {"NegativeIndex", 5, -1}),
    [](const auto& info) { return std::string(info.param.name); });
