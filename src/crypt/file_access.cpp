#include "crypt/file_access.h"

#include <cstdint>

#include "platform/file.h"

namespace vx {

namespace {

File::Origin origin_of(MoveMethod m) {
    return m == MoveMethod::end ? File::Origin::end : File::Origin::begin;
}

bool read_exactly(File& f, Buffer& buffer) {
    std::size_t got = 0;
    return f.read(buffer.data(), buffer.size(), got) && got == buffer.size();
}

}  // namespace

bool write_buffer(const std::string& path, const Buffer& buffer, bool create, MoveMethod method,
                  std::int32_t offset) {
    File f;
    if (!f.open(path, File::Access::write_exclusive,
                create ? File::Disposition::create_always : File::Disposition::open_always)) {
        return false;
    }
    f.seek(offset, origin_of(method));  // the result is not checked: a bad move fails the write
    return f.write(buffer.data(), buffer.size());
}

bool read_buffer(const std::string& path, Buffer& buffer, bool whole, MoveMethod method,
                 std::int32_t offset) {
    if (buffer.empty() && !whole) return false;
    File f;
    if (!f.open(path, File::Access::read_shared, File::Disposition::open_existing)) return false;
    if (whole) {
        auto size = f.size();
        // A whole-file buffer is a 32-bit quantity; a larger file is refused rather than read in
        // part under a size it does not have.
        if (!size || *size > UINT32_MAX) return false;
        buffer.assign(static_cast<std::size_t>(*size), 0);
    } else if (!f.seek(offset, origin_of(method))) {
        return false;
    }
    return read_exactly(f, buffer);
}

bool read_part(const std::string& path, Buffer& buffer, std::uint64_t offset) {
    File f;
    if (!f.open(path, File::Access::read_shared, File::Disposition::open_existing)) return false;
    if (offset > static_cast<std::uint64_t>(INT64_MAX) ||
        !f.seek(static_cast<std::int64_t>(offset), File::Origin::begin)) {
        return false;
    }
    return read_exactly(f, buffer);
}

std::optional<std::uint64_t> file_size(const std::string& path) {
    File f;
    if (!f.open(path, File::Access::read_shared, File::Disposition::open_existing)) {
        return std::nullopt;
    }
    return f.size();
}

}  // namespace vx
