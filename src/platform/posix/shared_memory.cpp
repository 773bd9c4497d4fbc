#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>

#include "platform/shared_memory.h"

namespace vx {

namespace {

// POSIX shared-memory names start with a "/" and hold no other.
std::string object_name(const std::string& name) { return "/" + name; }

std::string base32(std::uint64_t v) {
    const char* digits = "0123456789abcdefghijklmnopqrstuv";
    std::string s;
    do {
        s.insert(s.begin(), digits[v % 32]);
        v /= 32;
    } while (v != 0);
    return s;
}

}  // namespace

SharedMemory::SharedMemory(SharedMemory&& other) noexcept
    : handle_(other.handle_), view_(other.view_), owner_(other.owner_),
      name_(std::move(other.name_)) {
    other.handle_ = -1;
    other.view_ = nullptr;
    other.owner_ = false;
}

SharedMemory& SharedMemory::operator=(SharedMemory&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        view_ = other.view_;
        owner_ = other.owner_;
        name_ = std::move(other.name_);
        other.handle_ = -1;
        other.view_ = nullptr;
        other.owner_ = false;
    }
    return *this;
}

SharedMemory::Made SharedMemory::create(const std::string& name) {
    close();
    const std::string object = object_name(name);
    // O_EXCL: a name somebody else made first is never taken over.
    int fd = ::shm_open(object.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST ? Made::name_taken : Made::create_failed;
    // A fresh object has no bytes; growing it gives zeros.
    if (::ftruncate(fd, static_cast<off_t>(kSize)) != 0) {
        ::close(fd);
        ::shm_unlink(object.c_str());
        return Made::create_failed;
    }
    void* view = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        ::close(fd);
        ::shm_unlink(object.c_str());
        return Made::map_failed;
    }
    handle_ = fd;
    view_ = view;
    owner_ = true;
    name_ = name;
    return Made::made;
}

SharedMemory::Opened SharedMemory::open(const std::string& name) {
    close();
    int fd = ::shm_open(object_name(name).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) return Opened::open_failed;
    // Touching a mapped page past the object's end would kill the process (SIGBUS).
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kSize)) {
        ::close(fd);
        return Opened::map_failed;
    }
    void* view = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        ::close(fd);
        return Opened::map_failed;
    }
    handle_ = fd;
    view_ = view;
    owner_ = false;
    name_ = name;
    return Opened::opened;
}

void SharedMemory::close() {
    if (view_) ::munmap(view_, kSize);
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    if (owner_) ::shm_unlink(object_name(name_).c_str());
    handle_ = -1;
    view_ = nullptr;
    owner_ = false;
    name_.clear();
}

void SharedMemory::release() {
    // The object outlives every descriptor and mapping on POSIX; only its name must stay.
    owner_ = false;
    close();
}

void SharedMemory::discard(const std::string& name) { ::shm_unlink(object_name(name).c_str()); }

std::string fresh_shared_memory_name() {
    // Shaped like the Windows C runtime's temporary names ("s" + the process id + "." + a
    // counter), with random bits so that nobody can tell the next one in advance.
    static std::atomic<std::uint32_t> counter{0};
    std::uint32_t n = counter.fetch_add(1);
    std::uint64_t bits = 0;
    try {
        std::random_device rd;
        bits = (std::uint64_t{rd()} << 32) | rd();
    } catch (...) {
        // No random source: the process id and the counter still make the name fresh, and
        // the creator refuses a name that is taken.
    }
    return "Global" + std::string("s") + base32(static_cast<std::uint64_t>(::getpid())) + "." +
           base32(n) + "." + base32(bits);
}

}  // namespace vx
