#include <gtest/gtest.h>

#include "crypt/container.h"
#include "crypt/file_access.h"
#include "crypt/messages.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "run_support.h"

namespace vx {
namespace {

using test::Tree;

class CryptingRun : public ::testing::Test {
protected:
    test::TempDir dir;
    test::FakeServices services;
    RunOwner owner = test::make_owner(services);
    test::ScriptedContext ctx;

    std::string src(const std::string& rel = "") const { return dir / path::join("src", rel); }
    std::string target(const std::string& name = "out.vx") const { return dir / name; }

    void SetUp() override { ASSERT_TRUE(fs::create_directory(src())); }

    // A job for the owner's file list, as the window fills it.
    ProgressCrypting job_for(const std::string& t) {
        ProgressCrypting job;
        job.window = &owner;
        job.key = test::kKey;
        job.target = t;
        return job;
    }

    std::vector<Entry> entries_of(const std::string& container) {
        ContainerReader reader(test::engine(), owner.layer, test::kKey);
        EXPECT_EQ(reader.open(container), ContainerReader::Open::ok);
        return reader.entries();
    }
    // Nothing but the sources and what the test made itself is left in the test folder.
    void expect_no_container_left(const std::string& t) {
        EXPECT_FALSE(fs::exists(t));
        EXPECT_FALSE(fs::exists(temporary_target(t)));
    }
};

TEST_F(CryptingRun, FolderWithAThreeByteFileGivesTheDocumentedLayout) {
    test::make_tree(src(), {{"Work/", ""}, {"Work/a.txt", "abc"}});
    test::crypt(owner, ctx, {src("Work")}, target());
    ASSERT_EQ(owner.crypting_failed, 0u);

    std::string bytes = test::read_file(target());
    EXPECT_EQ(bytes.substr(0, 11), "0         8");
    std::string row2 = bytes.substr(19, 31);
    auto c = number_value(trim_spaces(row2.substr(0, 10)));
    auto t = number_value(trim_spaces(row2.substr(10, 10)));
    ASSERT_TRUE(c && t);
    EXPECT_EQ(*c % 8, 0);
    EXPECT_EQ(bytes.size(), 42u + 8u + static_cast<std::size_t>(*c));
    // The worked example of the format document, to the byte.
    EXPECT_EQ(bytes.size(), 130u);
    EXPECT_EQ(row2, "        80        73 2072039824");

    ContainerReader reader(test::engine(), owner.layer, test::kKey);
    ASSERT_EQ(reader.open(target()), ContainerReader::Open::ok);
    EXPECT_EQ(reader.info_text().substr(0, 5), "00011");
    EXPECT_EQ(static_cast<std::size_t>(*t), reader.info_text().size());
    const std::string cv = "-1773660000";  // the check value of "abc" padded to 4
    EXPECT_EQ(reader.lines(), (std::vector<std::string>{"1", "D", "Work\\", "0", "0", "0", "0", "0",
                                                        "2", "F", "Work\\a.txt", "3", "8", cv, "0",
                                                        "0"}));
}

TEST_F(CryptingRun, BlockBoundariesEmptyFilesAndPadding) {
    test::make_tree(src(), {{"d/", ""},
                            {"d/empty", ""},
                            {"d/one", "x"},
                            {"d/sixteen", "0123456789abcdef"},
                            {"d/exact", test::noise(kBlockSize, 1)},
                            {"d/over", test::noise(kBlockSize + 1, 2)}});
    test::crypt(owner, ctx, {src("d")}, target());
    ASSERT_EQ(owner.crypting_failed, 0u);
    std::map<std::string, std::vector<Entry>> by_name;
    for (const auto& e : entries_of(target())) by_name[e.path].push_back(e);

    ASSERT_EQ(by_name["d\\empty"].size(), 1u);
    const Entry& empty = by_name["d\\empty"][0];
    EXPECT_EQ(empty.kind, "F");
    EXPECT_EQ(empty.payload_length + empty.block_length + empty.check_value + empty.part_mark +
                  empty.compression_mark,
              "00000");

    EXPECT_EQ(by_name["d\\one"][0].block_length, "8");
    EXPECT_EQ(by_name["d\\sixteen"][0].block_length, "16") << "no padding when already whole";

    ASSERT_EQ(by_name["d\\exact"].size(), 1u);
    EXPECT_EQ(by_name["d\\exact"][0].part_mark, "0");
    EXPECT_EQ(by_name["d\\exact"][0].block_length, "10485760");

    const auto& over = by_name["d\\over"];
    ASSERT_EQ(over.size(), 2u);
    EXPECT_EQ(over[0].number, over[1].number);
    EXPECT_EQ(over[0].payload_length, "10485760");
    EXPECT_EQ(over[1].payload_length, "1");
    EXPECT_EQ(over[0].block_length, "10485760");
    EXPECT_EQ(over[1].block_length, "8");
    EXPECT_EQ(over[0].part_mark + over[1].part_mark, "11");
}

TEST_F(CryptingRun, SeveralEntriesMark) {
    test::make_tree(src(), {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"f/", ""}, {"f/x", "4"}, {"f/y", "5"}});
    test::crypt(owner, ctx, {src("a"), src("b"), src("c")}, target("three.vx"));
    test::crypt(owner, ctx, {src("f")}, target("folder.vx"));
    EXPECT_EQ(test::read_file(target("three.vx"))[0], '1');
    EXPECT_EQ(test::read_file(target("folder.vx"))[0], '0');
}

TEST_F(CryptingRun, LargeFileReportsEachBlockAtOnePosition) {
    test::make_tree(src(), {{"big.bin", test::noise(25 * 1048576, 3)}});
    test::crypt(owner, ctx, {src("big.bin")}, target());
    ASSERT_EQ(owner.crypting_failed, 0u);
    const std::string head = "Crypting file 1 of 1: " + src("big.bin");
    EXPECT_EQ(test::texts(ctx), (std::vector<std::string>{
                                    "Selecting file: " + src("big.bin"), "Preparing...", head,
                                    head + " (10.00 of 25.00 MB)", head + " (20.00 of 25.00 MB)",
                                    head + " (25.00 of 25.00 MB)", "Crypting completed"}));
    std::vector<int> positions;
    for (const auto& r : ctx.reports) {
        if (r.position >= 0) positions.push_back(r.position);
    }
    EXPECT_EQ(positions, (std::vector<int>{0, 0, 100}));
    auto entries = entries_of(target());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].number, "1");
    EXPECT_EQ(entries[2].number, "1");
}

