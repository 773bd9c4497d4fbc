#include "crypt/engine.h"

#include <cstring>

#include "platform/fs.h"

namespace vx {
namespace {

constexpr const char* kStem = "valid";
constexpr std::size_t kKeyBytes = 8;
constexpr std::uint32_t kFirstCheckParameter = 613;
constexpr std::uint32_t kSecondCheckParameter = 2951;

template <typename T>
T* bind(const Library& lib, const char* name) {
    return static_cast<T*>(lib.symbol(name));
}

void (*bind_proc(const Library& lib, const char* name))() {
    return reinterpret_cast<void (*)()>(lib.symbol(name));
}

}  // namespace

std::string CipherEngine::library_file_name() { return Library::file_name(kStem); }

std::string CipherEngine::not_found_message() {
    return "File '" + library_file_name() + "' not found";
}

std::string CipherEngine::error_message() { return "Error in '" + library_file_name() + "'"; }

CipherEngine::Status CipherEngine::load() { return load(fs::program_directory()); }

CipherEngine::Status CipherEngine::load(const std::string& folder) {
    release();
    if (!library_.load(folder, library_file_name())) return Status::not_found;
    sdk_ = bind_proc(library_, "_SDK_");
    rcp_ = bind_proc(library_, "_RCP_");
    rdcp_ = bind_proc(library_, "_RDCP_");
    rcsm_ = bind_proc(library_, "_RCSM_");
    ork_ = bind<std::uint8_t>(library_, "_ORK_");
    db_ = bind<std::uintptr_t>(library_, "_DB_");
    dbl_ = bind<std::uint32_t>(library_, "_DBL_");
    omm_ = bind<std::uintptr_t>(library_, "_OMM_");
    nbm_ = bind<std::uint32_t>(library_, "_NBM_");
    fk_ = bind<std::uint32_t>(library_, "_FK_");
    sk_ = bind<std::uint32_t>(library_, "_SK_");
    csm_ = bind<std::int32_t>(library_, "_CSM_");
    err_ = bind<std::uint32_t>(library_, "_ERR_");
    if (!sdk_ || !rcp_ || !rdcp_ || !rcsm_ || !ork_ || !db_ || !dbl_ || !omm_ || !nbm_ || !fk_ ||
        !sk_ || !csm_) {
        release();
        return Status::broken;
    }
    failed_ = false;
    return Status::ok;
}

void CipherEngine::release() {
    failed_ = true;
    sdk_ = rcp_ = rdcp_ = rcsm_ = nullptr;
    ork_ = nullptr;
    db_ = omm_ = nullptr;
    dbl_ = nbm_ = fk_ = sk_ = err_ = nullptr;
    csm_ = nullptr;
    library_.release();
}

bool CipherEngine::crypt(std::uint8_t* data, std::size_t length, const std::string& key) {
    return transform(rcp_, data, length, key);
}

bool CipherEngine::decrypt(std::uint8_t* data, std::size_t length, const std::string& key) {
    return transform(rdcp_, data, length, key);
}

bool CipherEngine::transform(void (*proc)(), std::uint8_t* data, std::size_t length,
                             const std::string& key) {
    if (failed_) return false;
    // A key of fewer than 8 bytes, a length that is not whole units or does not fit the unit
    // word: the engine cannot be asked, and the buffer must not stay plain where crypted data is
    // expected.
    if (key.size() < kKeyBytes || length % 8 != 0 || length / 8 > UINT32_MAX) {
        if (data) std::memset(data, 0, length);
        return false;
    }
    std::memcpy(ork_, key.data(), kKeyBytes);
    sdk_();
    *db_ = reinterpret_cast<std::uintptr_t>(data);
    *dbl_ = static_cast<std::uint32_t>(length / 8);
    proc();
    return !err_ || *err_ == 0;
}

std::int32_t CipherEngine::check_value(const std::uint8_t* data, std::size_t length) {
    if (failed_) return 0;
    *omm_ = reinterpret_cast<std::uintptr_t>(data);
    *fk_ = kFirstCheckParameter;
    *sk_ = kSecondCheckParameter;
    *nbm_ = static_cast<std::uint32_t>(length / 4);
    rcsm_();
    return *csm_;
}

}  // namespace vx
