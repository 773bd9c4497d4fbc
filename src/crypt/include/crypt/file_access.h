#pragma once
// The four small file operations through which the runs, the archiver hand-off and the main
// window touch files. Each opens the file, does one thing and closes it again; none shows a
// message, so every caller words its own warning.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/buffer.h"

namespace vx {

enum class MoveMethod { begin, end };

// Opens 'path' for writing with no sharing: create-always (truncating) when 'create' is set,
// otherwise open-always. Moves by 'offset' from the start or the end, then writes the whole
// buffer. True only when every byte was written.
bool write_buffer(const std::string& path, const Buffer& buffer, bool create, MoveMethod method,
                  std::int32_t offset);

// With 'whole', the buffer becomes the whole file; otherwise its present size is read at
// 'offset' from the start or the end. False at once for an empty buffer without 'whole'. True
// only when the buffer was filled.
bool read_buffer(const std::string& path, Buffer& buffer, bool whole, MoveMethod method,
                 std::int32_t offset);

// Reads the buffer's present size at the 64-bit offset from the start; true only when every
// byte was read.
bool read_part(const std::string& path, Buffer& buffer, std::uint64_t offset);

// The 64-bit size of a file; none when it cannot be opened or its size cannot be read.
std::optional<std::uint64_t> file_size(const std::string& path);

}  // namespace vx
