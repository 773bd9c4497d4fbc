// The engine's exported protocol: four procedures without arguments and the words they read and
// write. A caller places the key bytes in _ORK_ and calls _SDK_; places a buffer's address and its
// number of 8-byte units in _DB_ / _DBL_ and calls _RCP_ (crypt) or _RDCP_ (decrypt); or places a
// word buffer's address and length, and two parameters, in _OMM_ / _NBM_ / _FK_ / _SK_ and calls
// _RCSM_, which leaves the check value in _CSM_. _ERR_ is 0 after a key was prepared and non-zero
// when it could not be; _RCP_ and _RDCP_ set it too when they could not transform the buffer, and
// then leave zero bytes in it. Nothing here lets an exception out.
#include <cstdint>
#include <cstring>

#include "engine.h"

#ifdef _WIN32
#define VX_EXPORT  // the names are exported through valid.def
#else
#define VX_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// The key last prepared; wiped when it is replaced and when the library is unloaded.
valid::Engine& engine() {
    static valid::Engine e;
    return e;
}

}  // namespace

extern "C" {

VX_EXPORT std::uint8_t _ORK_[8];
VX_EXPORT std::uintptr_t _DB_;
VX_EXPORT std::uint32_t _DBL_;
VX_EXPORT std::uintptr_t _OMM_;
VX_EXPORT std::uint32_t _NBM_;
VX_EXPORT std::uint32_t _FK_;
VX_EXPORT std::uint32_t _SK_;
VX_EXPORT std::int32_t _CSM_;
VX_EXPORT std::uint32_t _ERR_ = static_cast<std::uint32_t>(valid::Error::no_key);

VX_EXPORT void _SDK_();
VX_EXPORT void _RCP_();
VX_EXPORT void _RDCP_();
VX_EXPORT void _RCSM_();

}  // extern "C"

namespace {

void transform(bool inverse) {
    auto* data = reinterpret_cast<std::uint8_t*>(_DB_);
    const std::uint32_t units = _DBL_;
    const std::size_t n = std::size_t(units) * 8;
    valid::Error e = valid::Error::none;
    if (n / 8 != units) {
        // More than this build can address: there is no such buffer to crypt or to clear.
        e = valid::Error::too_large;
    } else if (!data && n) {
        e = valid::Error::cipher;
    } else {
        try {
            e = inverse ? engine().decrypt(data, n) : engine().crypt(data, n);
        } catch (...) {
            std::memset(data, 0, n);
            e = valid::Error::cipher;
        }
    }
    if (e != valid::Error::none) _ERR_ = static_cast<std::uint32_t>(e);
}

// Wipes the key bytes left in _ORK_ when the library goes.
struct WipeOnUnload {
    ~WipeOnUnload() { valid::wipe(_ORK_, sizeof _ORK_); }
} wipe_on_unload;

}  // namespace

void _SDK_() {
    valid::Error e;
    try {
        e = engine().prepare(_ORK_);
    } catch (...) {
        engine().forget();
        e = valid::Error::derivation;
    }
    _ERR_ = static_cast<std::uint32_t>(e);
}

void _RCP_() { transform(false); }

void _RDCP_() { transform(true); }

void _RCSM_() {
    _CSM_ = valid::check_value(_FK_, _SK_, reinterpret_cast<const std::uint8_t*>(_OMM_), _NBM_);
}
