#include "crypt/window_rules.h"

#include "crypt/container.h"
#include "crypt/file_access.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace vx {

bool key_check(const std::string& key) {
    if (key.size() != 8) return false;
    for (char c : key) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::optional<std::string> key_warning(const std::string& key, bool crypting) {
    if (key.empty()) return msg::no_key(crypting);
    if (!key_check(key)) return msg::key_not_8_digit(crypting);
    return std::nullopt;
}

std::optional<std::string> source_warning(const std::string& container) {
    if (!fs::exists(container)) return msg::source_not_exists(container);
    if (!file_size(container)) return msg::source_size_unknown(container);
    return std::nullopt;
}

bool several_entries_mark(const std::string& container) {
    Buffer first(1);
    return read_buffer(container, first, false, MoveMethod::begin, 0) && first[0] == '1';
}

std::string default_target(const std::string& p, std::size_t count, bool crypting) {
    if (count == 0 || p.empty()) return std::string();
    if (crypting) {
        if (count > 1) return path::folder(p) + kDefaultContainerName;
        if (path::ends_with_separator(p) || fs::is_directory(p)) {
            return path::remove_trailing_separator(p) + ".vx";
        }
        return path::folder(p) + path::base_name(p) + ".vx";
    }
    if (count > 1) return std::string();
    std::string folder = path::folder(p);
    if (several_entries_mark(p)) folder = path::join(folder, path::base_name(p)) + path::kSeparator;
    return folder;
}

}  // namespace vx
