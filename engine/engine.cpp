#include "engine.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace valid {
namespace {

// Frozen: every container depends on these.
constexpr char kSalt[] = "Vaultrix-salt-v1";        // 16 bytes, no terminator used
constexpr char kHashPrefix[] = "Vaultrix-hash-v1";  // 16 bytes, hashed before the data
constexpr unsigned long kArgonPasses = 3;
constexpr unsigned long kArgonMemoryKiB = 262144;  // 256 MiB
constexpr unsigned long kArgonLanes = 4;
constexpr unsigned kFf1Rounds = 10;
// FF1's fixed block for radix 256, 8 numerals (u = 4), 10 rounds and an empty tweak.
constexpr std::uint8_t kFf1P[16] = {0x01, 0x02, 0x01, 0x00, 0x01, 0x00, 0x0a, 0x04,
                                    0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00};
// The counter pass and the hash of its output run together over pieces of this size, so the
// hash reads what the counter pass has just written while it is still in the cache.
constexpr std::size_t kChunk = 64 * 1024;

std::uint32_t load_be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

void store_be32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

void store_le32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

void xor16(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b) {
    for (int i = 0; i < 16; ++i) out[i] = a[i] ^ b[i];
}

bool same_key(const std::uint8_t* a, const std::uint8_t* b) {
    std::uint8_t d = 0;
    for (std::size_t i = 0; i < kKeyBytes; ++i) d |= a[i] ^ b[i];
    return d == 0;
}

// Runs the Argon2 lane jobs libgcrypt hands out: queued as they come, then run on a few threads
// (the calling one included) when libgcrypt waits for them. A thread that cannot be started
// only means fewer helpers.
struct Jobs {
    unsigned threads = 1;
    std::vector<std::pair<gcry_kdf_job_fn_t, void*>> queue;

    static int dispatch(void* self, gcry_kdf_job_fn_t fn, void* priv) {
        auto* jobs = static_cast<Jobs*>(self);
        try {
            jobs->queue.emplace_back(fn, priv);
        } catch (...) {
            fn(priv);
        }
        return 0;
    }

    static int wait_all(void* self) {
        auto* jobs = static_cast<Jobs*>(self);
        std::atomic<std::size_t> next{0};
        auto work = [jobs, &next] {
            for (std::size_t i; (i = next.fetch_add(1)) < jobs->queue.size();)
                jobs->queue[i].first(jobs->queue[i].second);
        };
        std::vector<std::thread> helpers;
        std::size_t wanted = std::min<std::size_t>(jobs->threads, jobs->queue.size());
        try {
            helpers.reserve(wanted);
            for (std::size_t t = 1; t < wanted; ++t) helpers.emplace_back(work);
        } catch (...) {
        }
        work();
        for (auto& h : helpers) h.join();
        jobs->queue.clear();
        return 0;
    }
};

class KdfHandle {
  public:
    ~KdfHandle() {
        if (h_) gcry_kdf_close(h_);
    }
    gcry_kdf_hd_t* out() { return &h_; }
    gcry_kdf_hd_t get() const { return h_; }

  private:
    gcry_kdf_hd_t h_ = nullptr;
};

bool default_kdf(const std::uint8_t* key, std::uint8_t* mk) { return derive_master_key(key, mk); }

}  // namespace

void wipe(void* p, std::size_t n) {
    volatile std::uint8_t* v = static_cast<volatile std::uint8_t*>(p);
    while (n--) *v++ = 0;
}

bool init_crypto() {
    static const bool ok = [] {
        if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P))
            return gcry_check_version("1.10.0") != nullptr;
        if (!gcry_check_version("1.10.0")) return false;
        // The engine keeps its few secrets in ordinary memory and wipes them itself; the locked
        // pool needs privileges a desktop program does not have.
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    return ok;
}

bool derive_master_key(const std::uint8_t* key, std::uint8_t* mk, unsigned threads) {
    if (!init_crypto()) return false;
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    const unsigned long params[4] = {kMasterKeyBytes, kArgonPasses, kArgonMemoryKiB, kArgonLanes};
    KdfHandle kdf;
    if (gcry_kdf_open(kdf.out(), GCRY_KDF_ARGON2, GCRY_KDF_ARGON2ID, params, 4, key, kKeyBytes,
                      kSalt, 16, nullptr, 0, nullptr, 0))
        return false;
    Jobs jobs;
    jobs.threads = threads;
    gcry_kdf_thread_ops_t ops{&jobs, &Jobs::dispatch, &Jobs::wait_all};
    if (gcry_kdf_compute(kdf.get(), threads > 1 ? &ops : nullptr)) return false;
    return gcry_kdf_final(kdf.get(), kMasterKeyBytes, mk) == 0;
}

bool Cipher::open(int mode, const std::uint8_t* key, std::size_t key_len) {
    close();
    if (gcry_cipher_open(&h_, GCRY_CIPHER_AES256, mode, 0)) {
        h_ = nullptr;
        return false;
    }
    return gcry_cipher_setkey(h_, key, key_len) == 0;
}

