#include "window/command.h"

#include <gtest/gtest.h>

#include "crypt/window_rules.h"
#include "platform/fs.h"
#include "temp_dir.h"

namespace vx::window {
namespace {

using test::TempDir;
using test::write_file;
using Then = Verdict::Then;

TEST(CommandChecks, WarningsComeInTheirOrder) {
    TempDir dir;
    write_file(dir / "a.vx", "0         8");
    write_file(dir / "a.txt", "text");
    ASSERT_TRUE(fs::create_directory(dir / "folder.vx"));
    const std::string vx = dir / "a.vx", txt = dir / "a.txt", out = dir / "out.vx";
    const std::string missing = dir / "none.vx", folder = dir / "folder.vx";

    struct Case {
        const char* name;
        CommandFields fields;
        Then then;
        std::string warning;
    };
    const Case cases[] = {
        // An unknown caption comes before everything, even before an empty selection.
        {"unknown caption", {"Crypt & Email", "", "", ""}, Then::stop, msg::unknown_command()},
        {"nothing selected", {"Decrypt", "", "1", ""}, Then::select_files, ""},
        {"container missing",
         {"Decrypt", missing, "", ""},
         Then::stop,
         msg::source_not_exists(missing)},
        {"container size unknown",
         {"Decrypt && Delete", folder, "", ""},
         Then::stop,
         msg::source_size_unknown(folder)},
        // Crypting does not look at the source here: the run reports what is missing.
        {"crypting a missing source",
         {"Crypt", missing, "", out},
         Then::focus_key,
         msg::no_key(true)},
        {"decrypting, no key", {"Decrypt", vx, "", ""}, Then::focus_key, msg::no_key(false)},
        {"seven digits",
         {"Crypt", txt, "1234567", ""},
         Then::focus_key,
         msg::key_not_8_digit(true)},
        {"a letter", {"Decrypt", vx, "1234a678", ""}, Then::focus_key, msg::key_not_8_digit(false)},
        {"crypting, no target",
         {"Crypt && Delete", txt, "00012345", ""},
         Then::choose_target,
         msg::no_target(true)},
        {"decrypting, no target",
         {"Decrypt", vx, "00012345", ""},
         Then::choose_target,
         msg::no_target(false)},
        {"leading zeros run", {"Crypt && Email", txt, "00000001", out}, Then::run, ""},
        {"decrypting runs", {"Decrypt && Delete", vx, "87654321", dir.path()}, Then::run, ""},
    };
    for (const auto& c : cases) {
        Verdict v = check_command(c.fields);
        EXPECT_EQ(v.then, c.then) << c.name;
        EXPECT_EQ(v.warning, c.warning) << c.name;
        if (c.then != Then::stop) {
            EXPECT_EQ(v.command, command_of(c.fields.caption)) << c.name;
        }
    }
    EXPECT_EQ(msg::unknown_command(),
              "Unknown command!\r\n\r\nPlease, try to restart or reinstall application.");
}

TEST(CommandJobs, TheCaptionDecidesDeletingAndMailing) {
    RunOwner owner;
    struct Case {
        Command command;
        std::uint32_t delete_sources, email;
    };
    for (const Case& c : {Case{Command::crypt, 0, 0}, Case{Command::crypt_email, 0, 1},
                          Case{Command::crypt_delete, 1, 0}}) {
        ProgressCrypting job = crypting_job(owner, c.command, "12345678", true, "t.vx");
        EXPECT_EQ(job.window, &owner);
        EXPECT_EQ(job.key, "12345678");
        EXPECT_EQ(job.zipping, 1u);
        EXPECT_EQ(job.target, "t.vx");
        EXPECT_EQ(job.delete_sources, c.delete_sources) << caption(c.command);
        EXPECT_EQ(job.email, c.email) << caption(c.command);
    }
    EXPECT_EQ(crypting_job(owner, Command::crypt, "k", false, "t").zipping, 0u);
    ProgressDecrypting d = decrypting_job(owner, Command::decrypt_delete, "c.vx", "out", "k");
    EXPECT_EQ(d.container, "c.vx");
    EXPECT_EQ(d.target, "out");
    EXPECT_EQ(d.delete_container, 1u);
    EXPECT_EQ(decrypting_job(owner, Command::decrypt, "c", "o", "k").delete_container, 0u);
}

TEST(AfterCrypting, OnlyWhatTheRunMadeIsRemoved) {
    struct Case {
        const char* name;
        RunEnd end;
        bool close, notice, remove_temporary, remove_target;
    };
    // failed, declined, cancelled, close_after_run, target_made_by_run
    const Case cases[] = {
        {"done", {false, false, false, false, true}, false, true, false, false},
        {"done from the shell", {false, false, false, true, true}, true, false, false, false},
        {"failed before the target was written: the user's file stays",
         {true, false, false, false, false},
         false,
         false,
         true,
         false},
        {"failed after writing it (not verified)",
         {true, false, false, false, true},
         false,
         false,
         true,
         true},
        {"cancelled while writing", {false, false, true, false, false}, false, false, true, false},
        {"cancelled once the container was complete",
         {false, false, true, false, true},
         false,
         false,
         true,
         false},
        {"cancelled from the shell", {false, false, true, true, false}, false, false, true, false},
        {"failed from the shell", {true, false, false, true, false}, false, false, true, false},
        {"declined: nothing at all", {true, true, false, false, false}, false, false, false, false},
        {"declined while cancelling", {true, true, true, true, false}, false, false, false, false},
    };
    for (const auto& c : cases) {
        Aftermath a = after_crypting(c.end, "C:\\t.vx");
        EXPECT_EQ(a.close_window, c.close) << c.name;
        EXPECT_EQ(a.notice, c.notice ? msg::crypted_to("C:\\t.vx") : "") << c.name;
        EXPECT_EQ(a.remove_temporary, c.remove_temporary) << c.name;
        EXPECT_EQ(a.remove_target, c.remove_target) << c.name;
    }
    EXPECT_EQ(msg::crypted_to("x"), "Succesfully crypted to 'x'.");
}

TEST(AfterDecrypting, NoCompletionNoticeAfterAFailureOrACancel) {
    const std::string done = msg::decrypted_to("C:\\out\\");
    EXPECT_EQ(done, "Decryption process completed to 'C:\\out\\'.");
    EXPECT_EQ(after_decrypting({}, "C:\\out\\").notice, done);
    EXPECT_FALSE(after_decrypting({}, "C:\\out\\").close_window);

    RunEnd shell;
    shell.close_after_run = true;
    EXPECT_TRUE(after_decrypting(shell, "x").close_window);
    EXPECT_EQ(after_decrypting(shell, "x").notice, "");

    for (RunEnd e :
         {RunEnd{true, false, false, true, false}, RunEnd{false, false, true, true, false}}) {
        Aftermath a = after_decrypting(e, "x");
        EXPECT_FALSE(a.close_window);
        EXPECT_EQ(a.notice, "");
        EXPECT_FALSE(a.remove_target);
        EXPECT_FALSE(a.remove_temporary);
    }
}

TEST(TargetWatch, TellsTheRunsOwnFileFromTheUsers) {
    TempDir dir;
    const std::string t = dir / "t.vx";

    TargetWatch nothing_there(t);
    EXPECT_FALSE(nothing_there.made_by_run());
    write_file(t, "new");
    EXPECT_TRUE(nothing_there.made_by_run());

    TargetWatch users_file(t);
    EXPECT_FALSE(users_file.made_by_run());
    write_file(dir / "t.tmp", "replacement");
    ASSERT_TRUE(fs::rename(dir / "t.tmp", t, true));
    EXPECT_TRUE(users_file.made_by_run());
}

}  // namespace
}  // namespace vx::window
