// The binding, over the real engine and over stand-ins that break or bend the protocol.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "crypt/engine.h"
#include "engine_support.h"
#include "platform/fs.h"
#include "platform/library.h"
#include "platform/path.h"
#include "temp_dir.h"

namespace vx {
namespace {

constexpr char kKey[] = "12345678";

std::string fixture_folder(const std::string& name) {
    return path::join(fs::program_directory(), name);
}

class RealEngine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(engine.load(), CipherEngine::Status::ok); }
    Buffer crypted(Buffer b, const std::string& key = kKey) {
        EXPECT_TRUE(engine.crypt(b.data(), b.size(), key));
        return b;
    }
    Buffer decrypted(Buffer b, const std::string& key = kKey) {
        EXPECT_TRUE(engine.decrypt(b.data(), b.size(), key));
        return b;
    }
    CipherEngine engine;
};

TEST_F(RealEngine, RoundTrips) {
    for (std::size_t size : {8u, 16u, 24u, 40u, 4096u, 10485760u, 10485768u}) {
        SCOPED_TRACE(size);
        const Buffer plain = test::sample(size, static_cast<std::uint32_t>(size));
        const Buffer c = crypted(plain);
        EXPECT_NE(c, plain);
        EXPECT_EQ(crypted(plain), c);  // the same bytes give the same container bytes
        EXPECT_EQ(decrypted(c), plain);
    }
}

// One bit flipped anywhere changes about half of all bits on the other side, both ways.
TEST_F(RealEngine, OneFlippedBitChangesHalfOfEverything) {
    for (std::size_t size : {8u, 16u, 10485760u}) {
        const Buffer plain = test::sample(size, 99);
        const Buffer c = crypted(plain);
        const double bits = 8.0 * size;
        // Four standard deviations around one half, for a random permutation.
        const double tolerance = 4.0 * 0.5 / std::sqrt(bits);
        for (std::size_t at : {std::size_t(0), size / 2, size - 1}) {
            SCOPED_TRACE(testing::Message() << size << " bytes, byte " << at);
            Buffer c2 = c;
            c2[at] ^= at == 0 ? 0x01 : 0x80;
            EXPECT_NEAR(test::bit_distance(decrypted(c2), plain) / bits, 0.5, tolerance);
            Buffer p2 = plain;
            p2[at] ^= 0x10;
            EXPECT_NEAR(test::bit_distance(crypted(p2), c) / bits, 0.5, tolerance);
        }
    }
}

TEST_F(RealEngine, EachKeyIsItsOwnPermutation) {
    const Buffer plain = test::sample(64, 5);
    const Buffer first = crypted(plain, "12345678");
    const Buffer other = crypted(plain, "12345679");
    EXPECT_NEAR(test::bit_distance(first, other) / 512.0, 0.5, 0.1);
    EXPECT_NE(decrypted(first, "12345679"), plain);
    EXPECT_EQ(crypted(plain, "12345678"), first);
}

TEST(Binding, LibraryMissing) {
    test::TempDir empty;
    CipherEngine engine;
    EXPECT_EQ(engine.load(empty.path()), CipherEngine::Status::not_found);
    EXPECT_TRUE(engine.failed());
    // Nothing happens on a failed binding.
    Buffer b = test::sample(16, 1);
    const Buffer before = b;
    EXPECT_FALSE(engine.crypt(b.data(), b.size(), kKey));
    EXPECT_FALSE(engine.decrypt(b.data(), b.size(), kKey));
    EXPECT_EQ(b, before);
    EXPECT_EQ(engine.check_value(b.data(), b.size()), 0);

    const std::string name = CipherEngine::library_file_name();
    EXPECT_EQ(name, Library::file_name("valid"));
    EXPECT_EQ(CipherEngine::not_found_message(), "File '" + name + "' not found");
    EXPECT_EQ(CipherEngine::error_message(), "Error in '" + name + "'");
}

