// The engine's workings, linked in: how often a key is derived, and what a failed derivation
// leaves behind.
#include <gtest/gtest.h>

#include <cstring>

#include "engine.h"
#include "engine_support.h"

namespace valid {
namespace {

using vx::Buffer;

const std::uint8_t* bytes(const char* s) { return reinterpret_cast<const std::uint8_t*>(s); }

int derivations = 0;

bool counting_kdf(const std::uint8_t* key, std::uint8_t* mk) {
    ++derivations;
    return derive_master_key(key, mk);
}

// A fast stand-in: a master key made of the key bytes, failing for keys that start with '9'.
bool fake_kdf(const std::uint8_t* key, std::uint8_t* mk) {
    if (key[0] == '9') return false;
    for (std::size_t i = 0; i < kMasterKeyBytes; ++i) mk[i] = key[i % kKeyBytes];
    return true;
}

bool counting_fake_kdf(const std::uint8_t* key, std::uint8_t* mk) {
    ++derivations;
    return fake_kdf(key, mk);
}

TEST(Core, DerivesOnlyWhenTheKeyChanges) {
    derivations = 0;
    Engine e(&counting_kdf);
    ASSERT_EQ(e.prepare(bytes("12345678")), Error::none);
    ASSERT_EQ(e.prepare(bytes("12345678")), Error::none);
    EXPECT_EQ(derivations, 1);
    Buffer b(8, 0);
    ASSERT_EQ(e.crypt(b.data(), b.size()), Error::none);
    EXPECT_EQ(vx::test::hex(b), "b6339fa896014e91");
    ASSERT_EQ(e.prepare(bytes("12345678")), Error::none);
    EXPECT_EQ(derivations, 1);

    // One key is kept: a change derives, and so does a change back.
    derivations = 0;
    Engine f(&counting_fake_kdf);
    for (const char* key : {"11111111", "11111111", "22222222", "22222222", "11111111"})
        ASSERT_EQ(f.prepare(bytes(key)), Error::none) << key;
    EXPECT_EQ(derivations, 3);
}

// The lanes of the key derivation may run on any number of threads: the key is the same.
TEST(Core, MasterKeyDoesNotDependOnThreads) {
    std::uint8_t one[kMasterKeyBytes], four[kMasterKeyBytes];
    ASSERT_TRUE(derive_master_key(bytes("12345678"), one, 1));
    ASSERT_TRUE(derive_master_key(bytes("12345678"), four, 4));
    EXPECT_EQ(vx::test::hex(one, sizeof one),
              "bf01373e8f5102ad7d5dd37dd6a19cf9f565724a794e5721b74520895002f423");
    EXPECT_EQ(vx::test::hex(four, sizeof four), vx::test::hex(one, sizeof one));
}

TEST(Core, FailsClosed) {
    Engine e(&fake_kdf);
    auto crypt_fails = [&e](std::size_t size, Error expected) {
        SCOPED_TRACE(size);
        Buffer b(size, 0x5a);
        EXPECT_EQ(e.crypt(b.data(), b.size()), expected);
        EXPECT_EQ(b, Buffer(size, 0));
        b.assign(size, 0x5a);
        EXPECT_EQ(e.decrypt(b.data(), b.size()), expected);
        EXPECT_EQ(b, Buffer(size, 0));
    };
    // No key yet.
    EXPECT_FALSE(e.ready());
    crypt_fails(8, Error::no_key);
    crypt_fails(32, Error::no_key);

    ASSERT_EQ(e.prepare(bytes("12345678")), Error::none);
    Buffer b(32, 0x5a);
    EXPECT_EQ(e.crypt(b.data(), b.size()), Error::none);
    EXPECT_NE(b, Buffer(32, 0x5a));
    // Lengths with no transform.
    for (std::size_t size : {1, 7, 9, 15}) crypt_fails(size, Error::bad_length);

    // A failed derivation forgets the earlier key: nothing is crypted under a key not asked for.
    EXPECT_EQ(e.prepare(bytes("98765432")), Error::derivation);
    EXPECT_FALSE(e.ready());
    crypt_fails(8, Error::no_key);
    crypt_fails(32, Error::no_key);
    // And the earlier key is derived again when it comes back.
    EXPECT_EQ(e.prepare(bytes("12345678")), Error::none);
    EXPECT_TRUE(e.ready());
}

TEST(Core, CheckValueCoversParametersAndEveryWord) {
    const Buffer words = vx::test::sample(64, 11);
    const std::int32_t v = check_value(613, 2951, words.data(), 16);
    EXPECT_NE(check_value(614, 2951, words.data(), 16), v);
    EXPECT_NE(check_value(613, 2952, words.data(), 16), v);
    EXPECT_NE(check_value(613, 2951, words.data(), 15), v);
    Buffer changed = words;
    changed[63] ^= 1;
    EXPECT_NE(check_value(613, 2951, changed.data(), 16), v);
    EXPECT_EQ(check_value(613, 2951, Buffer(words).data(), 16), v);
}

}  // namespace
}  // namespace valid