void Cipher::close() {
    if (h_) gcry_cipher_close(h_);
    h_ = nullptr;
}

bool Mac::open(int algo, const std::uint8_t* key, std::size_t key_len) {
    close();
    if (gcry_mac_open(&h_, algo, 0, nullptr)) {
        h_ = nullptr;
        return false;
    }
    return gcry_mac_setkey(h_, key, key_len) == 0;
}

void Mac::close() {
    if (h_) gcry_mac_close(h_);
    h_ = nullptr;
}

Engine::Engine(Kdf kdf) : kdf_(kdf ? kdf : &default_kdf) {}

void Engine::forget() {
    ready_ = false;
    ecb_.close();
    ctr_.close();
    ff1_.close();
    gmac_.close();
    wipe(key_, sizeof key_);
    wipe(l_, sizeof l_);
    wipe(y0_, sizeof y0_);
}

Error Engine::prepare(const std::uint8_t* key) {
    if (ready_ && same_key(key, key_)) return Error::none;
    forget();  // before the derivation: its memory may be needed
    if (!init_crypto()) return Error::library;
    std::uint8_t k8[kKeyBytes];
    std::memcpy(k8, key, kKeyBytes);
    std::uint8_t mk[kMasterKeyBytes];
    Error e = kdf_(k8, mk) ? set_up(mk) : Error::derivation;
    wipe(mk, sizeof mk);
    if (e == Error::none) {
        std::memcpy(key_, k8, kKeyBytes);
        ready_ = true;
    } else {
        forget();
    }
    wipe(k8, sizeof k8);
    return e;
}

// Subkeys: the first n bytes of HMAC-SHA-256(MK, label || 0x01), one HKDF-Expand block each.
Error Engine::set_up(const std::uint8_t* mk) {
    Mac hmac;
    if (!hmac.open(GCRY_MAC_HMAC_SHA256, mk, kMasterKeyBytes)) return Error::library;
    auto expand = [&hmac](const char* label, std::uint8_t* out, std::size_t n) {
        const std::uint8_t one = 1;
        std::uint8_t t[32];
        std::size_t len = sizeof t;
        bool ok = gcry_mac_reset(hmac.get()) == 0 &&
                  gcry_mac_write(hmac.get(), label, std::strlen(label)) == 0 &&
                  gcry_mac_write(hmac.get(), &one, 1) == 0 &&
                  gcry_mac_read(hmac.get(), t, &len) == 0 && len == sizeof t;
        if (ok) std::memcpy(out, t, n);
        wipe(t, sizeof t);
        return ok;
    };
    std::uint8_t ke[32], kh[32], kf[32];
    bool ok = expand("Vaultrix-v1/KE", ke, 32) && expand("Vaultrix-v1/KH", kh, 32) &&
              expand("Vaultrix-v1/L", l_, 16) && expand("Vaultrix-v1/KF", kf, 32) &&
              ecb_.open(GCRY_CIPHER_MODE_ECB, ke, 32) && ctr_.open(GCRY_CIPHER_MODE_CTR, ke, 32) &&
              ff1_.open(GCRY_CIPHER_MODE_ECB, kf, 32) && gmac_.open(GCRY_MAC_GMAC_AES, kh, 32) &&
              gcry_cipher_encrypt(ff1_.get(), y0_, 16, kFf1P, 16) == 0;
    wipe(ke, sizeof ke);
    wipe(kh, sizeof kh);
    wipe(kf, sizeof kf);
    return ok ? Error::none : Error::library;
}

Error Engine::crypt(std::uint8_t* data, std::size_t n) { return transform(data, n, false); }

Error Engine::decrypt(std::uint8_t* data, std::size_t n) { return transform(data, n, true); }

Error Engine::transform(std::uint8_t* data, std::size_t n, bool inverse) {
    Error e = Error::none;
    if (!ready_) {
        e = Error::no_key;
    } else if (n == 8) {
        if (!narrow(data, inverse)) e = Error::cipher;
    } else if (n >= 16) {
        if (!wide(data, n, inverse)) e = Error::cipher;
    } else if (n != 0) {
        e = Error::bad_length;
    }
    if (e != Error::none && data && n) std::memset(data, 0, n);
    return e;
}

// H(X) = GMAC-AES-256 under KH with a zero 12-byte IV over "Vaultrix-hash-v1" || X.
bool Engine::hash_begin() {
    static const std::uint8_t iv[12] = {};
    return gcry_mac_reset(gmac_.get()) == 0 && gcry_mac_setiv(gmac_.get(), iv, sizeof iv) == 0 &&
           gcry_mac_write(gmac_.get(), kHashPrefix, 16) == 0;
}

