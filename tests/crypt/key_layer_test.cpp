#include <gtest/gtest.h>

#include <random>

#include "crypt/key_layer.h"

namespace vx {
namespace {

struct LayerCase {
    const char* what;
    std::string key;
    Buffer input;
    Buffer expected;
};

// Expected bytes worked out by hand: the table is made of two-digit pieces of the key's byte
// values in decimal, the walk starts at t[1], and the last byte is never changed.
TEST(KeyLayer, TableOfKeysAndBuffers) {
    const LayerCase cases[] = {
        {"8 digits: t = 49..56", "12345678", Buffer(10, 0),
         {0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x31, 0x32, 0x00}},
        {"leading zeros in the key", "00000009", Buffer(9, 0),
         {48, 48, 48, 48, 48, 48, 57, 48, 0}},
        {"odd key gets an 'a'", "abc", Buffer(5, 0), {98, 99, 97, 97, 0}},
        {"one character", "7", Buffer(4, 0), {97, 55, 97, 0}},
        {"one-digit byte values leave the table short", std::string("\x01\x02", 2), Buffer(3, 0),
         {0, 12, 0}},
        {"three-digit byte values", "\xc8\x64", Buffer(3, 0), {1, 20, 0}},
        {"xor over data", "12345678", {0xFF, 0x00, 0x32}, {0xCD, 0x33, 0x32}},
        {"one byte is unchanged", "12345678", {0xAB}, {0xAB}},
        {"empty is unchanged", "12345678", {}, {}},
    };
    CCodeStr layer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(layer.apply(c.input, c.key), c.expected);
    }
}

TEST(KeyLayer, TwiceGivesTheInputBackAndTheLastByteStays) {
    std::mt19937 rng(7);
    CCodeStr layer;
    for (std::size_t len : {2u, 7u, 8u, 9u, 1000u}) {
        Buffer b(len);
        for (auto& x : b) x = static_cast<std::uint8_t>(rng());
        Buffer once = layer.apply(b, "31415926");
        EXPECT_EQ(once.back(), b.back());
        EXPECT_NE(once, b);
        EXPECT_EQ(layer.apply(once, "31415926"), b);
    }
}

// Buffers longer than the table's repeat, where whole words are taken at a time: the same walk as
// byte by byte, across every word and repeat boundary, up to the unchanged last byte.
TEST(KeyLayer, LongBuffersKeepTheWalk) {
    struct Walk {
        std::string key;
        std::vector<int> table;  // t[0], t[1], ...
    };
    const Walk walks[] = {{"12345678", {49, 50, 51, 52, 53, 54, 55, 56}},
                          {"abc", {97, 98, 99, 97}},
                          {"1234567890", {49, 50, 51, 52, 53, 54, 55, 56, 57, 48}}};
    CCodeStr layer;
    for (const auto& w : walks) {
        for (std::size_t len : {31u, 32u, 33u, 63u, 64u, 65u, 81u, 161u, 1000u}) {
            SCOPED_TRACE(w.key + " over " + std::to_string(len));
            Buffer input(len);
            for (std::size_t i = 0; i < len; ++i) input[i] = static_cast<std::uint8_t>(i * 37);
            Buffer out = layer.apply(input, w.key);
            for (std::size_t i = 0; i + 1 < len; ++i) {
                const int t = w.table[(i + 1) % w.table.size()];
                ASSERT_EQ(out[i], static_cast<std::uint8_t>(input[i] ^ t)) << "byte " << i;
            }
            EXPECT_EQ(out.back(), input.back());
        }
    }
}

}  // namespace
}  // namespace vx
