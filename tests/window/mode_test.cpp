#include "window/mode.h"

#include <gtest/gtest.h>

#include "platform/path.h"
#include "temp_dir.h"

namespace vx::window {
namespace {

using test::TempDir;
using test::write_file;

TEST(SetMode, CaptionsAndLabelsForEveryModeAndVariant) {
    struct Case {
        bool crypting;
        int variant;
        const char* command;
    };
    const Case cases[] = {
        {true, 0, "Crypt"},    {true, 1, "Crypt && Email"},     {true, 2, "Crypt && Delete"},
        {false, 0, "Decrypt"}, {false, 1, "Decrypt && Delete"}, {false, 2, "Decrypt"},
    };
    TempDir dir;
    write_file(dir / "a.vx", "0         8");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Look l = mode_look(dir / "a.vx", 1, c.crypting, c.variant);
        EXPECT_EQ(l.command, c.command);
        EXPECT_EQ(command_of(l.command), command_for(c.crypting, c.variant));
        EXPECT_EQ(l.key_label,
                  c.crypting ? "Enter 8-digit crypting key:" : "Enter 8-digit decrypting key:");
        EXPECT_EQ(l.zipping_label, c.crypting ? "Set zipping option:" : "Set unzipping option:");
        EXPECT_EQ(l.result_label,
                  c.crypting ? "Save crypted file to:" : "Save decrypted files to:");
        EXPECT_EQ(l.zipping_shown, c.crypting);
        EXPECT_EQ(l.depends_shown, !c.crypting);
        EXPECT_EQ(l.zipping_enabled, c.crypting);
        EXPECT_EQ(l.depends_enabled, !c.crypting);
        EXPECT_TRUE(l.selection_controls_enabled);
        EXPECT_TRUE(l.focus_key);
    }
}

TEST(SetMode, TheItemCountDecidesTheTextAndWhatIsEnabled) {
    TempDir dir;
    write_file(dir / "report.doc", "r");
    const std::string sep(1, path::kSeparator);

    Look none = mode_look("", 0, true, 0);
    EXPECT_EQ(none.file_text, "");
    EXPECT_EQ(none.target, "");
    EXPECT_EQ(none.command, "Crypt");
    EXPECT_FALSE(none.selection_controls_enabled);
    EXPECT_FALSE(none.zipping_enabled);
    EXPECT_FALSE(none.depends_enabled);
    EXPECT_TRUE(none.zipping_shown);
    EXPECT_FALSE(none.depends_shown);
    EXPECT_FALSE(none.focus_key);  // the Select button has it

    Look one = mode_look(dir / "report.doc", 1, true, 0);
    EXPECT_EQ(one.file_text, dir / "report.doc");
    EXPECT_EQ(one.target, dir / "report.vx");

    Look three = mode_look(dir / "report.doc", 3, true, 0);
    EXPECT_EQ(three.file_text, "3 items selected");
    EXPECT_EQ(three.target, dir / "CryptedFiles.vx");

    // Decrypting several items proposes nothing; nothing selected disables even decrypting mode.
    EXPECT_EQ(mode_look(dir / "report.doc", 2, false, 0).target, "");
    Look empty_decrypt = mode_look("", 0, false, 1);
    EXPECT_FALSE(empty_decrypt.depends_enabled);
    EXPECT_TRUE(empty_decrypt.depends_shown);
    EXPECT_EQ(empty_decrypt.command, "Decrypt && Delete");
}

TEST(SetMode, AContainerOfSeveralItemsIsUnpackedIntoAFolderOfItsName) {
    TempDir dir;
    write_file(dir / "one.vx", "0         8rest");
    write_file(dir / "Several.vx", "1         8rest");
    const std::string folder = path::add_trailing_separator(dir.path());
    EXPECT_EQ(mode_look(dir / "one.vx", 1, false, 0).target, folder);
    EXPECT_EQ(mode_look(dir / "Several.vx", 1, false, 0).target,
              folder + "Several" + path::kSeparator);
}

TEST(Commands, OnlyTheFiveExactCaptionsAreCommands) {
    for (Command c : {Command::crypt, Command::crypt_email, Command::crypt_delete, Command::decrypt,
                      Command::decrypt_delete}) {
        EXPECT_EQ(command_of(caption(c)), c) << caption(c);
    }
    for (const char* text : {"", "crypt", "Crypt & Email", "Crypt&&Email", "Decrypt ", "Encrypt"}) {
        EXPECT_EQ(command_of(text), std::nullopt) << text;
    }
    EXPECT_TRUE(is_decrypting(Command::decrypt_delete));
    EXPECT_FALSE(is_decrypting(Command::crypt_delete));
}

TEST(ChangeTarget, TheChooserAndWhatBecomesOfItsAnswer) {
    const std::string s(1, path::kSeparator);
    EXPECT_TRUE(chooses_folder("C:" + s + "a.vx"));
    EXPECT_FALSE(chooses_folder("C:" + s + "a.VX"));  // capitals: the save dialog
    EXPECT_FALSE(chooses_folder("3 items selected"));
    EXPECT_FALSE(chooses_folder(""));

    EXPECT_EQ(folder_target("C:" + s + "Out"), "C:" + s + "Out" + s);
    EXPECT_EQ(folder_target("C:" + s + "Out" + s + s), "C:" + s + "Out" + s);
    EXPECT_EQ(folder_target("C:" + s), "C:" + s);

    EXPECT_EQ(container_target("C:" + s + "b.VX"), "C:" + s + "b.VX");
    EXPECT_EQ(container_target("C:" + s + "b.vx"), "C:" + s + "b.vx");
    EXPECT_EQ(container_target("C:" + s + "b"), "C:" + s + "b.vx");
    EXPECT_EQ(container_target("C:" + s + "b.doc"), "C:" + s + "b.doc.vx");
}

}  // namespace
}  // namespace vx::window
