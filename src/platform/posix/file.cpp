#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file.h"

namespace vx {

bool File::open(const std::string& path, Access access, Disposition disposition) {
    close();
    int flags = O_CLOEXEC;
    flags |= access == Access::read_shared ? O_RDONLY : O_WRONLY;
    if (disposition == Disposition::create_always) flags |= O_CREAT | O_TRUNC;
    if (disposition == Disposition::open_always) flags |= O_CREAT;
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

bool File::is_open() const { return handle_ >= 0; }

void File::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

bool File::seek(std::int64_t offset, Origin origin) {
    if (!is_open()) return false;
    int whence = origin == Origin::begin ? SEEK_SET : origin == Origin::current ? SEEK_CUR : SEEK_END;
    return ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence) >= 0;
}

bool File::read(void* data, std::size_t n, std::size_t& got) {
    got = 0;
    if (!is_open()) return false;
    auto* p = static_cast<char*>(data);
    while (got < n) {
        ssize_t r = ::read(static_cast<int>(handle_), p + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool File::write(const void* data, std::size_t n) {
    if (!is_open()) return false;
    auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
        ssize_t r = ::write(static_cast<int>(handle_), p + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

std::optional<std::uint64_t> File::size() const {
    struct stat st;
    if (!is_open() || ::fstat(static_cast<int>(handle_), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace vx