TEST_F(CryptingRun, OnlyFoldersAndEmptyFilesIsACriticalError) {
    test::make_tree(src(), {{"f/", ""}, {"f/empty", ""}, {"f/sub/", ""}});
    test::crypt(owner, ctx, {src("f")}, target());
    EXPECT_EQ(owner.crypting_failed, 1u);
    ASSERT_EQ(ctx.boxes.size(), 1u);
    EXPECT_EQ(ctx.boxes[0].text, msg::critical_error());
    EXPECT_EQ(ctx.boxes[0].caption, "Error");
    EXPECT_EQ(ctx.boxes[0].type, 0x30u);
    expect_no_container_left(target());
}

TEST_F(CryptingRun, FailureRows) {
    test::make_tree(src(), {{"a.txt", "abc"}});
    struct Row {
        const char* what;
        std::vector<std::string> list;
        std::string target;
        std::string text;
        Owner owner;
    };
    const std::string missing_folder = dir / path::join("nowhere", "out.vx");
    const Row rows[] = {
        {"missing item", {src("a.txt"), src("gone.txt")}, target(), msg::path_not_found(src("gone.txt")),
         Owner::progress_dialog},
        {"target cannot be made", {src("a.txt")}, missing_folder, msg::not_saved(missing_folder),
         Owner::main_window},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        test::ScriptedContext c;
        owner.file_list = row.list;
        ProgressCrypting job = job_for(row.target);
        crypting_run(c, job);
        EXPECT_EQ(owner.crypting_failed, 1u);
        ASSERT_EQ(c.boxes.size(), 1u);
        EXPECT_EQ(c.boxes[0].text, row.text);
        EXPECT_EQ(c.boxes[0].caption, "Warning");
        EXPECT_EQ(c.boxes[0].type, 0x30u);
        EXPECT_EQ(c.boxes[0].owner, row.owner);
        expect_no_container_left(row.target);
    }
}

