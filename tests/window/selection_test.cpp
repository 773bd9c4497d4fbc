#include "window/selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

#include "crypt/messages.h"
#include "handoff/messages.h"
#include "handoff/writer.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/shared_memory.h"
#include "scripted_context.h"
#include "temp_dir.h"

namespace vx::window {
namespace {

using test::ScriptedContext;
using test::TempDir;
using test::write_file;

const std::string kSep(1, path::kSeparator);

// src/
//   docs/  a.txt  .hidden  inner/  deep.bin
//   note.txt
// others/  y.txt
struct Tree {
    TempDir dir;
    std::string src = dir / "src";
    std::string docs = path::join(src, "docs");
    std::string note = path::join(src, "note.txt");
    std::string y = dir / ("others" + kSep + "y.txt");
    Tree() {
        for (const std::string& f : {src, docs, path::join(docs, "inner"), dir / "others"})
            fs::create_directory(f);
        write_file(path::join(docs, "a.txt"), "a");
        write_file(path::join(docs, ".hidden"), "h");
        write_file(path::join(docs, "inner" + kSep + "deep.bin"), "d");
        write_file(note, "n");
        write_file(y, "y");
    }
    std::set<std::string> docs_entries() const {
        const std::string d = docs + kSep;
        return {d, d + "a.txt", d + ".hidden", d + "inner" + kSep, d + "inner" + kSep + "deep.bin"};
    }
};

// Every folder entry is followed at once by everything below it, and by nothing else.
void expect_depth_first(const FileList& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!path::ends_with_separator(list[i])) continue;
        std::size_t j = i + 1;
        while (j < list.size() && list[j].compare(0, list[i].size(), list[i]) == 0) ++j;
        for (std::size_t k = j; k < list.size(); ++k)
            EXPECT_NE(list[k].compare(0, list[i].size(), list[i]), 0) << list[k];
    }
}

int run_worker(WindowState& w, ScriptedContext& ctx, RequestKind kind,
               const std::vector<std::string>& paths, const std::string& text = "") {
    ProgressSelecting job;
    job.window = &w;
    job.kind = kind;
    job.paths = &paths;
    job.text = text;
    return selecting_worker(ctx, job);
}

TEST(SelectingWorker, AFolderComesFirstThenEverythingBelowItHiddenFilesIncluded) {
    Tree t;
#ifdef _WIN32
    auto hidden = fs::attributes(path::join(t.docs, ".hidden"));
    ASSERT_TRUE(hidden && (*hidden & fs::kHidden)) << "the fixture's hidden file is not hidden";
#endif
    WindowState w;
    w.close_after_run = 1;
    ScriptedContext ctx;
    const std::vector<std::string> chosen = {t.docs, t.note};
    EXPECT_EQ(run_worker(w, ctx, RequestKind::dialog_selection, chosen), 1);

    ASSERT_EQ(w.file_list.size(), 6u);
    EXPECT_EQ(w.file_list.front(), t.docs + kSep);
    EXPECT_EQ(w.file_list.back(), t.note);
    std::set<std::string> got(w.file_list.begin(), w.file_list.end() - 1);
    EXPECT_EQ(got, t.docs_entries());
    expect_depth_first(w.file_list);
    EXPECT_EQ(w.several_entries, 1u);
    EXPECT_EQ(w.close_after_run, 0u);
    EXPECT_TRUE(ctx.boxes.empty());
    // One status text per path.
    EXPECT_EQ(ctx.reports.size(), 6u);
    EXPECT_EQ(ctx.reports.front().text, "Selecting file: " + t.docs);
}

TEST(SelectingWorker, AMissingPathIsReportedAndPassedOver) {
    Tree t;
    WindowState w;
    ScriptedContext ctx;
    const std::string gone = path::join(t.src, "gone");
    const std::vector<std::string> dropped = {gone, t.note};
    run_worker(w, ctx, RequestKind::dropped_files, dropped);
    EXPECT_EQ(w.file_list, FileList{t.note});
    ASSERT_EQ(ctx.boxes.size(), 1u);
    EXPECT_EQ(ctx.boxes[0].text, msg::path_not_found(gone));
    EXPECT_EQ(ctx.boxes[0].caption, "Warning");
    EXPECT_EQ(ctx.boxes[0].owner, Owner::progress_dialog);
    EXPECT_EQ(w.several_entries, 1u);  // two paths were dropped
}

