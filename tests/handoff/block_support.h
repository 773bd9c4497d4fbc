#pragma once
// Helpers for the hand-off tests: blocks with a given content, and a block's units read back.
#include <string>

#include "platform/shared_memory.h"

namespace vx::test {

// UTF-16 from UTF-8 (the tests' own texts are well-formed).
std::u16string u16(const std::string& utf8);

// Puts 'units' into a block from its start.
void fill(SharedMemory& block, const std::u16string& units);
// A new block under a fresh name holding 'units' from its start (the rest zero), as a writer
// would leave it.
SharedMemory make_block(const std::u16string& units);

// All 2048 units of a block, little-endian.
std::u16string units_of(const SharedMemory& block);
// The units before the first zero unit.
std::u16string text_of(const SharedMemory& block);

}  // namespace vx::test
