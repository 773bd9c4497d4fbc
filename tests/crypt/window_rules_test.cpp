#include <gtest/gtest.h>

#include "crypt/window_rules.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "temp_dir.h"

namespace vx {
namespace {

using test::TempDir;
using test::write_file;

TEST(KeyCheck, AcceptsExactlyEightDecimalDigits) {
    const struct {
        const char* key;
        bool ok;
    } cases[] = {
        {"12345678", true},
        {"00000000", true},  // leading zeros are digits like any other
        {"1234567", false},
        {"123456789", false},
        {"1234567a", false},
        {"1234 678", false},
        {"-1234567", false},
        {"\xef\xbc\x91"
         "2345678",
         false},  // a full-width digit is no "0"-"9"
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(key_check(c.key), c.ok) << "'" << c.key << "'";
}

TEST(KeyCheck, WarnsWithTheModesOwnTexts) {
    for (bool crypting : {true, false}) {
        EXPECT_EQ(key_warning("", crypting), msg::no_key(crypting));
        EXPECT_EQ(key_warning("1234567", crypting), msg::key_not_8_digit(crypting));
        EXPECT_EQ(key_warning("1234567x", crypting), msg::key_not_8_digit(crypting));
        EXPECT_EQ(key_warning("01234567", crypting), std::nullopt);
    }
    EXPECT_NE(msg::no_key(true), msg::no_key(false));
    EXPECT_NE(msg::key_not_8_digit(true), msg::key_not_8_digit(false));
}

TEST(SourceWarning, MissingContainersAndFoldersCannotBeDecrypted) {
    TempDir dir;
    write_file(dir / "a.vx", "0         8");
    ASSERT_TRUE(fs::create_directory(dir / "folder.vx"));

    EXPECT_EQ(source_warning(dir / "a.vx"), std::nullopt);
    EXPECT_EQ(source_warning(dir / "none.vx"), msg::source_not_exists(dir / "none.vx"));
    EXPECT_EQ(source_warning(dir / "folder.vx"), msg::source_size_unknown(dir / "folder.vx"));
}

TEST(DefaultTarget, CryptingProposesAContainerBesideTheSelection) {
    TempDir dir;
    write_file(dir / "report.doc", "r");
    write_file(dir / "README", "r");
    write_file(dir / "archive.tar.gz", "a");
    ASSERT_TRUE(fs::create_directory(dir / "Work.2024"));
    const std::string sep(1, path::kSeparator);

    const struct {
        std::string path;
        std::size_t count;
        std::string target;
    } cases[] = {
        {dir / "report.doc", 1, dir / "report.vx"},
        {dir / "README", 1, dir / "README.vx"},
        {dir / "archive.tar.gz", 1, dir / "archive.tar.vx"},
        // A folder keeps its whole name, dots included, with or without its separator.
        {dir / "Work.2024", 1, dir / "Work.2024.vx"},
        {dir / "Work.2024" + sep, 1, dir / "Work.2024.vx"},
        {dir / "report.doc", 3, dir / "CryptedFiles.vx"},
        {dir / "Work.2024" + sep, 2, dir / "CryptedFiles.vx"},
        {dir / "report.doc", 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(default_target(c.path, c.count, true), c.target) << c.path << " x" << c.count;
    }
}

TEST(DefaultTarget, DecryptingProposesTheFolderOrASubfolderForSeveralItems) {
    TempDir dir;
    write_file(dir / "one.vx", "0         8rest");
    write_file(dir / "Several.vx", "1         8rest");
    write_file(dir / "empty.vx", "");
    const std::string folder = path::add_trailing_separator(dir.path());

    EXPECT_EQ(default_target(dir / "one.vx", 1, false), folder);
    EXPECT_EQ(default_target(dir / "Several.vx", 1, false),
              folder + "Several" + path::kSeparator);
    // A container that cannot be read counts as not marked.
    EXPECT_EQ(default_target(dir / "empty.vx", 1, false), folder);
    EXPECT_EQ(default_target(dir / "missing.vx", 1, false), folder);
    EXPECT_EQ(default_target(dir / "one.vx", 2, false), "");
    EXPECT_EQ(default_target(dir / "one.vx", 0, false), "");
}

}  // namespace
}  // namespace vx