bool Engine::hash_end(std::uint8_t* tag) {
    std::size_t len = 16;
    return gcry_mac_read(gmac_.get(), tag, &len) == 0 && len == 16;
}

bool Engine::hash(const std::uint8_t* x, std::size_t n, std::uint8_t* tag) {
    return hash_begin() && (n == 0 || gcry_mac_write(gmac_.get(), x, n) == 0) && hash_end(tag);
}

bool Engine::block(std::uint8_t* b, bool inverse) {
    return (inverse ? gcry_cipher_decrypt(ecb_.get(), b, 16, nullptr, 0)
                    : gcry_cipher_encrypt(ecb_.get(), b, 16, nullptr, 0)) == 0;
}

// The wide-block permutation over M (the first 16 bytes) and N (the rest):
//   crypt:    MM = M ^ H(N); UU = E(MM); S = MM ^ UU ^ L; V = N ^ CTR(S); U = UU ^ H(V)
//   decrypt:  UU = U ^ H(V); MM = D(UU); S = MM ^ UU ^ L; N = V ^ CTR(S); M = MM ^ H(N)
// Both directions hash the rest as it stands, then run the counter pass and hash its output.
bool Engine::wide(std::uint8_t* data, std::size_t n, bool inverse) {
    std::uint8_t* rest = data + 16;
    const std::size_t rest_len = n - 16;
    std::uint8_t h[16], mm[16], uu[16], s[16];
    bool ok = hash(rest, rest_len, h);
    if (ok && !inverse) {
        xor16(mm, data, h);
        std::memcpy(uu, mm, 16);
        ok = block(uu, false);
    } else if (ok) {
        xor16(uu, data, h);
        std::memcpy(mm, uu, 16);
        ok = block(mm, true);
    }
    if (ok) {
        xor16(s, mm, uu);
        xor16(s, s, l_);
        ok = gcry_cipher_setctr(ctr_.get(), s, 16) == 0 && hash_begin();
    }
    for (std::size_t at = 0; ok && at < rest_len; at += kChunk) {
        std::size_t len = std::min(kChunk, rest_len - at);
        ok = gcry_cipher_encrypt(ctr_.get(), rest + at, len, nullptr, 0) == 0 &&
             gcry_mac_write(gmac_.get(), rest + at, len) == 0;
    }
    if (ok) ok = hash_end(h);
    if (ok) xor16(data, inverse ? mm : uu, h);
    wipe(mm, 16);
    wipe(uu, 16);
    wipe(s, 16);
    wipe(h, 16);
    return ok;
}

// FF1 over radix 256 and 8 numerals: two 4-byte halves, ten Feistel rounds, each round function
// the last four bytes of R = AES_KF(Y0 ^ Q), Q = eleven zero bytes, the round, BE32 of a half.
bool Engine::narrow(std::uint8_t* data, bool inverse) {
    std::uint32_t a = load_be32(data), b = load_be32(data + 4);
    bool ok = true;
    auto round = [this, &ok](unsigned i, std::uint32_t half) {
        std::uint8_t r[16] = {};
        r[11] = std::uint8_t(i);
        store_be32(r + 12, half);
        xor16(r, r, y0_);
        ok = ok && gcry_cipher_encrypt(ff1_.get(), r, 16, nullptr, 0) == 0;
        std::uint32_t y = load_be32(r + 4);
        wipe(r, sizeof r);
        return y;
    };
    if (!inverse) {
        for (unsigned i = 0; i < kFf1Rounds; ++i) {
            std::uint32_t c = a + round(i, b);
            a = b;
            b = c;
        }
    } else {
        for (unsigned i = kFf1Rounds; i-- > 0;) {
            std::uint32_t c = b - round(i, a);
            b = a;
            a = c;
        }
    }
    if (ok) {
        store_be32(data, a);
        store_be32(data + 4, b);
    }
    return ok;
}

std::int32_t check_value(std::uint32_t fk, std::uint32_t sk, const std::uint8_t* data,
                         std::size_t words) {
    if (!init_crypto() || (!data && words)) return 0;
    gcry_md_hd_t md = nullptr;
    if (gcry_md_open(&md, GCRY_MD_SHA256, 0)) return 0;
    std::uint8_t head[8];
    store_le32(head, fk);
    store_le32(head + 4, sk);
    gcry_md_write(md, head, sizeof head);
    // In pieces, so that a word count near the top of a 32-bit size never overflows.
    for (std::size_t left = words; left > 0;) {
        std::size_t take = std::min<std::size_t>(left, std::size_t(1) << 20);
        gcry_md_write(md, data, take * 4);
        data += take * 4;
        left -= take;
    }
    const unsigned char* d = gcry_md_read(md, GCRY_MD_SHA256);
    std::uint32_t v = d ? std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8 |
                              std::uint32_t(d[2]) << 16 | std::uint32_t(d[3]) << 24
                        : 0;
    gcry_md_close(md);
    return static_cast<std::int32_t>(v);
}

}  // namespace valid
