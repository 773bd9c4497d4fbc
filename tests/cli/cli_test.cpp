// vx through the real program: started as a child on temporary folders, with no terminal behind
// it, its exit status, what it says and what it leaves on disk checked. Under Wine the test
// program is itself a Windows program and starts vx.exe directly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "crypt/container.h"
#include "crypt/messages.h"
#include "crypt/window_rules.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"
#include "run_support.h"

namespace vx {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using test::read_file;
using test::TempDir;
using test::Tree;
using test::write_file;

using Args = std::vector<std::string>;

constexpr const char* kOtherKey = "87654321";

bool on_windows() { return path::kSeparator == '\\'; }

// A relative path written with "/" in the platform's form.
std::string native(std::string rel) {
    for (char& c : rel) {
        if (c == '/') c = path::kSeparator;
    }
    return rel;
}

std::string at(const TempDir& dir, const std::string& rel) { return dir / native(rel); }

// Sets an environment variable (or removes it) for the life of the object.
class Variable {
public:
    Variable(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)), old_(fs::environment_variable(name_)) {
        process::set_environment_variable(name_, value);
    }
    ~Variable() { process::set_environment_variable(name_, old_); }
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

struct Outcome {
    int code = -1;
    std::string output;  // standard output and standard error together
};

std::string vx_program() { return process::companion_program("vx"); }

// Runs vx with VX_KEY set to 'key' (or unset).
Outcome vx(const Args& args, const std::optional<std::string>& key = std::string(test::kKey)) {
    Variable k("VX_KEY", key);
    Args line{vx_program()};
    line.insert(line.end(), args.begin(), args.end());
    process::Result r = process::run_hidden(process::join_command_line(line));
    EXPECT_EQ(r.end, process::End::exited) << r.output;
    return {r.exit_code, r.output};
}

// How vx shows a message: its caption, then the text with its CR LF as line breaks.
std::string shown(const std::string& caption, const std::string& text) {
    std::string s = caption + ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            s += '\n';
            ++i;
        } else {
            s += text[i];
        }
    }
    return s;
}

// The lines of a text cut into words at spaces.
using Words = std::vector<std::string>;
std::vector<Words> words_of(const std::string& text) {
    std::vector<Words> lines(1);
    std::string word;
    for (char c : text + "\n") {
        if (c == ' ' || c == '\n' || c == '\r') {
            if (!word.empty()) lines.back().push_back(word);
            word.clear();
            if (c == '\n') lines.emplace_back();
        } else {
            word += c;
        }
    }
    return lines;
}

// Files in a folder whose name ends like the temporary name of a container in the making.
std::vector<std::string> temporary_files(const std::string& folder) {
    std::vector<std::string> found;
    fs::DirectoryReader reader;
    if (!reader.open(folder)) return found;
    fs::DirEntry e;
    while (reader.next(e) == fs::DirectoryReader::Next::entry) {
        if (e.name.size() > 4 && e.name.compare(e.name.size() - 4, 4, ".tmp") == 0) {
            found.push_back(e.name);
        }
    }
    return found;
}

// A folder "Docs" of a few files: a nested folder, an empty file and folder, a name that is not
// ASCII, and a file of more than one block.
const Tree& docs() {
    static const Tree tree = {
        {"Docs/", ""},
        {"Docs/a.txt", "abc"},
        {"Docs/empty.txt", ""},
        {"Docs/nothing/", ""},
        {"Docs/letters/", ""},
        {"Docs/letters/2024/", ""},
        {"Docs/letters/2024/R\xc3\xa9sum\xc3\xa9 \xe2\x80\x94 Fran\xc3\xa7ois.txt",
         test::text_bytes(5000)},
        {"Docs/big.bin", test::noise(kBlockSize + 1000)},
    };
    return tree;
}

// --- the command line -------------------------------------------------------------------------

