#include "block_support.h"

#include <gtest/gtest.h>

#include "handoff/format.h"
#include "handoff/utf16.h"

namespace vx::test {

std::u16string u16(const std::string& utf8) {
    auto w = handoff::to_utf16(utf8);
    EXPECT_TRUE(w.has_value()) << utf8;
    return w.value_or(std::u16string());
}

void fill(SharedMemory& block, const std::u16string& units) {
    ASSERT_TRUE(block.is_open());
    for (std::size_t i = 0; i < units.size() && i < handoff::kBlockUnits; ++i) {
        block.data()[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        block.data()[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
}

SharedMemory make_block(const std::u16string& units) {
    SharedMemory block;
    EXPECT_EQ(block.create(fresh_shared_memory_name()), SharedMemory::Made::made);
    if (block.is_open()) fill(block, units);
    return block;
}

std::u16string units_of(const SharedMemory& block) {
    std::u16string units;
    for (std::size_t i = 0; i < handoff::kBlockUnits; ++i) {
        units.push_back(static_cast<char16_t>(block.data()[2 * i] | (block.data()[2 * i + 1] << 8)));
    }
    return units;
}

std::u16string text_of(const SharedMemory& block) {
    std::u16string all = units_of(block);
    return all.substr(0, all.find(u'\0'));
}

}  // namespace vx::test
