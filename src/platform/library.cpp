#include "platform/library.h"

#include "platform/fs.h"

namespace vx {

Library::Library(Library&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool Library::load_from_program_directory(const std::string& file_name) {
    return load(fs::program_directory(), file_name);
}

}  // namespace vx
