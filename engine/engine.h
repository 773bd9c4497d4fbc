#pragma once
// The cipher engine's inner workings, shared by the exported library and by the tests that link
// them statically. Every primitive (Argon2id, HMAC-SHA-256, AES-256, GMAC, SHA-256) comes from
// libgcrypt; this layer only puts them together.
//
//   key:     MK = Argon2id(8 key bytes, "Vaultrix-salt-v1", t 3, m 256 MiB, p 4, 32 bytes);
//            KE, KH, L, KF = HKDF-Expand-SHA-256(MK, "Vaultrix-v1/KE" ...).
//   8 bytes: FF1 over radix 256 with AES-256 key KF, empty tweak, 10 rounds.
//   longer:  a wide-block permutation (HCTR2 structure): GMAC-AES-256 key KH as the hash,
//            AES-256 key KE for the one block cipher call and the counter mode over the rest.
//   check:   the first four bytes of SHA-256(LE32 fk || LE32 sk || words), little-endian.
#include <gcrypt.h>

#include <cstddef>
#include <cstdint>

namespace valid {

constexpr std::size_t kKeyBytes = 8;
constexpr std::size_t kMasterKeyBytes = 32;

// What went wrong; 0 is success. The values are the engine's _ERR_ word.
enum class Error : std::uint32_t {
    none = 0,
    no_key = 1,      // no key has been prepared (or its preparation failed)
    derivation = 2,  // the key derivation failed, usually for want of memory
    library = 3,     // libgcrypt is missing something the engine needs
    cipher = 4,      // a libgcrypt call failed while crypting
    too_large = 5,   // the buffer cannot be addressed on this build
    bad_length = 6,  // 1-7 or 9-15 bytes: no transform is defined for them
};

// Makes libgcrypt ready once per process (unless the host program already did). False when the
// library is older than the engine needs.
bool init_crypto();

// MK = Argon2id over the 8 key bytes. Lanes run on up to 'threads' threads (0: as many as the
// machine has, at most 4); the result does not depend on it. False when it cannot be computed.
bool derive_master_key(const std::uint8_t* key, std::uint8_t* mk, unsigned threads = 0);
using Kdf = bool (*)(const std::uint8_t* key, std::uint8_t* mk);

// Overwrites memory in a way the compiler does not remove.
void wipe(void* p, std::size_t n);

// A libgcrypt handle, closed (and so wiped by libgcrypt) when the object goes.
class Cipher {
  public:
    Cipher() = default;
    ~Cipher() { close(); }
    Cipher(const Cipher&) = delete;
    Cipher& operator=(const Cipher&) = delete;
    bool open(int mode, const std::uint8_t* key, std::size_t key_len);
    void close();
    gcry_cipher_hd_t get() const { return h_; }

  private:
    gcry_cipher_hd_t h_ = nullptr;
};

class Mac {
  public:
    Mac() = default;
    ~Mac() { close(); }
    Mac(const Mac&) = delete;
    Mac& operator=(const Mac&) = delete;
    bool open(int algo, const std::uint8_t* key, std::size_t key_len);
    void close();
    gcry_mac_hd_t get() const { return h_; }

  private:
    gcry_mac_hd_t h_ = nullptr;
};

// One prepared key and the transforms under it. Holding a key costs a few libgcrypt handles; the
// derived material is wiped when the key is replaced, when a preparation fails, and at the end.
class Engine {
  public:
    explicit Engine(Kdf kdf = nullptr);
    ~Engine() { forget(); }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Prepares the 8 key bytes. Costs nothing when they are the key already prepared. On failure
    // no key is held any more: the earlier one is forgotten too.
    Error prepare(const std::uint8_t* key);
    bool ready() const { return ready_; }

    // Transforms n bytes in place (n = 0, 8, or 16 and more; n of 1-7 or 9-15 is refused). On any
    // failure the buffer is filled with zero bytes: plain data never stays where crypted data was
    // asked for.
    Error crypt(std::uint8_t* data, std::size_t n);
    Error decrypt(std::uint8_t* data, std::size_t n);

    void forget();

  private:
    Error set_up(const std::uint8_t* mk);
    Error transform(std::uint8_t* data, std::size_t n, bool inverse);
    bool hash(const std::uint8_t* x, std::size_t n, std::uint8_t* tag);
    bool hash_begin();
    bool hash_end(std::uint8_t* tag);
    bool block(std::uint8_t* b, bool inverse);
    bool wide(std::uint8_t* data, std::size_t n, bool inverse);
    bool narrow(std::uint8_t* data, bool inverse);

    Kdf kdf_;
    bool ready_ = false;
    std::uint8_t key_[kKeyBytes] = {};
    std::uint8_t l_[16] = {};
    std::uint8_t y0_[16] = {};
    Cipher ecb_;  // AES-256, key KE
    Cipher ctr_;  // AES-256-CTR, key KE
    Cipher ff1_;  // AES-256, key KF
    Mac gmac_;    // GMAC-AES-256, key KH
};

// The check value of 'words' 32-bit words at 'data' with the parameters fk and sk.
std::int32_t check_value(std::uint32_t fk, std::uint32_t sk, const std::uint8_t* data,
                         std::size_t words);

}  // namespace valid
