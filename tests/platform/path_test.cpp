#include <gtest/gtest.h>

#include "platform/path.h"

namespace vx {
namespace {

// Test paths are written with "/" and turned into the platform's separator.
std::string native(std::string p) {
    for (char& c : p) {
        if (c == '/') c = path::kSeparator;
    }
    return p;
}

struct PartsCase {
    const char* path;
    const char* folder;
    const char* name;
    const char* base;
    const char* ext;
};

TEST(Path, TakesPathsApart) {
    const PartsCase cases[] = {
        {"/docs/report.doc", "/docs/", "report.doc", "report", ".doc"},
        {"/docs/work/", "/docs/", "work", "work", ""},
        {"report.doc", "", "report.doc", "report", ".doc"},
        {"/docs/archive.tar.gz", "/docs/", "archive.tar.gz", "archive.tar", ".gz"},
        {"/docs/.profile", "/docs/", ".profile", ".profile", ""},
        {"/docs/README", "/docs/", "README", "README", ""},
        {"/a.b/file", "/a.b/", "file", "file", ""},
        {"/", "/", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(path::folder(native(c.path)), native(c.folder));
        EXPECT_EQ(path::name(native(c.path)), c.name);
        EXPECT_EQ(path::base_name(native(c.path)), c.base);
        EXPECT_EQ(path::extension(native(c.path)), c.ext);
    }
}

TEST(Path, TrailingSeparatorsAndJoining) {
    EXPECT_EQ(path::add_trailing_separator(native("/docs")), native("/docs/"));
    EXPECT_EQ(path::add_trailing_separator(native("/docs/")), native("/docs/"));
    EXPECT_EQ(path::remove_trailing_separator(native("/docs//")), native("/docs"));
    EXPECT_EQ(path::remove_trailing_separator(native("/")), native("/"));
    EXPECT_EQ(path::join(native("/docs"), "a.txt"), native("/docs/a.txt"));
    EXPECT_EQ(path::join(native("/docs/"), "a.txt"), native("/docs/a.txt"));
    EXPECT_EQ(path::join("", "a.txt"), "a.txt");
    EXPECT_TRUE(path::ends_with_separator(native("/docs/")));
    EXPECT_FALSE(path::ends_with_separator(native("/docs")));
}

TEST(Path, WindowsDrivesAndShares) {
    if (path::kSeparator != '\\') GTEST_SKIP() << "Windows paths only";
    EXPECT_EQ(path::folder("C:\\Docs\\a.txt"), "C:\\Docs\\");
    EXPECT_EQ(path::folder("C:/Docs/a.txt"), "C:/Docs/");
    EXPECT_EQ(path::folder("C:a.txt"), "C:");
    EXPECT_EQ(path::name("C:\\"), "");
    EXPECT_EQ(path::remove_trailing_separator("C:\\"), "C:\\");
    EXPECT_EQ(path::remove_trailing_separator("C:\\Docs\\"), "C:\\Docs");
    EXPECT_EQ(path::folder("\\\\server\\share\\x.vx"), "\\\\server\\share\\");
    EXPECT_EQ(path::name("\\\\server\\share\\"), "");
}

}  // namespace
}  // namespace vx
