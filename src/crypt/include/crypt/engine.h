#pragma once
// The binding to the cipher engine library ("valid.dll" on Windows, "libvalid.so" elsewhere),
// loaded by name from the program's own directory and called through its exported symbols.
// Only one thread calls it at a time; it has no lock.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/library.h"

namespace vx {

class CipherEngine {
public:
    enum class Status { ok, not_found, broken };

    CipherEngine() = default;
    CipherEngine(const CipherEngine&) = delete;
    CipherEngine& operator=(const CipherEngine&) = delete;

    // "valid.dll" or "libvalid.so".
    static std::string library_file_name();
    // "File 'valid.dll' not found" and "Error in 'valid.dll'", shown with the caption "Warning".
    static std::string not_found_message();
    static std::string error_message();

    // Binds the library in the program's directory, or in 'folder'.
    Status load();
    Status load(const std::string& folder);
    void release();
    // True while no library is bound (never loaded, missing, a symbol missing, or released).
    bool failed() const { return failed_; }

    // Crypts or decrypts 'length' bytes in place (length / 8 units of 8 bytes) with the first 8
    // bytes of 'key'. False when the binding has failed (nothing is done) or when the engine
    // reports that the key could not be prepared (the buffer then holds zero bytes, never plain
    // data).
    bool crypt(std::uint8_t* data, std::size_t length, const std::string& key);
    bool decrypt(std::uint8_t* data, std::size_t length, const std::string& key);

    // The check value of length / 4 words of 4 bytes; 0 when the binding has failed.
    std::int32_t check_value(const std::uint8_t* data, std::size_t length);

private:
    bool transform(void (*proc)(), std::uint8_t* data, std::size_t length, const std::string& key);

    Library library_;
    bool failed_ = true;
    // The engine's exported procedures and words, once bound.
    void (*sdk_)() = nullptr;
    void (*rcp_)() = nullptr;
    void (*rdcp_)() = nullptr;
    void (*rcsm_)() = nullptr;
    std::uint8_t* ork_ = nullptr;
    std::uintptr_t* db_ = nullptr;
    std::uint32_t* dbl_ = nullptr;
    std::uintptr_t* omm_ = nullptr;
    std::uint32_t* nbm_ = nullptr;
    std::uint32_t* fk_ = nullptr;
    std::uint32_t* sk_ = nullptr;
    std::int32_t* csm_ = nullptr;
    std::uint32_t* err_ = nullptr;  // optional: set when the engine could not prepare the key
};

}  // namespace vx