TEST(VxHelp, NamesEveryCommandAndEndsWell) {
    Outcome all = vx({"--help"});
    EXPECT_EQ(all.code, 0);
    for (const char* c : {"vx crypt", "vx decrypt", "vx list", "vx verify", "VX_KEY",
                          "--key-file", "--yes-to-all"}) {
        EXPECT_THAT(all.output, HasSubstr(c));
    }
    for (const char* c : {"crypt", "decrypt", "list", "verify"}) {
        Outcome one = vx({c, "--help"});
        EXPECT_EQ(one.code, 0) << c;
        EXPECT_THAT(one.output, HasSubstr(std::string("Usage: vx ") + c)) << c;
    }
    Outcome version = vx({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_THAT(version.output, HasSubstr("vx "));
}

TEST(VxUsage, BadCommandLinesEndWithStatus2AndDoNothing) {
    TempDir dir;
    const std::string file = at(dir, "a.txt");
    write_file(file, "abc");
    const Args cases[] = {
        {},
        {"frobnicate"},
        {"--frobnicate"},
        {"crypt"},
        {"crypt", "--zip"},
        {"crypt", "--bogus", file},
        {"crypt", "--delete-sources", "--email", file},
        {"crypt", "--yes", "--no", file},
        {"crypt", file, "-o"},
        {"crypt", "--delete-container", file},
        {"decrypt"},
        {"decrypt", file, file},
        {"decrypt", "--zip", file},
        {"list", "--yes", file},
        {"verify", file, file},
    };
    for (const Args& args : cases) {
        Outcome r = vx(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args) << "\n" << r.output;
        EXPECT_THAT(r.output, HasSubstr("Try 'vx --help'."));
    }
    EXPECT_EQ(test::read_tree(dir.path()), (Tree{{"a.txt", "abc"}}));
}

// --- crypting and decrypting ------------------------------------------------------------------

class VxRoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(VxRoundTrip, GivesBackEveryFolderAndFile) {
    const bool zip = GetParam();
    TempDir dir;
    test::make_tree(dir.path(), docs());

    Args crypt{"crypt", at(dir, "Docs")};
    if (zip) crypt.insert(crypt.begin() + 1, "--zip");
    Outcome c = vx(crypt);
    ASSERT_EQ(c.code, 0) << c.output;
    const std::string container = at(dir, "Docs.vx");
    EXPECT_THAT(c.output, HasSubstr(shown("Attention", msg::crypted_to(container))));
    EXPECT_EQ(read_file(container).substr(0, 1), "0") << "one top-level item";

    const std::string restored = at(dir, "restored");
    Outcome d = vx({"decrypt", "-o", restored, container});
    ASSERT_EQ(d.code, 0) << d.output;
    EXPECT_THAT(d.output, HasSubstr(shown("Attention", msg::decrypted_to(restored))));
    EXPECT_EQ(test::read_tree(restored), docs());
}

INSTANTIATE_TEST_SUITE_P(Cli, VxRoundTrip, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Zipped" : "Plain"; });

TEST(VxCrypt, SeveralItemsGoIntoCryptedFilesAndComeBackInAFolderOfThatName) {
    TempDir dir;
    write_file(at(dir, "one.txt"), "one");
    write_file(at(dir, "two.txt"), "two");

    Outcome c = vx({"crypt", at(dir, "one.txt"), at(dir, "two.txt")});
    ASSERT_EQ(c.code, 0) << c.output;
    const std::string container = at(dir, "CryptedFiles.vx");
    EXPECT_EQ(read_file(container).substr(0, 1), "1");

    Outcome d = vx({"decrypt", container});
    ASSERT_EQ(d.code, 0) << d.output;
    EXPECT_EQ(test::read_tree(at(dir, "CryptedFiles")),
              (Tree{{"one.txt", "one"}, {"two.txt", "two"}}));
}

// Changes the working folder for the life of the object; vx started meanwhile inherits it.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder) : old_(fs::working_directory()) {
        EXPECT_TRUE(fs::set_working_directory(folder));
    }
    ~WorkingFolder() { fs::set_working_directory(old_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::string old_;
};

TEST(VxCrypt, RelativePathsAreTakenAsFullPaths) {
    TempDir dir;
    test::make_tree(dir.path(), {{"Docs/", ""}, {"Docs/a.txt", "abc"}, {"b.txt", "b"}, {"out/", ""}});
    WorkingFolder here(at(dir, "out"));

    // "." and ".." and a trailing separator make no difference to the names stored.
    Outcome c = vx({"crypt", native("../Docs/./"), native("../out/../b.txt")});
    ASSERT_EQ(c.code, 0) << c.output;
    EXPECT_THAT(c.output, HasSubstr(shown("Attention", msg::crypted_to(at(dir, "CryptedFiles.vx")))));

    Outcome d = vx({"decrypt", "-o", "restored", native("../CryptedFiles.vx")});
    ASSERT_EQ(d.code, 0) << d.output;
    EXPECT_EQ(test::read_tree(at(dir, "out/restored")),
              (Tree{{"Docs/", ""}, {"Docs/a.txt", "abc"}, {"b.txt", "b"}}));
}

TEST(VxCrypt, ItemsFromTwoFoldersOrMissingItemsWriteNothing) {
    TempDir dir;
    test::make_tree(dir.path(), {{"x/", ""}, {"x/a", "a"}, {"y/", ""}, {"y/b", "b"}});

    Outcome apart = vx({"crypt", "-o", at(dir, "out.vx"), at(dir, "x/a"), at(dir, "y/b")});
    EXPECT_EQ(apart.code, 2) << apart.output;
    EXPECT_THAT(apart.output, HasSubstr(shown("Warning", msg::not_one_folder())));

    Outcome missing = vx({"crypt", "-o", at(dir, "out.vx"), at(dir, "x/a"), at(dir, "x/gone")});
    EXPECT_EQ(missing.code, 1) << missing.output;
    EXPECT_THAT(missing.output, HasSubstr(shown("Warning", msg::path_not_found(at(dir, "x/gone")))));
    EXPECT_FALSE(fs::exists(at(dir, "out.vx")));
    EXPECT_TRUE(temporary_files(dir.path()).empty());
}

TEST(VxCrypt, NeverPutsTheContainerWhereItsSourcesGo) {
    TempDir dir;
    test::make_tree(dir.path(), {{"Docs/", ""}, {"Docs/a.txt", "abc"}});
    const Tree before = test::read_tree(dir.path());

    // Inside a folder that is deleted afterwards, over a source, or onto a folder.
    const Args cases[] = {
        {"crypt", "--delete-sources", "--yes", "-o", at(dir, "Docs/in.vx"), at(dir, "Docs")},
        {"crypt", "--yes", "-o", at(dir, "Docs/a.txt"), at(dir, "Docs/a.txt")},
        {"crypt", "--yes", "-o", at(dir, "Docs"), at(dir, "Docs/a.txt")},
    };
    for (const Args& args : cases) {
        Outcome r = vx(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args) << "\n" << r.output;
        EXPECT_THAT(r.output, HasSubstr("Warning: Crypted file '"));
    }
    EXPECT_EQ(test::read_tree(dir.path()), before);
}

TEST(VxCrypt, QuietSaysNothingWhenAllGoesWell) {
    TempDir dir;
    write_file(at(dir, "a.txt"), "abc");
    Outcome r = vx({"crypt", "--quiet", at(dir, "a.txt")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.output, "");
    EXPECT_TRUE(fs::exists(at(dir, "a.vx")));
}

// --- the key ----------------------------------------------------------------------------------

TEST(VxKey, ComesFromTheKeyFileBeforeTheEnvironment) {
    TempDir dir;
    write_file(at(dir, "a.txt"), "abc");
    write_file(at(dir, "key"), std::string(test::kKey) + "\r\nnot the key\n");

    Outcome c = vx({"crypt", "--key-file", at(dir, "key"), at(dir, "a.txt")}, kOtherKey);
    ASSERT_EQ(c.code, 0) << c.output;
    // The container opens with the file's key given through VX_KEY, not with the other one.
    EXPECT_EQ(vx({"list", at(dir, "a.vx")}, std::string(test::kKey)).code, 0);
    EXPECT_EQ(vx({"list", at(dir, "a.vx")}, std::string(kOtherKey)).code, 1);

    Outcome missing = vx({"list", "--key-file", at(dir, "nokey"), at(dir, "a.vx")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_THAT(missing.output, HasSubstr("Warning: Key file '" + at(dir, "nokey") + "'"));
}

TEST(VxKey, ThatIsNotEightDigitsStopsBeforeAnythingIsWritten) {
    TempDir dir;
    write_file(at(dir, "a.txt"), "abc");
    const struct {
        std::optional<std::string> key;
        std::string warning;
    } cases[] = {
        {std::nullopt, msg::no_key(true)},  // no VX_KEY and no terminal to ask on
        {std::string(""), msg::no_key(true)},
        {std::string("1234567"), msg::key_not_8_digit(true)},
        {std::string("1234567x"), msg::key_not_8_digit(true)},
        {std::string("123456789"), msg::key_not_8_digit(true)},
    };
    for (const auto& c : cases) {
        Outcome r = vx({"crypt", at(dir, "a.txt")}, c.key);
        EXPECT_EQ(r.code, 2) << r.output;
        EXPECT_THAT(r.output, HasSubstr(shown("Warning", c.warning)));
    }
    EXPECT_EQ(test::read_tree(dir.path()), (Tree{{"a.txt", "abc"}}));
}

TEST(VxKey, AWrongKeyFailsAndWritesNothing) {
    TempDir dir;
    write_file(at(dir, "a.txt"), "abc");
    ASSERT_EQ(vx({"crypt", at(dir, "a.txt")}).code, 0);
    const std::string container = at(dir, "a.vx");

    Outcome r = vx({"decrypt", "-o", at(dir, "out"), container}, std::string(kOtherKey));
    EXPECT_EQ(r.code, 1) << r.output;
    EXPECT_THAT(r.output, HasSubstr(shown("Warning", msg::m5_info_check(container))));
    EXPECT_THAT(r.output, Not(HasSubstr("Decryption process completed")));
    EXPECT_FALSE(fs::exists(at(dir, "out")));
}

// --- questions --------------------------------------------------------------------------------

TEST(VxQuestions, WithNoTerminalAndNoAnswerAreAnsweredNo) {
    TempDir dir;
    write_file(at(dir, "a.txt"), "abc");
    write_file(at(dir, "a.vx"), "old container");

    for (const Args& extra : {Args{}, Args{"--no"}}) {
        Args args{"crypt"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(at(dir, "a.txt"));
        Outcome r = vx(args);
        EXPECT_EQ(r.code, 3) << r.output;
        EXPECT_THAT(r.output,
                    HasSubstr(shown("Attention", msg::target_exists(at(dir, "a.vx"))) + " [y/N] n"));
        EXPECT_EQ(read_file(at(dir, "a.vx")), "old container");
    }
    Outcome yes = vx({"crypt", "--yes", at(dir, "a.txt")});
    EXPECT_EQ(yes.code, 0) << yes.output;
    EXPECT_EQ(vx({"verify", at(dir, "a.vx")}).code, 0);
    EXPECT_TRUE(temporary_files(dir.path()).empty());
}

TEST(VxQuestions, DecryptingOverExistingFilesAsksReplaceWithYesToAll) {
    TempDir dir;
    test::make_tree(dir.path(), {{"src/", ""}, {"src/a", "new a"}, {"src/b", "new b"}});
    ASSERT_EQ(vx({"crypt", at(dir, "src")}).code, 0);
    const std::string container = at(dir, "src.vx");
    test::make_tree(dir.path(), {{"out/", ""}, {"out/src/", ""}, {"out/src/a", "old a"},
                                 {"out/src/b", "old b"}});

    Outcome no = vx({"decrypt", "-o", at(dir, "out"), container});
    EXPECT_EQ(no.code, 1) << no.output;
    const std::string a = at(dir, "out/src/a");
    EXPECT_THAT(no.output, HasSubstr(shown("Attention", msg::m10_exists(a)) + " [y/a/N] n"));
    EXPECT_THAT(no.output, HasSubstr(shown("Warning", msg::m12_refused(a))));
    EXPECT_EQ(read_file(a), "old a");

    Outcome all = vx({"decrypt", "--yes-to-all", "-o", at(dir, "out"), container});
    EXPECT_EQ(all.code, 0) << all.output;
    EXPECT_THAT(all.output, HasSubstr(" [y/a/N] a"));
    EXPECT_EQ(test::read_tree(at(dir, "out/src")), (Tree{{"a", "new a"}, {"b", "new b"}}));
}

// --- list and verify --------------------------------------------------------------------------

TEST(VxListAndVerify, ReadAGoodContainerAndNameTheDamageInABadOne) {
    TempDir dir;
    test::make_tree(dir.path(), {{"Work/", ""},
                                 {"Work/a.txt", "abc"},
                                 {"Work/big.bin", test::noise(kBlockSize + 5)}});
    ASSERT_EQ(vx({"crypt", at(dir, "Work")}).code, 0);
    const std::string container = at(dir, "Work.vx");

    Outcome list = vx({"list", container});
    ASSERT_EQ(list.code, 0) << list.output;
    const std::string work = "Work" + std::string(1, path::kSeparator);
    const std::vector<Words> rows = words_of(list.output);
    // number, kind, payload length, block length, part mark, compression mark, path
    for (const Words& row : {Words{"1", "D", "0", "0", "0", "0", work},
                             Words{"2", "F", "3", "8", "0", "0", work + "a.txt"},
                             Words{"3", "F", "10485760", "10485760", "1", "0", work + "big.bin"},
                             Words{"3", "F", "5", "8", "1", "0", work + "big.bin"}}) {
        EXPECT_THAT(rows, ::testing::Contains(row)) << list.output;
    }
    EXPECT_THAT(list.output, HasSubstr("4 entries in '" + container + "'"));

    Outcome good = vx({"verify", container});
    EXPECT_EQ(good.code, 0) << good.output;
    EXPECT_THAT(good.output, HasSubstr("All 4 entries of '" + container + "' are sound"));

    // One bit of the second block of big.bin (it starts after a.txt's 8 bytes and 10 MiB).
    test::flip_bit(container, kDataStart + 8 + kBlockSize + 2);
    const Tree before = test::read_tree(dir.path());
    Outcome bad = vx({"verify", container});
    EXPECT_EQ(bad.code, 1) << bad.output;
    EXPECT_THAT(bad.output, HasSubstr("Damaged: entry 3, block 2 of 2, '" + work +
                                      "big.bin': MAC check not passed."));
    EXPECT_THAT(bad.output, HasSubstr("1 of 4 entries of '" + container + "' is damaged"));
    EXPECT_THAT(bad.output, Not(HasSubstr("entry 2,")));
    EXPECT_EQ(test::read_tree(dir.path()), before) << "verify writes nothing";
    EXPECT_EQ(vx({"list", container}).code, 0) << "the info row is still sound";
}

TEST(VxListAndVerify, FailOnAContainerWhoseInfoRowIsDamaged) {
    TempDir dir;
    write_file(at(dir, "a.txt"), "abc");
    ASSERT_EQ(vx({"crypt", at(dir, "a.txt")}).code, 0);
    const std::string container = at(dir, "a.vx");
    test::flip_bit(container, read_file(container).size() - 3);

    for (const char* command : {"list", "verify"}) {
        Outcome r = vx({command, container});
        EXPECT_EQ(r.code, 1) << command << "\n" << r.output;
        EXPECT_THAT(r.output, HasSubstr(shown("Warning", msg::m5_info_check(container))));
    }
    Outcome missing = vx({"list", at(dir, "none.vx")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.output, HasSubstr(shown("Warning", msg::source_not_exists(at(dir, "none.vx")))));
}

// --- Ctrl-C -----------------------------------------------------------------------------------

TEST(VxInterrupt, EndsTheRunWithNoContainerAndTheOldTargetIntact) {
    if (on_windows()) GTEST_SKIP() << "no console to send Ctrl-C to under the test";
    TempDir dir;
    test::make_tree(dir.path(), {{"src/", ""},
                                 {"src/one.bin", test::noise(3 * kBlockSize, 1)},
                                 {"src/two.bin", test::noise(3 * kBlockSize, 2)}});
    write_file(at(dir, "src.vx"), "old container");

    // Ctrl-C once the run has begun its container (the key derivation takes a good second).
    const std::string script =
        "\"$0\" crypt --yes \"$1/src\" & pid=$!\n"
        "n=0\n"
        "while ! ls -a \"$1\" | grep -q '\\.tmp$'; do\n"
        "  n=$((n+1)); [ $n -gt 400 ] && break; sleep 0.05\n"
        "done\n"
        "kill -INT $pid\n"
        "wait $pid\n"
        "echo \"exit=$?\"\n";
    Variable key("VX_KEY", std::string(test::kKey));
    process::Result r = process::run_hidden(
        process::join_command_line({"/bin/sh", "-c", script, vx_program(), dir.path()}));
    ASSERT_EQ(r.end, process::End::exited);
    EXPECT_THAT(r.output, HasSubstr("exit=130"));
    EXPECT_THAT(r.output, HasSubstr("Attention: Stopped by the user"));
    EXPECT_EQ(read_file(at(dir, "src.vx")), "old container");
    EXPECT_TRUE(temporary_files(dir.path()).empty());
}

}  // namespace
}  // namespace vx
