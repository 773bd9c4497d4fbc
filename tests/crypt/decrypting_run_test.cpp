#include <gtest/gtest.h>

#include "crypt/container.h"
#include "crypt/messages.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "run_support.h"

namespace vx {
namespace {

using test::Tree;

class DecryptingRun : public ::testing::Test {
protected:
    test::TempDir dir;
    test::FakeServices services;
    RunOwner owner = test::make_owner(services);
    test::ScriptedContext ctx;

    std::string src(const std::string& rel = "") const { return dir / path::join("src", rel); }
    std::string out(const std::string& rel = "") const { return dir / path::join("out", rel); }
    std::string container() const { return dir / "c.vx"; }
    // The target folder as the run writes it: with the separator at its end.
    std::string td() const { return path::add_trailing_separator(out()); }

    void SetUp() override { ASSERT_TRUE(fs::create_directory(src())); }

    // Crypts the tree under src/d and returns the tree as it should come out.
    Tree crypt_tree(const Tree& tree, bool zip = false) {
        test::make_tree(src(), tree);
        test::ScriptedContext c;
        test::crypt(owner, c, {src("d")}, container(), zip);
        EXPECT_EQ(owner.crypting_failed, 0u);
        EXPECT_TRUE(c.boxes.empty());
        return tree;
    }
    std::string entry_path(const std::string& rel) const {
        return td() + from_stored_path(to_stored_path(path::join("d", rel)).value());
    }
};

const Tree kSmall = {{"d/", ""}, {"d/a.txt", "alpha"}, {"d/b.txt", "bravo"}, {"d/c.txt", "charlie"}};

TEST_F(DecryptingRun, RoundTripOfATree) {
    Tree tree = crypt_tree({{"d/", ""},
                            {"d/empty", ""},
                            {"d/one", "1"},
                            {"d/sub/", ""},
                            {"d/sub/deeper/", ""},
                            {"d/sub/deeper/exact", test::noise(kBlockSize, 11)},
                            {"d/sub/over", test::noise(kBlockSize + 1, 12)},
                            {"d/sub/big", test::noise(25 * 1048576, 13)},
                            {"d/it's here.txt", "q"}});
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_TRUE(ctx.boxes.empty());
    EXPECT_EQ(test::read_tree(out()), tree);
    EXPECT_EQ(test::texts(ctx).back(), "Decryption completed");
    EXPECT_TRUE(fs::exists(container()));
}

TEST_F(DecryptingRun, RoundTripCompressed) {
    Tree tree = crypt_tree({{"d/", ""},
                            {"d/empty", ""},
                            {"d/text", test::text_bytes(kBlockSize + 4000)},
                            {"d/noise", test::noise(3000, 14)}},
                           true);
    ContainerReader reader(test::engine(), owner.layer, test::kKey);
    ASSERT_EQ(reader.open(container()), ContainerReader::Open::ok);
    EXPECT_LT(reader.data_length(), 1000000u) << "the text compresses";
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>{});
    EXPECT_EQ(test::read_tree(out()), tree);
}

TEST_F(DecryptingRun, MissingContainerMakesNothing) {
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>{msg::m1_missing(container())});
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(DecryptingRun, WrongKeyMakesNothing) {
    crypt_tree(kSmall);
    test::decrypt(owner, ctx, container(), out(), false, "87654321");
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>{msg::m5_info_check(container())});
    EXPECT_EQ(ctx.boxes[0].caption, "Warning");
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(DecryptingRun, HeaderChecks) {
    struct Row {
        const char* what;
        std::string bytes;  // empty: crafted from 'info'
        std::string info;
        std::string box;    // empty: none
    };
    const std::string cp = container();
    const Row rows[] = {
        {"truncated", "0", "", msg::m2_unreadable(cp)},
        {"D is no number", "0      12x3" + std::string(40, ' '), "", msg::m3_service_row_1(cp)},
        {"row 2 is no number", "0         0" + std::string(10, ' ') + "        x8" +
                                   std::string(11, ' ') + std::string(8, '\0'),
         "", msg::m4_service_row_2(cp)},
        {"other version", "", "00021\r\nD\r\nx\\\r\n0\r\n0\r\n0\r\n0\r\n0", msg::m6_version(cp)},
        {"no whole entry", "", "00011\r\nD\r\nx\\", msg::m7_no_entry(cp)},
        {"only the version", "", "0001", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        test::remove_tree(out());
        if (row.bytes.empty()) {
            test::Crafted c;
            c.info_text = row.info;
            test::craft(cp, c);
        } else {
            test::write_file(cp, row.bytes);
        }
        test::ScriptedContext c;
        test::decrypt(owner, c, cp, out());
        if (row.box.empty()) {
            EXPECT_TRUE(c.boxes.empty());
            EXPECT_EQ(owner.decrypting_failed, 0u);
            EXPECT_TRUE(fs::is_directory(out())) << "only the target folder";
            EXPECT_TRUE(test::read_tree(out()).empty());
        } else {
            EXPECT_EQ(c.box_texts(), std::vector<std::string>{row.box});
            EXPECT_EQ(owner.decrypting_failed, 1u);
            EXPECT_FALSE(fs::exists(out()));
        }
    }
}

TEST_F(DecryptingRun, FirstServiceRowOfTenSpacesPasses) {
    test::Crafted c;
    c.info_text = "00011\r\nD\r\nonly\\\r\n0\r\n0\r\n0\r\n0\r\n0";
    test::craft(container(), c);
    std::string bytes = test::read_file(container());
    ASSERT_EQ(bytes.substr(1, 10), "         0");
    bytes.replace(1, 10, std::string(10, ' '));
    test::write_file(container(), bytes);
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_EQ(test::read_tree(out()), (Tree{{"only/", ""}}));
}

TEST_F(DecryptingRun, ExistingTargetsYesYesToAllAndNo) {
    crypt_tree(kSmall);
    ASSERT_TRUE(fs::create_directory(out()));
    test::make_tree(out(), {{"d/", ""}, {"d/a.txt", "old a"}, {"d/b.txt", "old b"}, {"d/c.txt", "old c"}});

    // Yes replaces one; the others are asked again.
    ctx.yes_to_all_answers = {YesToAll::yes, YesToAll::no, YesToAll::no};
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_EQ(ctx.prompts.size(), 3u);
    EXPECT_EQ(ctx.prompts[0].caption, "Attention");
    for (const auto& prompt : ctx.prompts) {
        EXPECT_TRUE(prompt.text == msg::m10_exists(entry_path("a.txt")) ||
                    prompt.text == msg::m10_exists(entry_path("b.txt")) ||
                    prompt.text == msg::m10_exists(entry_path("c.txt")))
            << prompt.text;
    }
    int replaced = 0;
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) {
        if (test::read_file(entry_path(n)).rfind("old", 0) != 0) ++replaced;
    }
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(ctx.box_texts().size(), 2u) << "two refusals";

    // Yes to all on the first: the rest are replaced without a question.
    test::ScriptedContext all;
    all.yes_to_all_answers = {YesToAll::yes_to_all};
    test::decrypt(owner, all, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_EQ(all.prompts.size(), 1u);
    EXPECT_EQ(test::read_tree(out()), kSmall);
}

TEST_F(DecryptingRun, YesToAllStillAsksForAnOldFileThatCannotGo) {
    crypt_tree(kSmall);
    ASSERT_TRUE(fs::create_directory(out()));
    test::make_tree(out(), {{"d/", ""}, {"d/a.txt", "old"}, {"d/b.txt/", ""}, {"d/b.txt/x", "x"}});
    ctx.yes_to_all_answers = {YesToAll::yes_to_all};
    ctx.answers = {Answer::yes, Answer::no};
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 1u);
    const std::string b = entry_path("b.txt");
    EXPECT_EQ(ctx.box_texts(),
              (std::vector<std::string>{msg::m11_old_not_deleted(b), msg::m11_old_not_deleted(b),
                                        msg::m12_refused(b)}));
    EXPECT_EQ(test::read_file(entry_path("a.txt")), "alpha");
    EXPECT_EQ(test::read_file(entry_path("c.txt")), "charlie");
}

TEST_F(DecryptingRun, MultiBlockFileOverAnExistingTarget) {
    const std::string big = test::noise(2 * kBlockSize + 5, 15);
    crypt_tree({{"d/", ""}, {"d/big", big}, {"d/after", "after"}});
    ASSERT_TRUE(fs::create_directory(out()));
    test::make_tree(out(), {{"d/", ""}, {"d/big", "old"}});

    ctx.yes_to_all_answers = {YesToAll::yes};
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(ctx.prompts.size(), 1u) << "asked once, for the first block";
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_TRUE(test::read_file(entry_path("big")) == big);

    // Refused: the later blocks pass over silently; the entries after it still come out right.
    test::write_file(entry_path("big"), "old");
    fs::remove_file(entry_path("after"));
    test::ScriptedContext no;
    no.yes_to_all_answers = {YesToAll::no};
    test::decrypt(owner, no, container(), out());
    EXPECT_EQ(no.prompts.size(), 1u);
    EXPECT_EQ(no.box_texts(), std::vector<std::string>{msg::m12_refused(entry_path("big"))});
    EXPECT_EQ(test::read_file(entry_path("big")), "old");
    EXPECT_EQ(test::read_file(entry_path("after")), "after");
    EXPECT_EQ(owner.decrypting_failed, 1u);
}

TEST_F(DecryptingRun, DamagedBlockYesGoesOnNoStops) {
    crypt_tree({{"d/", ""}, {"d/a.txt", test::noise(64, 16)}, {"d/b.txt", test::noise(64, 18)}});
    // The listing decides which file's block comes first; that one is damaged.
    ContainerReader reader(test::engine(), owner.layer, test::kKey);
    ASSERT_EQ(reader.open(container()), ContainerReader::Open::ok);
    const std::string first = reader.entries()[1].path == "d\\a.txt" ? "a.txt" : "b.txt";
    const std::string second = first == "a.txt" ? "b.txt" : "a.txt";
    test::flip_bit(container(), 11 + 3);
    const std::string rp = from_stored_path("d\\" + first);

    ctx.answers = {Answer::yes};
    test::decrypt(owner, ctx, container(), out(), true);
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_EQ(ctx.box_texts(), std::vector<std::string>{msg::m15_check(rp, container())});
    EXPECT_FALSE(fs::exists(entry_path(first))) << "the damaged target is removed";
    EXPECT_EQ(test::read_file(entry_path(second)).size(), 64u);
    EXPECT_TRUE(fs::exists(container())) << "kept after a failure";
    EXPECT_TRUE(services.trashed.empty());

    test::remove_tree(out());
    test::ScriptedContext no;
    test::decrypt(owner, no, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_FALSE(fs::exists(entry_path(second))) << "stopped at once";
    EXPECT_EQ(test::texts(no).back(), "Decryption completed");
    EXPECT_EQ(no.reports.back().position, 100);
}

TEST_F(DecryptingRun, DeleteContainerAfterASuccessfulRun) {
    crypt_tree(kSmall);
    test::decrypt(owner, ctx, container(), out(), true);
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_EQ(services.trashed, std::vector<std::string>{container()});
    EXPECT_FALSE(fs::exists(container()));
    auto t = test::texts(ctx);
    EXPECT_EQ(t[t.size() - 2], "Deleting file: " + container());

    // M17 answered No: the container stays and the run still counts as done.
    test::remove_tree(out());
    crypt_tree({});
    services.refuse = {container()};
    test::ScriptedContext no;
    no.answers = {Answer::yes, Answer::no};
    test::decrypt(owner, no, container(), out(), true);
    EXPECT_EQ(owner.decrypting_failed, 0u);
    EXPECT_EQ(no.box_texts(), std::vector<std::string>(2, msg::m17_container_not_deleted(container())));
    EXPECT_TRUE(fs::exists(container()));
}

TEST_F(DecryptingRun, CraftedPathsNeverLeaveTheTarget) {
    Buffer evil = test::bytes_of("evil");
    const std::string cv = std::to_string(padded_check_value(test::engine(), evil));
    test::Crafted c;
    c.blocks = {evil, evil};
    c.info_text = "0001"
                  "1\r\nF\r\n..\\..\\evil.txt\r\n4\r\n8\r\n" + cv + "\r\n0\r\n0\r\n"
                  "2\r\nF\r\n/tmp/evil.txt\r\n4\r\n8\r\n" + cv + "\r\n0\r\n0\r\n"
                  "3\r\nF\r\ngood.txt\r\n0\r\n0\r\n0\r\n0\r\n0";
    test::craft(container(), c);
    ASSERT_TRUE(fs::create_directory(dir / "a"));
    const std::string target = dir / path::join("a", "out");
    ctx.default_answer = Answer::yes;
    test::decrypt(owner, ctx, container(), target);
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_EQ(ctx.boxes.size(), 2u);
    EXPECT_EQ(ctx.boxes[0].text, msg::m15_check(from_stored_path("..\\..\\evil.txt"), container()));
    EXPECT_FALSE(fs::exists(dir / "evil.txt"));
    EXPECT_FALSE(fs::exists(dir / path::join("a", "evil.txt")));
    EXPECT_EQ(test::read_tree(target), (Tree{{"good.txt", ""}}));
}

TEST_F(DecryptingRun, LengthsThatDoNotFitAreDamage) {
    Buffer data = test::bytes_of("12345678");
    const std::string cv = std::to_string(padded_check_value(test::engine(), data));
    test::Crafted c;
    c.blocks = {data};
    c.info_text = "0001"
                  "1\r\nF\r\nlong\r\n9\r\n8\r\n" + cv + "\r\n0\r\n0\r\n"          // payload > block
                  "2\r\nF\r\nfar\r\n8\r\n800\r\n" + cv + "\r\n0\r\n0\r\n"         // beyond the data
                  "3\r\nF\r\nneg\r\n8\r\n-8\r\n" + cv + "\r\n0\r\n0\r\n"          // negative block
                  "4\r\nF\r\nword\r\nabc\r\n8\r\n" + cv + "\r\n0\r\n0";           // no number
    test::craft(container(), c);
    ctx.default_answer = Answer::yes;
    test::decrypt(owner, ctx, container(), out());
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_EQ(ctx.boxes.size(), 4u);
    EXPECT_TRUE(test::read_tree(out()).empty());
}

// Asks for a stop once the first block of the named file has been reported.
class StopAtContext : public test::ScriptedContext {
public:
    std::string name;

protected:
    void show_text(const std::string& text) override {
        ScriptedContext::show_text(text);
        if (text.find(name) != std::string::npos) request_stop();
    }
};

TEST_F(DecryptingRun, StopEndsAsFailedAndKeepsTheContainer) {
    crypt_tree({{"d/", ""}, {"d/big", test::noise(2 * kBlockSize + 5, 17)}});
    StopAtContext c;
    c.name = "big";
    test::decrypt(owner, c, container(), out(), true);
    EXPECT_EQ(owner.decrypting_failed, 1u);
    EXPECT_TRUE(fs::exists(container()));
    EXPECT_TRUE(services.trashed.empty());
    EXPECT_FALSE(fs::exists(entry_path("big"))) << "no half-written file";
}

}  // namespace
}  // namespace vx
