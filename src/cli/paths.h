#pragma once
// Paths from the command line, made whole: absolute, with the platform's separator, without "."
// and ".." components, repeated separators or a trailing separator. The runs work with full paths
// only: the same-folder rule and the relative paths stored in a container compare them as texts.
#include <string>

namespace vx::cli {

// 'path' taken against 'working_directory' when it is not absolute. ".." is resolved on the text,
// as a shell's "cd" does, and never climbs above the root.
std::string absolute_path(const std::string& path, const std::string& working_directory);

// The same against the process's working directory.
std::string absolute_path(const std::string& path);

}  // namespace vx::cli
