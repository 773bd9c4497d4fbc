#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/fs.h"
#include "platform/path.h"

namespace vx::fs {

namespace {

std::uint32_t attributes_of(const std::string& name, const struct stat& st, bool link) {
    std::uint32_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= kDirectory;
    if (link) a |= kReparsePoint;
    if ((st.st_mode & S_IWUSR) == 0) a |= kReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= kHidden;
    return a;
}

}  // namespace

std::optional<std::uint32_t> attributes(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    struct stat lst;
    bool link = ::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
    return attributes_of(path::name(path), st, link);
}

bool exists(const std::string& path) { return attributes(path).has_value(); }

bool is_directory(const std::string& path) {
    auto a = attributes(path);
    return a && (*a & kDirectory);
}

bool remove_file(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool rename(const std::string& from, const std::string& to, bool replace) {
    if (!replace) {
        // link() refuses an existing name, so nothing is ever overwritten by accident.
        if (::link(from.c_str(), to.c_str()) != 0) return false;
        return ::unlink(from.c_str()) == 0;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool create_directory(const std::string& path) {
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool remove_directory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

struct DirectoryReader::Impl {
    DIR* dir = nullptr;
    std::string folder;
    ~Impl() {
        if (dir) ::closedir(dir);
    }
};

DirectoryReader::DirectoryReader() : impl_(std::make_unique<Impl>()) {}
DirectoryReader::~DirectoryReader() = default;

bool DirectoryReader::open(const std::string& folder) {
    if (impl_->dir) ::closedir(impl_->dir);
    impl_->folder = folder;
    impl_->dir = ::opendir(folder.c_str());
    return impl_->dir != nullptr;
}

DirectoryReader::Next DirectoryReader::next(DirEntry& out) {
    if (!impl_->dir) return Next::error;
    errno = 0;
    struct dirent* e = ::readdir(impl_->dir);
    if (!e) return errno == 0 ? Next::end : Next::error;
    out.name = e->d_name;
    std::string full = path::join(impl_->folder, out.name);
    struct stat st;
    struct stat lst;
    bool have_lst = ::lstat(full.c_str(), &lst) == 0;
    if (::stat(full.c_str(), &st) == 0) {
        out.attributes = attributes_of(out.name, st, have_lst && S_ISLNK(lst.st_mode));
    } else if (have_lst) {  // a dangling link: listed, but nothing behind it
        out.attributes = attributes_of(out.name, lst, true);
    } else {
        out.attributes = 0;
    }
    return Next::entry;
}

std::optional<FileId> identity(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<std::string> environment_variable(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

std::string program_directory() {
    std::vector<char> buf(PATH_MAX);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return working_directory();
        if (static_cast<std::size_t>(n) < buf.size()) {
            return path::remove_trailing_separator(path::folder(std::string(buf.data(), n)));
        }
        buf.resize(buf.size() * 2);
    }
}

std::string working_directory() {
    std::vector<char> buf(PATH_MAX);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return std::string();
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

bool set_working_directory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

std::string temp_directory() {
    auto v = environment_variable("TMPDIR");
    return (v && !v->empty()) ? path::remove_trailing_separator(*v) : std::string("/tmp");
}

std::uint32_t process_id() { return static_cast<std::uint32_t>(::getpid()); }

}  // namespace vx::fs
