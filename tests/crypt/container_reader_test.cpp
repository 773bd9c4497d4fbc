#include <gtest/gtest.h>

#include "crypt/block_fetcher.h"
#include "crypt/container.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "golden.h"

namespace vx {
namespace {

using Open = ContainerReader::Open;

class Reader : public ::testing::Test {
protected:
    test::TempDir dir;
    CCodeStr layer;
    std::string file() const { return dir / "c.vx"; }

    Open open(const std::string& key = test::kKey) {
        ContainerReader reader(test::engine(), layer, key);
        return reader.open(file());
    }
};

TEST_F(Reader, OutcomesInTheOrderOfTheChecks) {
    struct Row {
        const char* what;
        std::string bytes;  // empty: crafted from 'info'
        std::string info;
        Open outcome;
    };
    const std::string spaces31(31, ' ');
    const Row rows[] = {
        {"too short for the first row", "0   ", "", Open::unreadable},
        {"D no number", "0   abc    " + spaces31, "", Open::service_row_1},
        {"D past the end", "0      9999" + spaces31, "", Open::unreadable},
        {"D wider than 32 bits", "09999999999" + spaces31, "", Open::service_row_1},
        {"C no number", "0         0" + std::string("       1.0") + std::string(21, ' '), "",
         Open::service_row_2},
        {"C negative", "0         0" + std::string("        -8         0          0"), "",
         Open::unreadable},
        {"C past the end", "0         0" + std::string("      4000         0          0"), "",
         Open::unreadable},
        {"T longer than C", "0         0" + std::string("         8        16          0") +
                                std::string(8, '\0'),
         "", Open::info_check},
        {"wrong check value", "0         0" + std::string("         8         4         17") +
                                  std::string(8, '\0'),
         "", Open::info_check},
        {"other version", "", "0002", Open::version},
        {"short version", "", "00", Open::version},
        {"no whole entry", "", "00011\r\nD", Open::no_entry},
        {"version only", "", "0001", Open::ok},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.bytes.empty()) {
            test::Crafted c;
            c.info_text = row.info;
            test::craft(file(), c);
        } else {
            test::write_file(file(), row.bytes);
        }
        EXPECT_EQ(open(), row.outcome);
    }
    fs::remove_file(file());
    EXPECT_EQ(open(), Open::missing);
}

TEST_F(Reader, AWrongKeyFailsTheInfoCheck) {
    test::Crafted c;
    c.info_text = "00011\r\nD\r\nx\\\r\n0\r\n0\r\n0\r\n0\r\n0";
    test::craft(file(), c);
    EXPECT_EQ(open(), Open::ok);
    EXPECT_EQ(open("12345679"), Open::info_check);
}

TEST_F(Reader, EntriesAreSoundOnlyWhenTheyFit) {
    test::Crafted c;
    c.blocks = {Buffer(16, 'x'), Buffer(5, 'y')};  // data area: 16 + 8 bytes
    test::craft(file(), c);
    ContainerReader reader(test::engine(), layer, test::kKey);
    ASSERT_EQ(reader.open(file()), Open::ok);
    ASSERT_EQ(reader.data_length(), 24u);
    const struct {
        const char* what;
        Entry e;
        std::uint64_t offset;
        bool sound;
    } rows[] = {
        {"first block", {"1", "F", "a", "16", "16", "0", "0", "0"}, 0, true},
        {"second block", {"2", "F", "b", "5", "8", "0", "0", "0"}, 16, true},
        {"payload past block", {"2", "F", "b", "9", "8", "0", "0", "0"}, 16, false},
        {"block past data", {"2", "F", "b", "5", "16", "0", "0", "0"}, 16, false},
        {"negative block", {"2", "F", "b", "5", "-8", "0", "0", "0"}, 16, false},
        {"lengths no number", {"2", "F", "b", "five", "8", "0", "0", "0"}, 16, false},
        {"empty file anywhere", {"3", "F", "e", "0", "0", "0", "0", "0"}, 24, true},
        {"folder", {"4", "D", "f\\", "0", "0", "0", "0", "0"}, 24, true},
        {"unsafe folder", {"4", "D", "..\\", "0", "0", "0", "0", "0"}, 24, false},
        {"unsafe file", {"1", "F", "C:\\a", "16", "16", "0", "0", "0"}, 0, false},
    };
    for (const auto& r : rows) EXPECT_EQ(reader.is_sound(r.e, r.offset), r.sound) << r.what;

    Buffer payload;
    Entry second{"2", "F", "b", "5", "8", "", "0", "0"};
    ASSERT_EQ(reader.read_block(second, 16, payload), ContainerReader::Block::ok);
    EXPECT_EQ(payload, Buffer(5, 'y'));
    second.check_value = std::to_string(padded_check_value(test::engine(), payload));
    EXPECT_TRUE(reader.check_matches(second, payload));
    second.check_value = "1";
    EXPECT_FALSE(reader.check_matches(second, payload));
    Entry bad{"2", "F", "b", "9", "8", "0", "0", "0"};
    EXPECT_EQ(reader.read_block(bad, 16, payload), ContainerReader::Block::damaged);
    // A folder has nothing stored, whatever its lengths say (found by the fuzz target).
    Entry folder{"3", "D", "f\\", "64", "-4", "0", "0", "0"};
    EXPECT_EQ(reader.read_block(folder, 16, payload), ContainerReader::Block::ok);
    EXPECT_TRUE(payload.empty());
}

// The run's read-ahead gives every entry its own block, whichever block was fetched before, and
// compares the check value only when asked to.
TEST_F(Reader, TheFetcherGivesEachEntryItsOwnBlock) {
    test::Crafted c;
    c.blocks = {Buffer(16, 'a'), Buffer(24, 'b'), Buffer(5, 'c')};  // at 0, 16, 40
    test::craft(file(), c);
    ContainerReader reader(test::engine(), layer, test::kKey);
    ASSERT_EQ(reader.open(file()), Open::ok);
    std::vector<Entry> entries = {{"1", "F", "a", "16", "16", "", "0", "0"},
                                  {"2", "F", "b", "24", "24", "", "0", "0"},
                                  {"3", "F", "c", "5", "8", "", "0", "0"}};
    const std::uint64_t offsets[] = {0, 16, 40};
    for (std::size_t k = 0; k < 2; ++k) {
        Buffer plain = c.blocks[k];
        entries[k].check_value = std::to_string(padded_check_value(test::engine(), plain));
    }
    entries[2].check_value = "1";  // damaged

    const struct {
        const char* what;
        int started;  // -1: nothing fetched before
        bool start_check;
        std::size_t taken;
        bool check, checked, check_ok;
    } rows[] = {
        {"the block fetched", 0, true, 0, true, true, true},
        {"another block than the one fetched", 0, true, 1, true, true, true},
        {"nothing fetched", -1, true, 1, true, true, true},
        {"fetched without the check, taken with it", 1, false, 1, true, true, true},
        {"a check value that differs", 2, true, 2, true, true, false},
        {"no check asked", 2, false, 2, false, false, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        BlockFetcher fetcher(reader);
        if (r.started >= 0) {
            const auto k = static_cast<std::size_t>(r.started);
            fetcher.start(k, entries[k], offsets[k], r.start_check);
        }
        Buffer payload;
        auto got = fetcher.take(r.taken, entries[r.taken], offsets[r.taken], r.check, payload);
        EXPECT_EQ(got.block, ContainerReader::Block::ok);
        EXPECT_EQ(payload, c.blocks[r.taken]);
        EXPECT_EQ(got.checked, r.checked);
        EXPECT_EQ(got.check_ok, r.check_ok);
    }
}

// The committed container decrypts to exactly its tree on every build: if this fails, a change
// broke every container ever written.
TEST(Golden, DecryptsToItsTree) {
    const std::string golden = path::join(fs::program_directory(), test::kGoldenName);
    ASSERT_TRUE(fs::exists(golden)) << golden;
    test::TempDir dir;
    test::FakeServices services;
    RunOwner owner = test::make_owner(services);
    test::ScriptedContext ctx;
    test::decrypt(owner, ctx, golden, dir.path(), false, test::kGoldenKey);
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_TRUE(ctx.boxes.empty());
    EXPECT_EQ(test::read_tree(dir.path()), test::golden_tree());
}

}  // namespace
}  // namespace vx