// The file shrinks while it is crypted: its second block can no longer be read.
class ShrinkingContext : public test::ScriptedContext {
public:
    std::string file;
    std::string when;

protected:
    void show_text(const std::string& text) override {
        ScriptedContext::show_text(text);
        if (!when.empty() && text.find(when) != std::string::npos) {
            test::write_file(file, test::noise(15 * 1048576, 9));
            when.clear();
        }
    }
};

TEST_F(CryptingRun, BlockThatCannotBeReadFailsTheRun) {
    test::make_tree(src(), {{"big.bin", test::noise(25 * 1048576, 4)}});
    ShrinkingContext c;
    c.file = src("big.bin");
    c.when = "(20.00 of 25.00 MB)";
    test::crypt(owner, c, {src("big.bin")}, target());
    EXPECT_EQ(owner.crypting_failed, 1u);
    EXPECT_EQ(c.box_texts(), std::vector<std::string>{msg::part_not_read(src("big.bin"))});
    expect_no_container_left(target());
}

TEST_F(CryptingRun, ReplaceAnsweredYesNoAndUndeletable) {
    test::make_tree(src(), {{"a.txt", "new"}});
    test::write_file(target(), "old container");

    ctx.answers = {Answer::no};
    test::crypt(owner, ctx, {src("a.txt")}, target());
    EXPECT_EQ(owner.crypting_failed, 1u);
    EXPECT_EQ(owner.crypting_declined, 1u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>{msg::target_exists(target())});
    EXPECT_EQ(ctx.boxes[0].caption, "Attention");
    EXPECT_EQ(ctx.boxes[0].type, 0x134u);
    EXPECT_EQ(test::read_file(target()), "old container");
    EXPECT_FALSE(fs::exists(temporary_target(target())));

    test::ScriptedContext yes;
    yes.answers = {Answer::yes};
    test::crypt(owner, yes, {src("a.txt")}, target());
    EXPECT_EQ(owner.crypting_failed, 0u);
    EXPECT_EQ(owner.crypting_declined, 0u);
    EXPECT_EQ(entries_of(target()).size(), 1u);

    // A folder in the target's place cannot be replaced: asked again until No.
    ASSERT_TRUE(fs::create_directory(target("taken.vx")));
    test::write_file(dir / path::join("taken.vx", "keep"), "k");
    test::ScriptedContext stuck;
    stuck.answers = {Answer::yes, Answer::yes, Answer::no};
    test::crypt(owner, stuck, {src("a.txt")}, target("taken.vx"));
    EXPECT_EQ(owner.crypting_declined, 1u);
    EXPECT_EQ(stuck.box_texts(),
              (std::vector<std::string>{msg::target_exists(target("taken.vx")),
                                        msg::old_target_not_deleted(target("taken.vx")),
                                        msg::old_target_not_deleted(target("taken.vx"))}));
    EXPECT_EQ(test::read_file(dir / path::join("taken.vx", "keep")), "k");
    EXPECT_FALSE(fs::exists(temporary_target(target("taken.vx"))));
}

TEST_F(CryptingRun, CancelledRunLeavesTheOldTargetAndNoDebris) {
    test::make_tree(src(), {{"big.bin", test::noise(25 * 1048576, 5)}, {"b.txt", "b"}});
    test::write_file(target(), "old container");
    ctx.answers = {Answer::yes};
    ctx.stop_after_reports(6);  // during the big file's blocks
    test::crypt(owner, ctx, {src("big.bin"), src("b.txt")}, target());
    EXPECT_EQ(owner.crypting_failed, 1u);
    EXPECT_EQ(test::read_file(target()), "old container");
    EXPECT_FALSE(fs::exists(temporary_target(target())));
}

