#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_archiver.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"
#include "temp_dir.h"

namespace vx {
namespace {

using Args = std::vector<std::string>;
using test::FakeMode;
using test::ScopedVariable;
using test::TempDir;

struct SplitCase {
    const char* line;
    Args args;
};

TEST(SplitCommandLine, FollowsTheWindowsRules) {
    const SplitCase cases[] = {
        {R"("C:\Program Files\7z.exe" a -y "C:\T\temp.part.zip" "C:\T\temp.part")",
         {R"(C:\Program Files\7z.exe)", "a", "-y", R"(C:\T\temp.part.zip)", R"(C:\T\temp.part)"}},
        {R"("/usr/bin/7z" e -y -o"/tmp/my work" "/tmp/my work/temp.part.zip")",
         {"/usr/bin/7z", "e", "-y", "-o/tmp/my work", "/tmp/my work/temp.part.zip"}},
        // The program's own backslashes never escape anything.
        {R"(C:\bin\7z.exe x)", {R"(C:\bin\7z.exe)", "x"}},
        {R"("C:\dir\" x)", {R"(C:\dir\)", "x"}},
        {R"(p"q r"s t)", {"pq rs", "t"}},
        // Backslashes count only before a quote.
        {R"(p a\\b c\"d)", {"p", R"(a\\b)", R"(c"d)"}},
        {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
        {R"(p "a\" b")", {"p", R"(a" b)"}},
        {R"(p a\\\"b)", {"p", R"(a\"b)"}},
        // Why a folder ending in a backslash must never stand before a closing quote.
        {R"(p -o"C:\T\" "C:\T\x.zip")", {"p", R"(-oC:\T" C:\T\x.zip)"}},
        {R"(p "a""b")", {"p", R"(a"b)"}},
        {R"(p "" x)", {"p", "", "x"}},
        {"p \t a\t\tb  ", {"p", "a", "b"}},
        {R"(p "open to the end)", {"p", "open to the end"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(process::split_command_line(c.line), c.args) << c.line;
    }
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

TEST(RunHidden, GivesTheChildItsArgumentsAndCollectsBothStreamsAndTheExitCode) {
    FakeMode mode("echo");
    auto r = process::run_hidden(quoted(test::fake_archiver()) +
                                 R"( one "two words" a\"b "" -o"x y")");
    ASSERT_EQ(r.end, process::End::exited);
    EXPECT_EQ(r.exit_code, 7);
    EXPECT_EQ(r.output, "[one]\n[two words]\n[a\"b]\n[]\n[-ox y]\nto stderr\n");
}

TEST(RunHidden, ReadsALongOutputWhileTheChildRuns) {
    FakeMode mode("flood");
    auto r = process::run_hidden(quoted(test::fake_archiver()));
    ASSERT_EQ(r.end, process::End::exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output.size(), 4u << 20);
    EXPECT_EQ(r.output.find_first_not_of("x\n"), std::string::npos);
}

TEST(RunHidden, ReportsWhatCannotBeStarted) {
    TempDir dir;
    for (const std::string& program : {dir / "missing", dir.path()}) {
        auto r = process::run_hidden(quoted(program) + " a");
        EXPECT_EQ(r.end, process::End::not_started) << program;
        EXPECT_EQ(r.output, "");
    }
    EXPECT_EQ(process::run_hidden("").end, process::End::not_started);
}

TEST(RunHidden, EndsTheChildWhenAskedToStop) {
    TempDir dir;
    const std::string marker = dir / "started";
    FakeMode mode("hang");
    ScopedVariable where("VX_FAKE_MARKER", marker);
    int asked = 0;
    // Stop as soon as the child is known to run; it would otherwise wait five minutes.
    auto r = process::run_hidden(quoted(test::fake_archiver()), [&] {
        ++asked;
        return fs::exists(marker);
    });
    EXPECT_EQ(r.end, process::End::stopped);
    EXPECT_GT(asked, 0);
}

TEST(CompanionProgram, LooksBesideTheProgramFirst) {
    const std::string dir = fs::program_directory();
    const std::string fake = process::companion_program("fake_archiver");
    EXPECT_EQ(path::folder(fake), path::add_trailing_separator(dir));
    EXPECT_TRUE(fs::exists(fake)) << fake;

    const std::string missing = process::companion_program("vx-not-there");
    if (path::kSeparator == '/') {
        EXPECT_EQ(missing, "/usr/bin/vx-not-there");
    } else {
        EXPECT_EQ(missing, path::join(dir, "vx-not-there.exe"));
    }
}

TEST(WorkDirectory, IsMadeOrReusedButNeverTakenFromAFile) {
    TempDir dir;
    EXPECT_TRUE(process::make_work_directory(dir / "work"));
    EXPECT_TRUE(fs::is_directory(dir / "work"));
    EXPECT_TRUE(process::make_work_directory(dir / "work")) << "our own, from an earlier run";
    test::write_file(dir / "file", "x");
    EXPECT_FALSE(process::make_work_directory(dir / "file"));
    EXPECT_FALSE(process::make_work_directory(dir / path::join("missing", "work")));
    EXPECT_FALSE(process::make_work_directory(""));
}

TEST(SetEnvironmentVariable, SetsAndRemoves) {
    const std::string name = "VX_PROCESS_TEST_VARIABLE";
    ASSERT_TRUE(process::set_environment_variable(name, std::string("a b")));
    EXPECT_EQ(fs::environment_variable(name), std::optional<std::string>("a b"));
    ASSERT_TRUE(process::set_environment_variable(name, std::nullopt));
    EXPECT_FALSE(fs::environment_variable(name).has_value());
}

}  // namespace
}  // namespace vx
