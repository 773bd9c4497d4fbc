#include <dlfcn.h>

#include "platform/fs.h"
#include "platform/library.h"
#include "platform/path.h"

namespace vx {

std::string Library::file_name(const std::string& stem) { return "lib" + stem + ".so"; }

bool Library::load(const std::string& folder, const std::string& file_name) {
    release();
    // A full path: the dynamic loader searches nowhere else.
    std::string full = path::join(folder, file_name);
    if (!fs::exists(full)) return false;
    handle_ = ::dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

bool Library::load_system(const std::string& file_name) {
    release();
    handle_ = ::dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void* Library::symbol(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

void Library::release() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace vx
