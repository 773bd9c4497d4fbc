#include <gtest/gtest.h>

#include <set>

#include "handoff/format.h"
#include "platform/shared_memory.h"

namespace vx {
namespace {

using Made = SharedMemory::Made;
using Opened = SharedMemory::Opened;

TEST(SharedMemory, ANewBlockIsZeroAndSharedWithItsReaders) {
    SharedMemory writer;
    const std::string name = fresh_shared_memory_name();
    ASSERT_EQ(writer.create(name), Made::made);
    for (std::size_t i = 0; i < SharedMemory::kSize; ++i) ASSERT_EQ(writer.data()[i], 0) << i;
    writer.data()[0] = 'a';
    writer.data()[SharedMemory::kSize - 1] = 'z';

    SharedMemory reader;
    ASSERT_EQ(reader.open(name), Opened::opened);
    EXPECT_EQ(reader.data()[0], 'a');
    EXPECT_EQ(reader.data()[SharedMemory::kSize - 1], 'z');
    reader.close();
    EXPECT_FALSE(reader.is_open());
    // The reader's close leaves the block to its writer.
    ASSERT_EQ(reader.open(name), Opened::opened);
    EXPECT_EQ(reader.data()[0], 'a');
}

TEST(SharedMemory, ANameInUseIsNeverTakenOver) {
    SharedMemory first;
    const std::string name = fresh_shared_memory_name();
    ASSERT_EQ(first.create(name), Made::made);
    first.data()[0] = 'x';

    SharedMemory second;
    EXPECT_EQ(second.create(name), Made::name_taken);
    EXPECT_FALSE(second.is_open());
    EXPECT_EQ(first.data()[0], 'x');
    // Taking the name again did not hand the first block's name over to be removed either.
    second.close();
    SharedMemory reader;
    EXPECT_EQ(reader.open(name), Opened::opened);
}

TEST(SharedMemory, ABlockGoesWithItsCreatorUnlessReleased) {
    const std::string closed = fresh_shared_memory_name();
    const std::string released = fresh_shared_memory_name();
    {
        SharedMemory a, b;
        ASSERT_EQ(a.create(closed), Made::made);
        ASSERT_EQ(b.create(released), Made::made);
        b.data()[1] = 'r';
        b.release();
        EXPECT_FALSE(b.is_open());
    }
    SharedMemory reader;
    EXPECT_EQ(reader.open(closed), Opened::open_failed);
    ASSERT_EQ(reader.open(released), Opened::opened);
    EXPECT_EQ(reader.data()[1], 'r');
    reader.close();
    SharedMemory::discard(released);
}

TEST(SharedMemory, OpeningANameNobodyMadeFails) {
    SharedMemory reader;
    EXPECT_EQ(reader.open(fresh_shared_memory_name()), Opened::open_failed);
    EXPECT_EQ(reader.data(), nullptr);
}

TEST(SharedMemory, AMovedBlockStaysOpenOnce) {
    SharedMemory a;
    const std::string name = fresh_shared_memory_name();
    ASSERT_EQ(a.create(name), Made::made);
    SharedMemory b = std::move(a);
    EXPECT_FALSE(a.is_open());
    ASSERT_TRUE(b.is_open());
    a.close();  // closes nothing of b's
    SharedMemory reader;
    EXPECT_EQ(reader.open(name), Opened::opened);
}

TEST(SharedMemory, FreshNamesAreFreshPlainAndUsable) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string n = fresh_shared_memory_name();
        ASSERT_EQ(n.rfind("Global", 0), 0u) << n;
        EXPECT_GT(n.size(), 6u) << n;
        EXPECT_LE(n.size(), handoff::kMaxNameUnits) << n;
        EXPECT_EQ(n.find_first_of("\\/"), std::string::npos) << n;
        for (char c : n) EXPECT_TRUE(c > 0x20 && c < 0x7F) << n;
        EXPECT_TRUE(seen.insert(n).second) << n;
    }
    SharedMemory block;
    EXPECT_EQ(block.create(*seen.begin()), Made::made);
}

}  // namespace
}  // namespace vx
