/* Stand-in engines for the binding's tests, built from this one source under the real engine's
 * file name, each in a folder of its own:
 *   engine-plain    the twelve symbols and no _ERR_; crypts by XOR with the key bytes and keeps
 *                   whatever it was handed, so a test can see how it was called;
 *   engine-failing  the same with an _ERR_ that reports every key as unusable, zeroing buffers;
 *   engine-partial  the twelve symbols but _RCSM_. */
#include <stdint.h>
#include <string.h>

#ifdef _WIN32
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
#endif

EXPORT uint8_t _ORK_[8];
EXPORT uintptr_t _DB_;
EXPORT uint32_t _DBL_;
EXPORT uintptr_t _OMM_;
EXPORT uint32_t _NBM_;
EXPORT uint32_t _FK_;
EXPORT uint32_t _SK_;
EXPORT int32_t _CSM_;
/* How often _SDK_ was called, for the tests (not part of the protocol). */
EXPORT uint32_t fixture_sdk_calls;

#ifdef VX_FIXTURE_FAILING
EXPORT uint32_t _ERR_;
#endif

EXPORT void _SDK_(void) {
    ++fixture_sdk_calls;
#ifdef VX_FIXTURE_FAILING
    _ERR_ = 2;
#endif
}

static void transform(void) {
    uint8_t* p = (uint8_t*)_DB_;
    size_t n = (size_t)_DBL_ * 8;
#ifdef VX_FIXTURE_FAILING
    memset(p, 0, n);
    _ERR_ = 1;
#else
    for (size_t i = 0; i < n; ++i) p[i] ^= _ORK_[i % 8];
#endif
}

EXPORT void _RCP_(void) { transform(); }
EXPORT void _RDCP_(void) { transform(); }

#ifndef VX_FIXTURE_NO_RCSM
/* The sum of the words plus both parameters: enough to show what was handed over. */
EXPORT void _RCSM_(void) {
    const uint8_t* p = (const uint8_t*)_OMM_;
    uint32_t sum = _FK_ * 10000u + _SK_;
    for (uint32_t i = 0; i < _NBM_; ++i)
        sum += (uint32_t)p[4 * i] | (uint32_t)p[4 * i + 1] << 8 | (uint32_t)p[4 * i + 2] << 16 |
               (uint32_t)p[4 * i + 3] << 24;
    _CSM_ = (int32_t)sum;
}
#endif
