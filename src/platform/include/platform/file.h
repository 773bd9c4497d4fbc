#pragma once
// An open file with 64-bit offsets; closed when the object goes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vx {

class File {
public:
    enum class Access {
        read_shared,      // reading; others may read too
        write_exclusive,  // writing; nobody else may open it meanwhile (where the system can say so)
    };
    enum class Disposition { open_existing, create_always, open_always };
    enum class Origin { begin, current, end };

    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens a file (never a folder).
    bool open(const std::string& path, Access access, Disposition disposition);
    bool is_open() const;
    void close();

    bool seek(std::int64_t offset, Origin origin);
    // Reads up to n bytes, as many as there are; false on an error.
    bool read(void* data, std::size_t n, std::size_t& got);
    // Writes n bytes; false unless all were written.
    bool write(const void* data, std::size_t n);
    std::optional<std::uint64_t> size() const;

private:
    std::intptr_t handle_ = -1;  // a HANDLE or a file descriptor; -1 when closed
};

}  // namespace vx
