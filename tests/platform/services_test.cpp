#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/mail.h"
#include "platform/path.h"
#include "platform/trash.h"
#include "temp_dir.h"

namespace vx {
namespace {

// The tests run with XDG_DATA_HOME in the build folder, so nothing lands in the user's own trash.
TEST(Trash, MovesFilesAndFoldersAway) {
    test::TempDir dir;
    test::write_file(dir / "a.txt", "a");
    ASSERT_TRUE(fs::create_directory(dir / "f"));
    test::write_file(dir / path::join("f", "b.txt"), "b");

    EXPECT_TRUE(fs::move_to_trash(dir / "a.txt"));
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
    EXPECT_TRUE(fs::move_to_trash(dir / "f"));
    EXPECT_FALSE(fs::exists(dir / "f"));
    EXPECT_FALSE(fs::move_to_trash(dir / "missing"));
}

TEST(Mail, TheSystemMailInterfaceIsThere) {
    if (path::kSeparator != '\\') GTEST_SKIP() << "the POSIX mail tool would open a window";
    test::TempDir dir;
    test::write_file(dir / "c.vx", "container");
    mail::Result r = mail::send(dir / "c.vx", "c.vx", 0);
    EXPECT_TRUE(r == mail::Result::sent || r == mail::Result::failed) << static_cast<int>(r);
}

}  // namespace
}  // namespace vx
