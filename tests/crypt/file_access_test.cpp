#include <gtest/gtest.h>

#include "crypt/file_access.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "temp_dir.h"

namespace vx {
namespace {

using test::bytes_of;
using test::read_file;
using test::TempDir;
using test::write_file;

TEST(WriteBuffer, CreatesTruncatesAppendsAndOverwrites) {
    TempDir dir;
    const std::string f = dir / "out.bin";

    EXPECT_TRUE(write_buffer(f, Buffer(), false, MoveMethod::begin, 0));
    EXPECT_TRUE(fs::exists(f)) << "an empty buffer with open-always still makes the file";
    EXPECT_EQ(read_file(f), "");

    EXPECT_TRUE(write_buffer(f, bytes_of("           "), false, MoveMethod::begin, 0));
    EXPECT_TRUE(write_buffer(f, bytes_of("BLOCK"), false, MoveMethod::end, 0));
    EXPECT_TRUE(write_buffer(f, bytes_of("1      4711"), false, MoveMethod::begin, 0));
    EXPECT_EQ(read_file(f), "1      4711BLOCK");

    EXPECT_TRUE(write_buffer(f, bytes_of("new"), true, MoveMethod::begin, 0));
    EXPECT_EQ(read_file(f), "new");
}

TEST(WriteBuffer, FailsWhereTheFileCannotBeMade) {
    TempDir dir;
    EXPECT_FALSE(write_buffer(dir / "missing/x.bin", bytes_of("x"), true, MoveMethod::begin, 0));
    EXPECT_FALSE(write_buffer(dir.path(), bytes_of("x"), false, MoveMethod::begin, 0));
}

TEST(ReadBuffer, WholeFilesAndPartsAtAnOffset) {
    TempDir dir;
    write_file(dir / "a", "0123456789");
    write_file(dir / "empty", "");

    Buffer b;
    EXPECT_TRUE(read_buffer(dir / "a", b, true, MoveMethod::begin, 0));
    EXPECT_EQ(b, bytes_of("0123456789"));

    Buffer e(3, 'x');
    EXPECT_TRUE(read_buffer(dir / "empty", e, true, MoveMethod::begin, 0));
    EXPECT_TRUE(e.empty());

    Buffer one(1);
    EXPECT_TRUE(read_buffer(dir / "a", one, false, MoveMethod::begin, 0));
    EXPECT_EQ(one[0], '0');
    Buffer tail(3);
    EXPECT_TRUE(read_buffer(dir / "a", tail, false, MoveMethod::end, -3));
    EXPECT_EQ(tail, bytes_of("789"));
    Buffer past(5);
    EXPECT_FALSE(read_buffer(dir / "a", past, false, MoveMethod::begin, 8)) << "only 2 bytes left";
}

TEST(ReadBuffer, RefusesAnEmptyBufferWithoutWholeAndMissingFiles) {
    TempDir dir;
    write_file(dir / "a", "abc");
    Buffer none;
    EXPECT_FALSE(read_buffer(dir / "a", none, false, MoveMethod::begin, 0));
    Buffer b;
    EXPECT_FALSE(read_buffer(dir / "missing", b, true, MoveMethod::begin, 0));
}

TEST(ReadPart, ReadsExactlyOrFails) {
    TempDir dir;
    write_file(dir / "a", "0123456789");
    Buffer b(4);
    EXPECT_TRUE(read_part(dir / "a", b, 6));
    EXPECT_EQ(b, bytes_of("6789"));
    Buffer past(4);
    EXPECT_FALSE(read_part(dir / "a", past, 7)) << "reaches past the end";
    Buffer nothing;
    EXPECT_TRUE(read_part(dir / "a", nothing, 0));
    EXPECT_FALSE(read_part(dir / "missing", b, 0));
}

TEST(FileSize, SizesAndNoSize) {
    TempDir dir;
    write_file(dir / "a", "0123456789");
    write_file(dir / "empty", "");
    EXPECT_EQ(file_size(dir / "a"), 10u);
    EXPECT_EQ(file_size(dir / "empty"), 0u);
    EXPECT_FALSE(file_size(dir / "missing").has_value());
    EXPECT_FALSE(file_size(dir.path()).has_value()) << "a folder has no file size";
}

TEST(FileAccess, SparseFileBeyondFourGiB) {
    TempDir dir;
    const std::string f = dir / "big.bin";
    const std::uint64_t offset = (4ull << 30) + 4096 + 17;
    {
        File w;
        ASSERT_TRUE(w.open(f, File::Access::write_exclusive, File::Disposition::create_always));
        ASSERT_TRUE(w.seek(static_cast<std::int64_t>(offset), File::Origin::begin));
        ASSERT_TRUE(w.write("far away", 8));
    }
    EXPECT_EQ(file_size(f), offset + 8);
    Buffer b(8);
    ASSERT_TRUE(read_part(f, b, offset));
    EXPECT_EQ(b, bytes_of("far away"));
    Buffer zeros(4);
    ASSERT_TRUE(read_part(f, zeros, offset - 4));
    EXPECT_EQ(zeros, Buffer(4, 0));
    Buffer whole;
    EXPECT_FALSE(read_buffer(f, whole, true, MoveMethod::begin, 0))
        << "a file past 4 GiB is never read whole under a cut size";
}

TEST(FileAccess, NonAsciiPaths) {
    TempDir dir;
    const std::string f = dir / "\xc3\xa9t\xc3\xa9-\xe2\x82\xac.vx";  // été-€.vx
    EXPECT_TRUE(write_buffer(f, bytes_of("euro"), true, MoveMethod::begin, 0));
    EXPECT_EQ(file_size(f), 4u);
    Buffer b;
    EXPECT_TRUE(read_buffer(f, b, true, MoveMethod::begin, 0));
    EXPECT_EQ(b, bytes_of("euro"));
}

}  // namespace
}  // namespace vx
