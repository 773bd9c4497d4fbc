#include <gtest/gtest.h>

#include "handoff/command_line.h"

namespace vx::handoff {
namespace {

TEST(HandoffCommandLine, OneSpaceThePrefixAndTheBlockName) {
    struct Case {
        Direction direction;
        int offset;
        const char* line;
    };
    const Case cases[] = {
        {Direction::crypt, 0, " cmap0:Globals1f8."},   {Direction::crypt, 1, " cmap1:Globals1f8."},
        {Direction::crypt, 2, " cmap2:Globals1f8."},   {Direction::decrypt, 0, " dmap0:Globals1f8."},
        {Direction::decrypt, 1, " dmap1:Globals1f8."}, {Direction::decrypt, 2, " dmap2:Globals1f8."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(command_line(c.direction, c.offset, "Globals1f8."), c.line);
    }
}

TEST(HandoffCommandLine, TheProgramKnowsFivePrefixes) {
    struct Case {
        const char* text;
        bool handoff;
        Direction direction;
        int variant;
        const char* name;
    };
    const Case cases[] = {
        {"cmap0:Globals1f8.", true, Direction::crypt, 0, "Globals1f8."},
        {"cmap1:Globals1f8.3", true, Direction::crypt, 1, "Globals1f8.3"},
        {"cmap2:x", true, Direction::crypt, 2, "x"},
        {"dmap0:x", true, Direction::decrypt, 0, "x"},
        {"dmap1:x", true, Direction::decrypt, 1, "x"},
        {"cmap1:", true, Direction::crypt, 1, ""},
        {"dmap2:x", false, Direction::decrypt, 0, ""},  // never offered by the menu
        {"cmap3:x", false, Direction::crypt, 0, ""},
        {"CMAP0:x", false, Direction::crypt, 0, ""},
        {" cmap0:x", false, Direction::crypt, 0, ""},   // the caller trims first
        {"cmap0", false, Direction::crypt, 0, ""},
        {"C:\\Docs\\a.vx", false, Direction::crypt, 0, ""},
    };
    for (const auto& c : cases) {
        auto r = parse_request(c.text);
        ASSERT_EQ(r.has_value(), c.handoff) << c.text;
        if (!r) continue;
        EXPECT_EQ(r->direction, c.direction) << c.text;
        EXPECT_EQ(r->variant, c.variant) << c.text;
        EXPECT_EQ(r->block_name, c.name) << c.text;
    }
}

TEST(HandoffCommandLine, LaunchModes) {
    using Kind = Launch::Kind;
    struct Case {
        const char* arguments;
        Kind kind;
        const char* text;
        Direction direction;
        int variant;
    };
    const Case cases[] = {
        {"", Kind::none, "", Direction::decrypt, 0},
        {"   \t ", Kind::none, "", Direction::decrypt, 0},
        {"ab", Kind::none, "", Direction::decrypt, 0},
        {"  ab  ", Kind::none, "", Direction::decrypt, 0},
        // As the shell extension writes it: the leading space goes.
        {" cmap1:Globals1f8.", Kind::handoff, "Globals1f8.", Direction::crypt, 1},
        {" cmap0:Globals1f8.", Kind::handoff, "Globals1f8.", Direction::crypt, 0},
        {" cmap2:Globals1f8.", Kind::handoff, "Globals1f8.", Direction::crypt, 2},
        {" dmap0:Globals1f8.", Kind::handoff, "Globals1f8.", Direction::decrypt, 0},
        {" dmap1:Globals1f8.", Kind::handoff, "Globals1f8.", Direction::decrypt, 1},
        {"\"cmap1:Globals1f8.\"", Kind::handoff, "Globals1f8.", Direction::crypt, 1},
        {"dmap2:Globals1f8.", Kind::single_path, "dmap2:Globals1f8.", Direction::decrypt, 0},
        {"C:\\Docs\\a.vx", Kind::single_path, "C:\\Docs\\a.vx", Direction::decrypt, 0},
        {" \"C:\\My Docs\\a.vx\" ", Kind::single_path, "C:\\My Docs\\a.vx", Direction::decrypt, 0},
        {"\"C:\\a.vx", Kind::single_path, "\"C:\\a.vx", Direction::decrypt, 0},
        {"abc", Kind::single_path, "abc", Direction::decrypt, 0},
    };
    for (const auto& c : cases) {
        Launch l = parse_launch(c.arguments);
        EXPECT_EQ(l.kind, c.kind) << c.arguments;
        EXPECT_EQ(l.text, c.text) << c.arguments;
        if (l.kind == Kind::none) continue;
        EXPECT_EQ(l.direction, c.direction) << c.arguments;
        EXPECT_EQ(l.variant, c.variant) << c.arguments;
    }
}

}  // namespace
}  // namespace vx::handoff
