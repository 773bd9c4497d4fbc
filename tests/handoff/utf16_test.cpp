#include <gtest/gtest.h>

#include "handoff/utf16.h"

namespace vx::handoff {
namespace {

TEST(HandoffUtf16, PathsComeBackAsTheyWent) {
    const char* texts[] = {
        "",
        "C:\\Docs\\it's \"q\".txt",
        "C:\\Dokumenty\\\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88",  // Czech
        "C:\\\xE6\x97\xA5\xE6\x9C\xAC\\\xE6\x96\x87\xE6\x9B\xB8",                   // CJK
        "C:\\\xF0\x9F\x98\x80\\x",  // a character past U+FFFF: a surrogate pair
        "\xEF\xBF\xBF\xF4\x8F\xBF\xBF",  // U+FFFF and U+10FFFF
    };
    for (const char* t : texts) {
        auto w = to_utf16(t);
        ASSERT_TRUE(w.has_value()) << t;
        EXPECT_EQ(to_utf8(*w), t);
    }
    EXPECT_EQ(to_utf16("\xF0\x9F\x98\x80")->size(), 2u);
    EXPECT_EQ(*to_utf16("\xC3\xA9"), u"\u00E9");
}

TEST(HandoffUtf16, MalformedUtf8IsRefused) {
    const char* texts[] = {
        "\x80",              // a continuation byte first
        "\xC3",              // cut short
        "\xE6\x97",          // cut short
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong "/"
        "\xED\xA0\x80",      // an encoded surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xFF",
        "a\xC3(",
    };
    for (const char* t : texts) EXPECT_FALSE(to_utf16(t).has_value()) << t;
}

TEST(HandoffUtf16, ALoneSurrogateBecomesTheReplacementCharacter) {
    const std::u16string lone[] = {u"a\xD800", u"\xDC00z", u"\xD800\xD800\xDC00"};
    EXPECT_EQ(to_utf8(lone[0]), "a\xEF\xBF\xBD");
    EXPECT_EQ(to_utf8(lone[1]), "\xEF\xBF\xBDz");
    EXPECT_EQ(to_utf8(lone[2]), "\xEF\xBF\xBD\xF0\x90\x80\x80");
}

}  // namespace
}  // namespace vx::handoff