TEST_F(CryptingRun, DeletePhaseRetriesUntilNo) {
    test::make_tree(src(), {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
    services.refuse = {src("b.txt")};
    ctx.answers = {Answer::yes, Answer::yes, Answer::no};
    owner.file_list.clear();
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) owner.file_list.push_back(src(n));
    owner.several_entries = 1;
    ProgressCrypting job = job_for(target());
    job.delete_sources = 1;
    crypting_run(ctx, job);
    EXPECT_EQ(owner.crypting_failed, 0u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>(3, msg::source_not_deleted(src("b.txt"))));
    EXPECT_EQ(services.trashed, (std::vector<std::string>{src("a.txt"), src("c.txt")}));
    EXPECT_TRUE(fs::exists(src("b.txt")));
    auto t = test::texts(ctx);
    EXPECT_EQ(t[t.size() - 2], "Deleting file 3 of 3: " + src("c.txt"));
    EXPECT_EQ(t.back(), "Crypting and deleting completed");
    EXPECT_NE(std::find(t.begin(), t.end(), "Verifying file 2 of 3: " + src("b.txt")), t.end());
}

TEST_F(CryptingRun, FolderDeletedFirstTakesItsContentsAlong) {
    test::make_tree(src(), {{"f/", ""}, {"f/a", "1"}, {"f/g/", ""}, {"f/g/b", "2"}});
    owner.file_list.clear();
    add_path(owner.file_list, ctx, src("f"), true);
    ProgressCrypting job = job_for(target());
    job.delete_sources = 1;
    crypting_run(ctx, job);
    EXPECT_EQ(owner.crypting_failed, 0u);
    EXPECT_EQ(services.trashed, std::vector<std::string>{path::add_trailing_separator(src("f"))});
    EXPECT_FALSE(fs::exists(src("f")));
}

TEST_F(CryptingRun, VerificationCatchesADamagedContainerBeforeDeleting) {
    test::make_tree(src(), {{"a.txt", test::noise(5000, 6)}});
    owner.file_list = {src("a.txt")};
    ProgressCrypting job = job_for(target());
    job.delete_sources = 1;
    job.before_verify = [](const std::string& t) { test::flip_bit(t, 11 + 100); };
    crypting_run(ctx, job);
    EXPECT_EQ(owner.crypting_failed, 1u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>{msg::not_verified(target())});
    EXPECT_TRUE(services.trashed.empty());
    EXPECT_TRUE(fs::exists(src("a.txt")));
}

TEST_F(CryptingRun, EmailPhase) {
    test::make_tree(src(), {{"a.txt", "abc"}});
    struct Row {
        Services::Mail result;
        std::string box;  // empty: none
    };
    const Row rows[] = {
        {Services::Mail::sent, ""},
        {Services::Mail::library_missing, msg::mail_library_missing(target())},
        {Services::Mail::function_missing, msg::mail_function_missing(target())},
        {Services::Mail::failed, msg::mail_failed(target())},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.box);
        fs::remove_file(target());
        services.mail_result = row.result;
        services.mailed.clear();
        test::ScriptedContext c;
        owner.file_list = {src("a.txt")};
        ProgressCrypting job = job_for(target());
        job.email = 1;
        crypting_run(c, job);
        EXPECT_EQ(owner.crypting_failed, 0u) << "the container is done either way";
        EXPECT_EQ(services.mailed, std::vector<std::string>{target()});
        EXPECT_EQ(services.subject, "out.vx");
        auto t = test::texts(c);
        if (row.box.empty()) {
            EXPECT_TRUE(c.boxes.empty());
            EXPECT_EQ(t.back(), "Crypting and emailing completed");
            EXPECT_FALSE(fs::exists(target()));
        } else {
            EXPECT_EQ(c.box_texts(), std::vector<std::string>{row.box});
            EXPECT_EQ(t.back(), "Crypting completed. Emailing failed");
            EXPECT_TRUE(fs::exists(target()));
        }
        EXPECT_EQ(t[t.size() - 2], "Emailing file: " + target());
    }
}

TEST_F(CryptingRun, NamesThatCannotBeStoredAreRefused) {
    if (path::kSeparator != '/') GTEST_SKIP() << "a backslash is a separator here";
    test::make_tree(src(), {{"odd\\name.txt", "x"}});
    test::crypt(owner, ctx, {src("odd\\name.txt")}, target());
    EXPECT_EQ(owner.crypting_failed, 1u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>{msg::name_not_storable(src("odd\\name.txt"))});
    expect_no_container_left(target());
}

}  // namespace
}  // namespace vx
