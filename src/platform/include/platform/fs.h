#pragma once
// The file system: what exists, attributes, folders and their listing, the process's places.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vx::fs {

// Attribute bits, with the values the Windows API gives them.
enum Attribute : std::uint32_t {
    kReadOnly = 0x01,
    kHidden = 0x02,
    kSystem = 0x04,
    kDirectory = 0x10,
    kReparsePoint = 0x400,  // a symbolic link, junction or mount point
};

// The attributes of a file or folder; none when nothing by that name can be seen.
std::optional<std::uint32_t> attributes(const std::string& path);
bool exists(const std::string& path);
bool is_directory(const std::string& path);

bool remove_file(const std::string& path);
// Gives a file a new name in the same volume. With 'replace', an existing file of the new name
// is replaced in the same step; without it the move fails when the name is taken.
bool rename(const std::string& from, const std::string& to, bool replace);
// Creates one level: the parent must exist. False when it cannot, or when the name exists.
bool create_directory(const std::string& path);
// Removes an empty folder.
bool remove_directory(const std::string& path);

struct DirEntry {
    std::string name;  // the bare name, as the system returns it ("." and ".." included)
    std::uint32_t attributes = 0;
    bool is_directory() const { return (attributes & kDirectory) != 0; }
};

// Lists one folder in the order the system returns its entries, hidden and system ones included.
class DirectoryReader {
public:
    enum class Next { entry, end, error };

    DirectoryReader();
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    bool open(const std::string& folder);
    Next next(DirEntry& out);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What makes a file or folder itself, whatever name it is reached by: the device (or volume) and
// the file's number on it. None when it cannot be opened.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FileId& o) const { return device == o.device && index == o.index; }
};
std::optional<FileId> identity(const std::string& path);

std::optional<std::string> environment_variable(const std::string& name);
// The folder of the running program, with no trailing separator.
std::string program_directory();
std::string working_directory();
bool set_working_directory(const std::string& path);
// The system's folder for temporary files, with no trailing separator.
std::string temp_directory();
// The running process's id, for private file and folder names.
std::uint32_t process_id();

}  // namespace vx::fs
