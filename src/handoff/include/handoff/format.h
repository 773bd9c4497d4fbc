#pragma once
// The layout of a hand-off block, fixed between the shell extension and the program: UTF-16LE text
// from byte 0; the entries (full paths) separated by CR LF; optionally, as the block's last line
// and never its first, a chain line "conmap:" + the next block's name + a zero unit; the first
// zero unit ends the text. Each block holds 2048 units, and everything written, the terminating
// zero included, lies inside them.
#include <cstddef>
#include <string>

#include "platform/shared_memory.h"

namespace vx::handoff {

// UTF-16 units in one block.
inline constexpr std::size_t kBlockUnits = SharedMemory::kSize / 2;

// The start of a chain line, in both encodings.
inline constexpr char kChainMarker[] = "conmap:";
inline constexpr char16_t kChainMarker16[] = u"conmap:";
inline constexpr std::size_t kChainMarkerUnits = 7;

// The longest block name the writer uses. It keeps room for a chain line of this size behind every
// entry, so the line always fits, whatever the next name turns out to be.
inline constexpr std::size_t kMaxNameUnits = 64;
// CR LF, "conmap:", the name, the zero unit.
inline constexpr std::size_t kChainLineUnits = 2 + kChainMarkerUnits + kMaxNameUnits + 1;
// The longest entry a block can take: alone in a block, with room for the chain line behind it.
inline constexpr std::size_t kMaxEntryUnits = kBlockUnits - kChainLineUnits;

inline bool is_chain_line(const std::string& line) {
    return line.compare(0, kChainMarkerUnits, kChainMarker) == 0;
}

}  // namespace vx::handoff
