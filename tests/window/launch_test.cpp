#include "window/launch.h"

#include <gtest/gtest.h>

#include "window/mode.h"

namespace vx::window {
namespace {

using Kind = handoff::Launch::Kind;

TEST(LaunchRequest, TheArgumentTextFollowsTheProgramName) {
    const struct {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"Vaultrix.exe", ""},
        {"Vaultrix.exe  a b", "  a b"},
        {"\"C:\\Program Files\\Vaultrix\\Vaultrix.exe\" \"C:\\a b.vx\"", " \"C:\\a b.vx\""},
        {"\"C:\\Program Files\\Vaultrix\\Vaultrix.exe\"", ""},
        {"C:\\Vaultrix\\Vaultrix.exe\t cmap1:Globals1.", "\t cmap1:Globals1."},
        // The shell extension's command line has no program name: the first word is empty.
        {" cmap1:Globals1.", " cmap1:Globals1."},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(argument_text(c.line), c.arguments) << c.line;
}

TEST(LaunchRequest, EveryCommandLineGivesItsMode) {
    struct Case {
        const char* line;
        Kind kind;
        const char* text;
        const char* command;  // the mode the window takes
    };
    const Case cases[] = {
        {"Vaultrix.exe", Kind::none, "", "Crypt"},
        {"Vaultrix.exe ab", Kind::none, "", "Crypt"},
        {"Vaultrix.exe   \"\"  ", Kind::none, "", "Crypt"},
        {" cmap0:Globals1.", Kind::handoff, "Globals1.", "Crypt"},
        {" cmap1:Globals1.", Kind::handoff, "Globals1.", "Crypt && Email"},
        {" cmap2:Globals1.", Kind::handoff, "Globals1.", "Crypt && Delete"},
        {" dmap0:Globals1.", Kind::handoff, "Globals1.", "Decrypt"},
        {" dmap1:Globals1.", Kind::handoff, "Globals1.", "Decrypt && Delete"},
        {"Vaultrix.exe dmap2:Globals1.", Kind::single_path, "dmap2:Globals1.", "Decrypt"},
        {"Vaultrix.exe \"C:\\My Files\\a.vx\"", Kind::single_path, "C:\\My Files\\a.vx", "Decrypt"},
        {"Vaultrix.exe C:\\a.txt", Kind::single_path, "C:\\a.txt", "Decrypt"},
        {"Vaultrix.exe abc", Kind::single_path, "abc", "Decrypt"},
    };
    for (const auto& c : cases) {
        handoff::Launch l = launch_request(c.line);
        EXPECT_EQ(l.kind, c.kind) << c.line;
        EXPECT_EQ(l.text, c.text) << c.line;
        const bool crypting = l.kind == Kind::none || l.direction == handoff::Direction::crypt;
        EXPECT_EQ(caption(command_for(crypting, l.variant)), c.command) << c.line;
    }
}

}  // namespace
}  // namespace vx::window