TEST(Binding, SymbolMissing) {
    CipherEngine engine;
    EXPECT_EQ(engine.load(fixture_folder("engine-partial")), CipherEngine::Status::broken);
    EXPECT_TRUE(engine.failed());
    Buffer b(8, 1);
    EXPECT_FALSE(engine.crypt(b.data(), b.size(), kKey));
    EXPECT_EQ(b, Buffer(8, 1));
    EXPECT_EQ(engine.check_value(b.data(), b.size()), 0);
    // A good library afterwards binds as usual.
    EXPECT_EQ(engine.load(), CipherEngine::Status::ok);
    EXPECT_FALSE(engine.failed());
}

// The stand-in keeps what it was handed; a second handle on the same file sees the same words.
TEST(Binding, FollowsTheCallProtocol) {
    CipherEngine engine;
    ASSERT_EQ(engine.load(fixture_folder("engine-plain")), CipherEngine::Status::ok);
    Library view;
    ASSERT_TRUE(view.load(fixture_folder("engine-plain"), CipherEngine::library_file_name()));
    auto word = [&view](const char* name) {
        return static_cast<std::uint32_t*>(view.symbol(name));
    };
    auto address = [&view](const char* name) {
        return *static_cast<std::uintptr_t*>(view.symbol(name));
    };

    Buffer b = test::sample(24, 3);
    const Buffer plain = b;
    const std::uint32_t calls = *word("fixture_sdk_calls");
    // Only the first 8 bytes of the key text count.
    EXPECT_TRUE(engine.crypt(b.data(), b.size(), "87654321 and more"));
    EXPECT_EQ(*word("fixture_sdk_calls"), calls + 1);
    EXPECT_EQ(std::memcmp(view.symbol("_ORK_"), "87654321", 8), 0);
    EXPECT_EQ(address("_DB_"), reinterpret_cast<std::uintptr_t>(b.data()));
    EXPECT_EQ(*word("_DBL_"), 3u);
    for (std::size_t i = 0; i < b.size(); ++i) EXPECT_EQ(b[i], plain[i] ^ "87654321"[i % 8]);
    EXPECT_TRUE(engine.decrypt(b.data(), b.size(), "87654321"));
    EXPECT_EQ(*word("fixture_sdk_calls"), calls + 2);
    EXPECT_EQ(b, plain);

    const Buffer words = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 9};  // the odd byte is no word
    EXPECT_EQ(engine.check_value(words.data(), words.size()), 613 * 10000 + 2951 + 6);
    EXPECT_EQ(address("_OMM_"), reinterpret_cast<std::uintptr_t>(words.data()));
    EXPECT_EQ(*word("_NBM_"), 3u);
    EXPECT_EQ(*word("_FK_"), 613u);
    EXPECT_EQ(*word("_SK_"), 2951u);

    engine.release();
    EXPECT_TRUE(engine.failed());
    EXPECT_FALSE(engine.crypt(b.data(), b.size(), kKey));
    EXPECT_EQ(b, plain);
}

// What the engine cannot be asked is refused, and the buffer holds zero bytes, not plain data.
TEST(Binding, RefusesShortKeysAndPartialUnits) {
    CipherEngine engine;
    ASSERT_EQ(engine.load(fixture_folder("engine-plain")), CipherEngine::Status::ok);
    struct Case {
        std::size_t size;
        std::string key;
    } cases[] = {{16, "1234567"}, {16, ""}, {12, kKey}, {17, kKey}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, key '" << c.key << "'");
        Buffer b(c.size, 0x5a);
        EXPECT_FALSE(engine.crypt(b.data(), b.size(), c.key));
        EXPECT_EQ(b, Buffer(c.size, 0));
        b.assign(c.size, 0x5a);
        EXPECT_FALSE(engine.decrypt(b.data(), b.size(), c.key));
        EXPECT_EQ(b, Buffer(c.size, 0));
    }
}

TEST(Binding, ReportsAnEngineThatCannotPrepareTheKey) {
    CipherEngine engine;
    ASSERT_EQ(engine.load(fixture_folder("engine-failing")), CipherEngine::Status::ok);
    Buffer b(16, 0x5a);
    EXPECT_FALSE(engine.crypt(b.data(), b.size(), kKey));
    EXPECT_EQ(b, Buffer(16, 0));
    EXPECT_FALSE(engine.failed());  // the binding stays; the run reports the engine's error
}

}  // namespace
}  // namespace vx
