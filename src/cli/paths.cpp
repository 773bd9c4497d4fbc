#include "paths.h"

#include <cctype>
#include <vector>

#include "platform/fs.h"
#include "platform/path.h"

namespace vx::cli {

namespace {

bool windows() { return path::kSeparator == '\\'; }

bool is_drive(const std::string& s) {
    return s.size() >= 2 && s[1] == ':' && std::isalpha(static_cast<unsigned char>(s[0]));
}

bool same_drive(const std::string& a, const std::string& b) {
    return is_drive(a) && is_drive(b) &&
           std::toupper(static_cast<unsigned char>(a[0])) ==
               std::toupper(static_cast<unsigned char>(b[0]));
}

// Splits an absolute path into its root ("/", "C:\", "\\server\share\") and the rest; false when
// the path is not absolute.
bool split_root(const std::string& s, std::string& root, std::string& rest) {
    const char sep = path::kSeparator;
    if (!windows()) {
        if (s.empty() || s[0] != sep) return false;
        root = std::string(1, sep);
        rest = s.substr(1);
        return true;
    }
    if (is_drive(s) && s.size() >= 3 && s[2] == sep) {
        root = s.substr(0, 3);
        rest = s.substr(3);
        return true;
    }
    if (s.size() >= 2 && s[0] == sep && s[1] == sep) {
        std::size_t i = 2;
        for (int parts = 0; i < s.size() && parts < 2; ++i) {
            if (s[i] == sep) ++parts;
        }
        root = s.substr(0, i);
        if (root.back() != sep) root += sep;
        rest = i < s.size() ? s.substr(i) : std::string();
        return true;
    }
    return false;
}

// The path made absolute against 'wd', before its components are tidied.
std::string anchored(const std::string& s, const std::string& wd) {
    const char sep = path::kSeparator;
    if (windows()) {
        if (s.size() >= 1 && s[0] == sep && !(s.size() >= 2 && s[1] == sep)) {
            return (is_drive(wd) ? wd.substr(0, 2) : std::string("C:")) + s;  // "\x": wd's drive
        }
        if (is_drive(s) && !(s.size() >= 3 && s[2] == sep)) {
            // "D:x": relative to the drive's current folder, which is known only for wd's drive.
            if (same_drive(s, wd)) return path::join(wd, s.substr(2));
            return s.substr(0, 2) + sep + s.substr(2);
        }
    }
    return path::join(wd, s);
}

}  // namespace

std::string absolute_path(const std::string& in, const std::string& wd) {
    const char sep = path::kSeparator;
    if (windows() && in.rfind("\\\\?\\", 0) == 0) return in;  // already the system's own form
    std::string s = in;
    if (windows()) {
        for (char& c : s) {
            if (c == '/') c = sep;
        }
    }
    std::string root, rest;
    if (!split_root(s, root, rest)) {
        std::string whole = anchored(s, wd);
        if (!split_root(whole, root, rest)) return whole;  // no usable working folder
    }

    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find(sep, start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += sep;
        out += parts[i];
    }
    return out;
}

std::string absolute_path(const std::string& in) {
    return absolute_path(in, fs::working_directory());
}

}  // namespace vx::cli
