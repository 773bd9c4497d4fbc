#pragma once
// Path texts. Strings are UTF-8. The separator is "\" on Windows and "/" on POSIX; Windows also
// accepts "/" when taking a path apart. The container's own "\" is not this layer's business.
#include <string>

namespace vx::path {

extern const char kSeparator;

bool is_separator(char c);
bool ends_with_separator(const std::string& p);

// The drive and folder part, separator kept: "C:\Docs\a.txt" -> "C:\Docs\" ; "a.txt" -> "" ;
// a folder's own trailing separator does not count: "C:\Docs\Work\" -> "C:\Docs\".
std::string folder(const std::string& p);
// "C:\Docs\a.txt" -> "a.txt" ; "C:\Docs\Work\" -> "Work" : the last component.
std::string name(const std::string& p);
// "report.doc" -> "report" ; "archive.tar.gz" -> "archive.tar" ; ".profile" -> ".profile"
std::string base_name(const std::string& p);
// "report.doc" -> ".doc" ; "README" -> "" (the dot included)
std::string extension(const std::string& p);

std::string add_trailing_separator(std::string p);
// Removes every trailing separator but never turns a root ("/", "C:\") into something else.
std::string remove_trailing_separator(std::string p);
// folder + separator (when missing) + tail.
std::string join(const std::string& folder, const std::string& tail);

}  // namespace vx::path
