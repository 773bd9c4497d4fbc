#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/library.h"
#include "temp_dir.h"

namespace vx {
namespace {

TEST(Library, LoadsFromTheProgramDirectoryAndResolvesSymbols) {
    Library lib;
    ASSERT_TRUE(lib.load_from_program_directory(Library::file_name("vxfixture")));
    using Fn = int (*)();
    auto fn = reinterpret_cast<Fn>(lib.symbol("vx_fixture_answer"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn(), 42);
    EXPECT_EQ(lib.symbol("vx_no_such_symbol"), nullptr);
    lib.release();
    EXPECT_FALSE(lib.loaded());
    EXPECT_EQ(lib.symbol("vx_fixture_answer"), nullptr);
}

TEST(Library, NeverLooksAnywhereButTheFolderNamed) {
    test::TempDir dir;
    Library lib;
    EXPECT_FALSE(lib.load(dir.path(), Library::file_name("vxfixture")));
    // Not from the working directory either.
    std::string before = fs::working_directory();
    ASSERT_TRUE(fs::set_working_directory(fs::program_directory()));
    EXPECT_FALSE(lib.load(dir.path(), Library::file_name("vxfixture")));
    fs::set_working_directory(before);
    EXPECT_FALSE(lib.load_from_program_directory(Library::file_name("vxmissing")));
}

TEST(Library, PlatformFileNames) {
    std::string n = Library::file_name("valid");
    EXPECT_TRUE(n == "valid.dll" || n == "libvalid.so") << n;
}

}  // namespace
}  // namespace vx
