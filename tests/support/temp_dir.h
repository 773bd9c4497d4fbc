#pragma once
// Test helpers: a private temporary folder removed with everything in it, and small file tools.
#include <string>
#include <vector>

#include "platform/buffer.h"

namespace vx::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() joined with a relative name.
    std::string operator/(const std::string& name) const;

private:
    std::string path_;
};

// Removes a file, or a folder with everything below it; true when nothing is left.
bool remove_tree(const std::string& path);

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
// The file's lines that end in LF; a last line still being written is left out.
std::vector<std::string> read_lines(const std::string& path);
Buffer bytes_of(const std::string& text);

}  // namespace vx::test
