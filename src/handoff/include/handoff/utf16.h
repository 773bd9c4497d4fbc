#pragma once
// UTF-8 <-> UTF-16 for the hand-off blocks, which hold UTF-16LE text on every platform.
#include <cstddef>
#include <optional>
#include <string>

namespace vx::handoff {

// Strict: none for text that is not well-formed UTF-8 (overlong forms, encoded surrogates and
// values past U+10FFFF included), so that a path never changes on its way into a block.
std::optional<std::u16string> to_utf16(const std::string& utf8);

// Surrogate pairs become one character; a surrogate without its partner becomes U+FFFD, the one
// thing UTF-8 text cannot carry. The output grows with the text: nothing is ever cut.
std::string to_utf8(const char16_t* units, std::size_t count);
inline std::string to_utf8(const std::u16string& text) { return to_utf8(text.data(), text.size()); }

}  // namespace vx::handoff
