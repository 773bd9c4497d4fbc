#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace vx::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::string base = fs::temp_directory();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = path::join(base, "vxtest-" + std::to_string(fs::process_id()) +
                                                     "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    ADD_FAILURE() << "cannot make a temporary folder in " << base;
}

TempDir::~TempDir() {
    if (!path_.empty()) remove_tree(path_);
}

std::string TempDir::operator/(const std::string& name) const { return path::join(path_, name); }

bool remove_tree(const std::string& p) {
    auto attrs = fs::attributes(p);
    if (!attrs) return true;
    if ((*attrs & fs::kDirectory) && !(*attrs & fs::kReparsePoint)) {
        fs::DirectoryReader reader;
        if (reader.open(p)) {
            fs::DirEntry e;
            while (reader.next(e) == fs::DirectoryReader::Next::entry) {
                if (e.name == "." || e.name == "..") continue;
                remove_tree(path::join(p, e.name));
            }
        }
        return fs::remove_directory(p) || fs::remove_file(p);
    }
    return fs::remove_file(p) || fs::remove_directory(p);
}

void write_file(const std::string& p, const std::string& bytes) {
    File f;
    ASSERT_TRUE(f.open(p, File::Access::write_exclusive, File::Disposition::create_always)) << p;
    ASSERT_TRUE(f.write(bytes.data(), bytes.size())) << p;
}

std::string read_file(const std::string& p) {
    File f;
    if (!f.open(p, File::Access::read_shared, File::Disposition::open_existing)) return "<missing>";
    std::string s(static_cast<std::size_t>(f.size().value_or(0)), '\0');
    std::size_t got = 0;
    f.read(s.data(), s.size(), got);
    s.resize(got);
    return s;
}

std::vector<std::string> read_lines(const std::string& p) {
    const std::string text = read_file(p);
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

Buffer bytes_of(const std::string& text) { return Buffer(text.begin(), text.end()); }

}  // namespace vx::test
