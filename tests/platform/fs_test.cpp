#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "temp_dir.h"

namespace vx {
namespace {

using test::TempDir;
using test::write_file;

std::set<std::string> list(const std::string& folder) {
    std::set<std::string> names;
    fs::DirectoryReader reader;
    EXPECT_TRUE(reader.open(folder)) << folder;
    fs::DirEntry e;
    fs::DirectoryReader::Next n;
    while ((n = reader.next(e)) == fs::DirectoryReader::Next::entry) names.insert(e.name);
    EXPECT_EQ(n, fs::DirectoryReader::Next::end);
    return names;
}

TEST(Fs, AttributesOfFilesFoldersAndNothing) {
    TempDir dir;
    write_file(dir / "a.txt", "abc");
    ASSERT_TRUE(fs::create_directory(dir / "sub"));

    EXPECT_TRUE(fs::exists(dir / "a.txt"));
    EXPECT_FALSE(fs::is_directory(dir / "a.txt"));
    EXPECT_TRUE(fs::is_directory(dir / "sub"));
    EXPECT_TRUE(*fs::attributes(dir / "sub") & fs::kDirectory);
    EXPECT_FALSE(fs::attributes(dir / "missing").has_value());
    EXPECT_FALSE(fs::exists(""));
}

TEST(Fs, CreatesAndRemovesOneLevel) {
    TempDir dir;
    EXPECT_FALSE(fs::create_directory(dir / path::join("x", "y"))) << "parent missing";
    EXPECT_TRUE(fs::create_directory(dir / "x"));
    EXPECT_FALSE(fs::create_directory(dir / "x")) << "already there";
    write_file(dir / path::join("x", "f"), "1");
    EXPECT_FALSE(fs::remove_directory(dir / "x")) << "not empty";
    EXPECT_FALSE(fs::remove_file(dir / "x")) << "a folder is no file";
    EXPECT_TRUE(fs::remove_file(dir / path::join("x", "f")));
    EXPECT_FALSE(fs::remove_file(dir / path::join("x", "f")));
    EXPECT_TRUE(fs::remove_directory(dir / "x"));
    EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST(Fs, ListsEveryEntryAndTellsErrorsFromTheEnd) {
    TempDir dir;
    write_file(dir / "visible.txt", "");
    write_file(dir / ".hidden", "");
    ASSERT_TRUE(fs::create_directory(dir / "folder"));
    auto names = list(dir.path());
    names.erase(".");
    names.erase("..");
    EXPECT_EQ(names, (std::set<std::string>{".hidden", "folder", "visible.txt"}));

    fs::DirectoryReader reader;
    fs::DirEntry e;
    EXPECT_EQ(reader.next(e), fs::DirectoryReader::Next::error) << "not opened";
    EXPECT_FALSE(reader.open(dir / "missing"));
    EXPECT_EQ(reader.next(e), fs::DirectoryReader::Next::error);

    ASSERT_TRUE(reader.open(dir.path()));
    bool saw_folder = false;
    while (reader.next(e) == fs::DirectoryReader::Next::entry) {
        if (e.name == "folder") saw_folder = e.is_directory();
        if (e.name == "visible.txt") {
            EXPECT_FALSE(e.is_directory());
        }
    }
    EXPECT_TRUE(saw_folder);
}

TEST(Fs, NonAsciiNames) {
    TempDir dir;
    const std::string name = "Gr\xc3\xbc\xc3\x9f" "e-\xe6\x97\xa5\xe6\x9c\xac-\xd0\xb4.txt";  // Grüße-日本-д
    write_file(dir / name, "umlaut");
    EXPECT_TRUE(fs::exists(dir / name));
    EXPECT_EQ(test::read_file(dir / name), "umlaut");
    EXPECT_TRUE(list(dir.path()).count(name));
    EXPECT_TRUE(fs::remove_file(dir / name));
}

TEST(Fs, PathsLongerThan260Characters) {
    TempDir dir;
    std::string p = dir.path();
    for (int i = 0; i < 5; ++i) {
        p = path::join(p, std::string(60, static_cast<char>('a' + i)));
        ASSERT_TRUE(fs::create_directory(p)) << p.size();
    }
    ASSERT_GT(p.size(), 300u);
    std::string file = path::join(p, "deep.txt");
    write_file(file, "deep");
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(test::read_file(file), "deep");
    EXPECT_TRUE(list(p).count("deep.txt"));
}

TEST(Fs, ProcessPlaces) {
    EXPECT_TRUE(fs::environment_variable("PATH").has_value());
    EXPECT_FALSE(fs::environment_variable("VX_CERTAINLY_NOT_SET_4711").has_value());

    std::string program = fs::program_directory();
    EXPECT_TRUE(fs::is_directory(program)) << program;
    EXPECT_FALSE(path::ends_with_separator(program));
    EXPECT_TRUE(fs::is_directory(fs::temp_directory()));

    TempDir dir;
    std::string before = fs::working_directory();
    ASSERT_TRUE(fs::set_working_directory(dir.path()));
    write_file("here.txt", "x");
    EXPECT_TRUE(fs::exists(dir / "here.txt"));
    ASSERT_TRUE(fs::set_working_directory(before));
    EXPECT_EQ(fs::working_directory(), before);
    EXPECT_FALSE(fs::set_working_directory(dir / "missing"));
}

TEST(File, SeeksBeyondFourGiB) {
    TempDir dir;
    const std::uint64_t far = (5ull << 30) + 3;
    File f;
    ASSERT_TRUE(f.open(dir / "sparse", File::Access::write_exclusive,
                       File::Disposition::create_always));
    ASSERT_TRUE(f.seek(static_cast<std::int64_t>(far), File::Origin::begin));
    ASSERT_TRUE(f.write("tail", 4));
    EXPECT_EQ(f.size(), far + 4);
    f.close();

    ASSERT_TRUE(f.open(dir / "sparse", File::Access::read_shared, File::Disposition::open_existing));
    ASSERT_TRUE(f.seek(-4, File::Origin::end));
    char buf[8] = {};
    std::size_t got = 0;
    ASSERT_TRUE(f.read(buf, sizeof buf, got));
    EXPECT_EQ(std::string(buf, got), "tail");
}

TEST(File, RefusesFoldersAndMissingFiles) {
    TempDir dir;
    File f;
    EXPECT_FALSE(f.open(dir.path(), File::Access::read_shared, File::Disposition::open_existing));
    EXPECT_FALSE(f.open(dir / "missing", File::Access::read_shared,
                        File::Disposition::open_existing));
    EXPECT_FALSE(f.is_open());
    EXPECT_FALSE(f.size().has_value());
}

}  // namespace
}  // namespace vx
