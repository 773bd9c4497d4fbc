#pragma once
// Named shared memory of one fixed size, the blocks the shell extension hands its selection over
// in. Windows: pagefile-backed named file mappings in the session's local namespace, default
// security, not inheritable. POSIX: shm_open objects (the name with a "/" in front), readable and
// writable by this user only. The same name text works on both.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vx {

class SharedMemory {
public:
    // Every block is this many bytes, all of them mapped on both sides.
    static constexpr std::size_t kSize = 4096;

    enum class Made {
        made,
        name_taken,     // the name is in use already (by a block or any other named object)
        create_failed,  // the block cannot be made
        map_failed,     // it was made but cannot be mapped; it is closed again
    };
    enum class Opened { opened, open_failed, map_failed };

    SharedMemory() = default;
    ~SharedMemory() { close(); }
    SharedMemory(SharedMemory&& other) noexcept;
    SharedMemory& operator=(SharedMemory&& other) noexcept;
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    // Makes a new block of kSize zero bytes under 'name' and maps all of it for reading and
    // writing. A name already in use belongs to someone else: nothing of it is opened or kept,
    // so nothing is ever written into an object another process prepared.
    Made create(const std::string& name);
    // Opens an existing block and maps its first kSize bytes for reading and writing. A POSIX
    // object smaller than that is not mapped (map_failed), so no read can fall off its end.
    Opened open(const std::string& name);

    bool is_open() const { return view_ != nullptr; }
    // The kSize mapped bytes; null when closed.
    std::uint8_t* data() const { return static_cast<std::uint8_t*>(view_); }
    const std::string& name() const { return name_; }

    // Unmaps the view and closes the handle. A block lives while some process holds it; on POSIX
    // the creator's close also removes the name, so that the block goes the way it goes on
    // Windows when its last handle closes.
    void close();
    // Lets go of a block without closing it, on purpose: the writer of a hand-off never closes
    // its blocks, so that the program it starts can open them after the writer has returned.
    // Windows: the view and the handle are left open until the process ends. POSIX: the name
    // stays until discard() removes it (even past the process's end).
    void release();

    // Removes the name of a released block (POSIX); nothing on Windows, where a block goes with
    // the last handle. For tests that release blocks.
    static void discard(const std::string& name);

private:
    std::intptr_t handle_ = -1;  // a HANDLE or a file descriptor; -1 when closed
    void* view_ = nullptr;
    bool owner_ = false;  // made here: on POSIX close() removes the name
    std::string name_;
};

// A fresh block name: "Global" followed by a fresh temporary name less its first character.
// Windows takes the name from the C runtime's _wtmpnam ("\s1f8.", "\s1f8.1", ...); POSIX makes
// one of the same kind from the process id, a counter and random bits. Plain ASCII, no "\" and no
// "/". Empty when no name can be made.
std::string fresh_shared_memory_name();

}  // namespace vx
