#include "platform/path.h"

namespace vx::path {

namespace {

// The length of the root at the front of p: "/" , "C:", "C:\", "\\server\share\" and "\" count.
std::size_t root_length(const std::string& p) {
    if (kSeparator == '\\') {
        if (p.size() >= 2 && p[1] == ':') return (p.size() >= 3 && is_separator(p[2])) ? 3 : 2;
        if (p.size() >= 2 && is_separator(p[0]) && is_separator(p[1])) {
            // "\\server\share\": the root runs to the separator after the share.
            std::size_t i = 2;
            for (int parts = 0; i < p.size() && parts < 2; ++i) {
                if (is_separator(p[i])) ++parts;
            }
            return i;
        }
    }
    return (!p.empty() && is_separator(p[0])) ? 1 : 0;
}

std::size_t name_start(const std::string& p) {
    std::size_t root = root_length(p);
    std::size_t i = p.size();
    while (i > root && !is_separator(p[i - 1])) --i;
    return i;
}

}  // namespace

bool ends_with_separator(const std::string& p) { return !p.empty() && is_separator(p.back()); }

std::string folder(const std::string& p) {
    std::string trimmed = remove_trailing_separator(p);
    return trimmed.substr(0, name_start(trimmed));
}

std::string name(const std::string& p) {
    std::string trimmed = remove_trailing_separator(p);
    if (trimmed.size() == root_length(trimmed)) return std::string();
    return trimmed.substr(name_start(trimmed));
}

std::string base_name(const std::string& p) {
    std::string n = name(p);
    std::size_t dot = n.rfind('.');
    return (dot == std::string::npos || dot == 0) ? n : n.substr(0, dot);
}

std::string extension(const std::string& p) {
    std::string n = name(p);
    std::size_t dot = n.rfind('.');
    return (dot == std::string::npos || dot == 0) ? std::string() : n.substr(dot);
}

std::string add_trailing_separator(std::string p) {
    if (!ends_with_separator(p)) p += kSeparator;
    return p;
}

std::string remove_trailing_separator(std::string p) {
    std::size_t root = root_length(p);
    while (p.size() > root && ends_with_separator(p)) p.pop_back();
    return p;
}

std::string join(const std::string& folder, const std::string& tail) {
    if (folder.empty()) return tail;
    return add_trailing_separator(folder) + tail;
}

}  // namespace vx::path
