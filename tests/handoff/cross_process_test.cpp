#include <gtest/gtest.h>

#include "handoff/reader.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/shared_memory.h"
#include "scripted_context.h"
#include "temp_dir.h"

namespace vx::handoff {
namespace {

TEST(HandoffAcrossProcesses, TheProgramReadsWhatAnotherProcessWrote) {
    test::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 24; ++i) {
        paths.push_back(dir / (std::string(100, static_cast<char>('a' + i)) + "-" +
                               std::to_string(i)));
    }
    paths.push_back(dir / "it's \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD \xE6\x97\xA5");
    for (const auto& p : paths) test::write_file(p, "x");
    const std::string names_file = dir / "names.txt";
    const std::string done_file = dir / "done";

    std::vector<std::string> args = {process::companion_program("handoff_writer"), names_file,
                                     done_file};
    args.insert(args.end(), paths.begin(), paths.end());

    std::vector<std::string> names;
    test::ScriptedContext context;
    FileList list;
    ListResult read;
    // Read while the writer lives, then let it go.
    process::Result run = process::run_hidden(process::join_command_line(args), [&] {
        if (names.empty() && fs::exists(names_file)) {
            names = test::read_lines(names_file);
            if (!names.empty()) read = read_list(names.front(), list, context);
            test::write_file(done_file, "");
        }
        return false;
    });
    EXPECT_EQ(run.end, process::End::exited) << run.output;
    EXPECT_EQ(run.exit_code, 0) << run.output;
    ASSERT_GE(names.size(), 2u);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.first_entry, paths.front());
    EXPECT_EQ(read.entry_count, paths.size());
    EXPECT_EQ(list, paths);
    EXPECT_TRUE(context.boxes.empty()) << context.box_texts().front();
    for (const auto& n : names) SharedMemory::discard(n);
}

}  // namespace
}  // namespace vx::handoff
