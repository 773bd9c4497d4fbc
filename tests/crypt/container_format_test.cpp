#include <gtest/gtest.h>

#include "crypt/container.h"
#include "platform/path.h"

namespace vx {
namespace {

TEST(ZeroPad, ToFourAndToEight) {
    const struct {
        std::size_t length, n, padded;
    } cases[] = {{0, 4, 0}, {3, 4, 4}, {4, 4, 4}, {5, 8, 8}, {8, 8, 8}, {9, 8, 16}, {1, 8, 8}};
    for (const auto& c : cases) {
        Buffer b(c.length, 0xEE);
        zero_pad(b, c.n);
        ASSERT_EQ(b.size(), c.padded) << c.length << " to " << c.n;
        for (std::size_t i = c.length; i < b.size(); ++i) EXPECT_EQ(b[i], 0);
    }
}

TEST(NumberText, WhatCountsAsANumber) {
    const struct {
        const char* text;
        bool number;
    } cases[] = {{"", true},    {"0", true},   {"4711", true}, {"-1", true},  {"-12", true},
                 {"-", false},  {"1-", false}, {"--1", false}, {" 1", false}, {"1.5", false},
                 {"a", false},  {"+1", false}, {"0x1", false}};
    for (const auto& c : cases) EXPECT_EQ(is_number_text(c.text), c.number) << '"' << c.text << '"';
}

TEST(NumberText, ValuesAndLimits) {
    EXPECT_EQ(number_value(""), 0);
    EXPECT_EQ(number_value("2147483647"), 2147483647);
    EXPECT_EQ(number_value("-2147483648"), INT32_MIN);
    EXPECT_EQ(number_value("-1101636134"), -1101636134);
    EXPECT_FALSE(number_value("2147483648").has_value());
    EXPECT_FALSE(number_value("x").has_value());
    EXPECT_EQ(unsigned_value("4294967295"), 4294967295u);
    EXPECT_EQ(unsigned_value("-1"), 4294967295u);
    EXPECT_FALSE(unsigned_value("4294967296").has_value());
    EXPECT_FALSE(unsigned_value("9999999999").has_value());
    EXPECT_EQ(trim_spaces("   42 "), "42");
    EXPECT_EQ(trim_spaces("          "), "");
}

TEST(ServiceRows, FixedWidthFields) {
    EXPECT_EQ(placeholder_row(), "           ");
    EXPECT_EQ(first_service_row(false, 8), "0         8");
    EXPECT_EQ(first_service_row(true, 4294967295u), "14294967295");
    EXPECT_EQ(second_service_row(16, 13, -1101636134), "        16        13-1101636134");
    EXPECT_EQ(second_service_row(8, 4, 1229267531), "         8         4 1229267531");
    EXPECT_EQ(second_service_row(0, 0, 0).size(), 31u);
}

TEST(InfoText, FolderAndThreeByteFile) {
    InfoTextBuilder info;
    info.next_number();
    info.add_folder("Work\\");
    info.next_number();
    info.add_block("Work\\a.txt", 3, 8, -5, false, false);
    EXPECT_EQ(info.text(),
              "0001"
              "1\r\nD\r\nWork\\\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
              "2\r\nF\r\nWork\\a.txt\r\n3\r\n8\r\n-5\r\n0\r\n0");
    EXPECT_EQ(info.text().substr(0, 5), "00011");
    EXPECT_EQ(info.entries(), 2u);
}

TEST(InfoText, BlocksOfOneFileShareTheirNumber) {
    InfoTextBuilder info;
    info.next_number();
    info.add_empty_file("empty");
    info.next_number();
    info.add_block("big", 10485760, 10485760, 1, true, false);
    info.add_block("big", 1, 8, 2, true, true);
    auto entries = entries_of(split_lines(info.text().substr(4)));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].number, "1");
    EXPECT_EQ(entries[0].kind, "F");
    EXPECT_EQ(entries[0].payload_length, "0");
    EXPECT_EQ(entries[1].number, "2");
    EXPECT_EQ(entries[2].number, "2");
    EXPECT_EQ(entries[2].payload_length, "1");
    EXPECT_EQ(entries[2].block_length, "8");
    EXPECT_EQ(entries[2].part_mark, "1");
    EXPECT_EQ(entries[2].compression_mark, "1");
    EXPECT_EQ(info.text().back(), '1') << "no CR LF after the last line";
}

TEST(InfoText, SplittingKeepsQuotesAndIgnoresATail) {
    InfoTextBuilder info;
    info.next_number();
    info.add_block("it's \"quoted\", isn't it.txt", 1, 8, 0, false, false);
    std::string rest = info.text().substr(4) + "\r\n3\r\nF";
    auto lines = split_lines(rest);
    EXPECT_EQ(lines.size(), 10u);
    auto entries = entries_of(lines);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, "it's \"quoted\", isn't it.txt");
    EXPECT_TRUE(split_lines("").empty());
    EXPECT_EQ(split_lines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(split_lines("a\rb\nc"), (std::vector<std::string>{"a\rb\nc"}));
}

TEST(StoredPaths, BackslashOnEveryPlatform) {
    std::string native = std::string("Work") + path::kSeparator + "a.txt";
    EXPECT_EQ(to_stored_path(native), "Work\\a.txt");
    EXPECT_EQ(from_stored_path("Work\\a.txt"), native);
    EXPECT_EQ(from_stored_path("Work\\"), std::string("Work") + path::kSeparator);
    if (path::kSeparator == '/') {
        EXPECT_FALSE(to_stored_path("odd\\name.txt").has_value())
            << "a POSIX name holding a backslash cannot be stored as it is";
    }
}

TEST(StoredPaths, OnlyNamesInsideTheTargetAreSafe) {
    const char* safe[] = {"a.txt",     "Work\\",       "Work\\a.txt", "Work\\sub\\",
                          "..hidden",  "a..b",         ".profile",    "it's \"q\".txt",
                          "\xc3\xa9t\xc3\xa9.txt", "Work/a.txt"};
    for (const char* p : safe) EXPECT_TRUE(is_safe_relative_path(p)) << p;
    const char* unsafe[] = {"",           "\\a",        "/a",           "C:\\a",
                            "a:b",        "..\\..\\evil.txt", "a\\..\\b", ".\\a",
                            "a\\.",       "a\\\\b",     "...",          " ",
                            "a/../b",     "\\\\server\\share\\x", "..",  "a\\\x01",
                            "Work\\\\",   "\\"};
    for (const char* p : unsafe) EXPECT_FALSE(is_safe_relative_path(p)) << p;
}

TEST(Limits, RowsStayBelowFourGiB) {
    EXPECT_TRUE(fits_format(0, 8));
    EXPECT_TRUE(fits_format(0xFFFFFFFFull - 42 - 8, 8));
    EXPECT_FALSE(fits_format(0xFFFFFFFFull - 42 - 7, 8));
    EXPECT_FALSE(fits_format(0x100000000ull, 0));
}

}  // namespace
}  // namespace vx
