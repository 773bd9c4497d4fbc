#pragma once
// Shared libraries loaded by full path, released when the object goes.
#include <string>

namespace vx {

class Library {
public:
    Library() = default;
    ~Library() { release(); }
    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The platform's file name of a library: "valid" -> "valid.dll" or "libvalid.so".
    static std::string file_name(const std::string& stem);

    // Loads the library file in 'folder' (never from a search path or the current directory).
    bool load(const std::string& folder, const std::string& file_name);
    // Loads the library file that sits in the program's own directory.
    bool load_from_program_directory(const std::string& file_name);
    // Loads a library of the operating system from the system's own folder (Windows), or by name.
    bool load_system(const std::string& file_name);

    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const;
    void release();

private:
    void* handle_ = nullptr;
};

}  // namespace vx