TEST(SelectingWorker, ASinglePathClearsTheRequestFlags) {
    Tree t;
    WindowState w;
    w.several_entries = 1;
    w.close_after_run = 1;
    ScriptedContext ctx;
    run_worker(w, ctx, RequestKind::single_path, {}, t.docs);
    std::set<std::string> got(w.file_list.begin(), w.file_list.end());
    EXPECT_EQ(got, t.docs_entries());
    EXPECT_EQ(w.several_entries, 0u);
    EXPECT_EQ(w.close_after_run, 0u);
}

TEST(SelectingWorker, ALinkBackToAnAncestorIsEnteredOnce) {
    Tree t;
    std::error_code ec;
    std::filesystem::create_directory_symlink(
        std::filesystem::u8path(t.docs),
        std::filesystem::u8path(path::join(t.docs, "inner" + kSep + "back")), ec);
    if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
    WindowState w;
    ScriptedContext ctx;
    run_worker(w, ctx, RequestKind::single_path, {}, t.docs);
    std::set<std::string> expected = t.docs_entries();
    expected.insert(t.docs + kSep + "inner" + kSep + "back" + kSep);
    std::set<std::string> got(w.file_list.begin(), w.file_list.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(w.file_list.size(), expected.size());
}

TEST(SelectingWorker, AStopEndsTheWalk) {
    Tree t;
    WindowState w;
    ScriptedContext ctx;
    ctx.stop_after_reports(2);
    run_worker(w, ctx, RequestKind::single_path, {}, t.docs);
    EXPECT_LE(w.file_list.size(), 2u);
}

TEST(SameFolderRule, OnlyTheTopLevelItemsDecide) {
    Tree t;
    struct Case {
        const char* name;
        std::vector<std::string> paths;
        bool stands;
    };
    const Case cases[] = {
        {"a folder and a file next to it", {t.docs, t.note}, true},
        {"files of two folders", {t.note, t.y}, false},
        {"two folders of different parents", {t.docs, t.dir / "others"}, false},
        {"a folder, then a file of another", {t.docs, t.y}, false},
    };
    for (const auto& c : cases) {
        WindowState w;
        ScriptedContext worker, main_thread;
        run_worker(w, worker, RequestKind::dropped_files, c.paths);
        EXPECT_EQ(selection_stands(w, false, main_thread), c.stands) << c.name;
        if (c.stands) {
            EXPECT_FALSE(w.file_list.empty()) << c.name;
            EXPECT_TRUE(main_thread.boxes.empty()) << c.name;
            continue;
        }
        EXPECT_TRUE(w.file_list.empty()) << c.name;
        ASSERT_EQ(main_thread.boxes.size(), 1u) << c.name;
        EXPECT_EQ(main_thread.boxes[0].text,
                  "All selected files must be from one folder!\r\n\r\nPlease, select files again.");
        EXPECT_EQ(main_thread.boxes[0].caption, "Warning");
        EXPECT_EQ(main_thread.boxes[0].owner, Owner::main_window);
    }
}

TEST(SameFolderRule, ADriveRootPasses) {
    const std::string root = path::kSeparator == '\\' ? "C:\\" : "/";
    WindowState w;
    w.file_list = {root, root + "a.txt", root + "Docs" + kSep, root + "Docs" + kSep + "b"};
    ScriptedContext boxes;
    EXPECT_TRUE(selection_stands(w, false, boxes));
    EXPECT_EQ(w.file_list.size(), 4u);
}

TEST(SameFolderRule, ACancelledSelectionIsCleared) {
    Tree t;
    WindowState w;
    w.file_list = {t.note};
    ScriptedContext boxes;
    EXPECT_FALSE(selection_stands(w, true, boxes));
    EXPECT_TRUE(w.file_list.empty());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(selection_stands(w, false, boxes));  // an empty list passes
}

TEST(SelectionMode, OneContainerIsDecryptedEverythingElseCrypted) {
    const struct {
        std::vector<std::string> paths;
        bool crypting;
    } cases[] = {
        {{"a.vx"}, false}, {{"A.VX"}, true},     {{"a.vx", "b.vx"}, true},
        {{"a.doc"}, true}, {{"a.vx.doc"}, true}, {{}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(crypting_for(c.paths), c.crypting) << (c.paths.empty() ? "" : c.paths[0]);
    }
    ModeRequest m = mode_for_paths({"C:\\d\\a.txt", "C:\\d\\b.txt"});
    EXPECT_EQ(m.path, "C:\\d\\a.txt");
    EXPECT_EQ(m.count, 2u);
    EXPECT_TRUE(m.crypting);
    EXPECT_EQ(m.variant, 0);
    EXPECT_EQ(mode_for_paths({}).count, 0u);
    EXPECT_EQ(open_dialog_folder("3 items selected"), "");
    EXPECT_EQ(open_dialog_folder(""), "");
    EXPECT_EQ(open_dialog_folder("d" + kSep + "a.txt"), "d" + kSep);

    WindowState w;
    w.first_entry = "C:\\d\\a.txt";
    w.entry_count = 3;
    ModeRequest h = mode_for_command_line(w, true, "Globals1.", true, 1);
    EXPECT_EQ(h.path, "C:\\d\\a.txt");
    EXPECT_EQ(h.count, 3u);
    EXPECT_TRUE(h.crypting);
    EXPECT_EQ(h.variant, 1);
    ModeRequest s = mode_for_command_line(w, false, "C:\\d\\a.vx", true, 2);
    EXPECT_EQ(s.path, "C:\\d\\a.vx");
    EXPECT_EQ(s.count, 1u);
    EXPECT_FALSE(s.crypting);
    EXPECT_EQ(s.variant, 0);
}

TEST(HandoffSelection, TheListedPathsAndTheRequestsFlags) {
    Tree t;
    handoff::Blocks blocks;
    ASSERT_EQ(handoff::write_blocks(std::vector<std::string>{t.docs, t.note}, blocks),
              handoff::WriteResult::written);
    WindowState w;
    ScriptedContext ctx;
    EXPECT_EQ(run_worker(w, ctx, RequestKind::handoff_list, {}, blocks.first_name()), 1);
    EXPECT_EQ(w.first_entry, t.docs);
    EXPECT_EQ(w.entry_count, 2u);
    EXPECT_EQ(w.several_entries, 1u);
    EXPECT_EQ(w.close_after_run, 1u);
    EXPECT_EQ(w.file_list.size(), 6u);
    EXPECT_EQ(w.file_list.back(), t.note);
    EXPECT_TRUE(ctx.boxes.empty());
}

TEST(HandoffSelection, UnexpectedEndLeavesNothingSelected) {
    Tree t;
    const std::string name = fresh_shared_memory_name();
    SharedMemory block;
    ASSERT_EQ(block.create(name), SharedMemory::Made::made);
    const std::u16string text = u"conmap:Globalx";
    std::memcpy(block.data(), text.data(), text.size() * 2);

    WindowState w;
    w.several_entries = 1;
    w.close_after_run = 1;
    w.first_entry = "old";
    w.entry_count = 4;
    ScriptedContext ctx;
    EXPECT_EQ(run_worker(w, ctx, RequestKind::handoff_list, {}, name), 0);
    EXPECT_TRUE(w.file_list.empty());
    EXPECT_EQ(w.first_entry, "");
    EXPECT_EQ(w.entry_count, 0u);
    EXPECT_EQ(w.several_entries, 0u);
    EXPECT_EQ(w.close_after_run, 0u);
    ASSERT_EQ(ctx.boxes.size(), 1u);
    EXPECT_EQ(ctx.boxes[0].text, handoff::msg::unexpected_end(name));
    EXPECT_EQ(ctx.boxes[0].caption, "Error");

    // The empty list passes the rule: the window takes the hand-off's mode with nothing selected.
    ScriptedContext boxes;
    EXPECT_TRUE(selection_stands(w, false, boxes));
    ModeRequest m = mode_for_command_line(w, true, name, false, 1);
    EXPECT_EQ(m.count, 0u);
    EXPECT_FALSE(m.crypting);
    EXPECT_EQ(m.variant, 1);
}

}  // namespace
}  // namespace vx::window
