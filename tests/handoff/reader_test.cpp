#include <gtest/gtest.h>

#include "block_support.h"
#include "handoff/format.h"
#include "handoff/reader.h"
#include "handoff/writer.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "scripted_context.h"
#include "temp_dir.h"

namespace vx::handoff {
namespace {

using test::make_block;
using test::u16;

// Real files for the reader to add: the selection is checked against the file system.
class HandoffReader : public ::testing::Test {
protected:
    std::string file(const std::string& name) {
        const std::string p = dir_ / name;
        test::write_file(p, "x");
        return p;
    }

    // Writes 'paths', reads them back through the first block.
    ListResult hand_over(const std::vector<std::string>& paths, std::size_t* block_count = nullptr) {
        Blocks blocks;
        EXPECT_EQ(write_blocks(paths, blocks), WriteResult::written);
        if (block_count) *block_count = blocks.size();
        return read_list(blocks.first_name(), list_, context_);
    }

    void expect_unexpected_end(const ListResult& r, const std::string& name) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.first_entry, "");
        EXPECT_EQ(r.entry_count, 0u);
        EXPECT_FALSE(r.several_entries);
        EXPECT_FALSE(r.close_after_run);
        EXPECT_TRUE(list_.empty());
        ASSERT_FALSE(context_.boxes.empty());
        const Message& box = context_.boxes.back();
        EXPECT_EQ(box.text, "Mapping file object '" + name + "' unexpected end!");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.type, mb::kWarning);
        EXPECT_EQ(box.owner, Owner::progress_dialog);
    }

    test::TempDir dir_;
    FileList list_;
    test::ScriptedContext context_;
};

TEST_F(HandoffReader, OnePath) {
    const std::string a = file("report.doc");
    ListResult r = hand_over({a});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.first_entry, a);
    EXPECT_EQ(r.entry_count, 1u);
    EXPECT_FALSE(r.several_entries);
    EXPECT_TRUE(r.close_after_run);
    EXPECT_EQ(list_, FileList{a});
    EXPECT_TRUE(context_.boxes.empty());
}

TEST_F(HandoffReader, ThreePathsAndAFolderWithItsContents) {
    const std::string a = file("a.txt"), b = file("b.txt");
    const std::string sub = dir_ / "sub";
    ASSERT_TRUE(fs::create_directory(sub));
    const std::string inner = file(path::join("sub", "inner.txt"));
    ListResult r = hand_over({a, b, sub});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.first_entry, a);
    // Entries of the hand-off, not files found.
    EXPECT_EQ(r.entry_count, 3u);
    EXPECT_TRUE(r.several_entries);
    EXPECT_EQ(list_, (FileList{a, b, path::add_trailing_separator(sub), inner}));
}

TEST_F(HandoffReader, ChainedBlocksComeBackInOrderWithOneCount) {
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(file(std::string(120, static_cast<char>('a' + i % 26)) + std::to_string(i)));
    }
    std::size_t blocks = 0;
    ListResult r = hand_over(paths, &blocks);
    EXPECT_GE(blocks, 3u);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.first_entry, paths.front());
    EXPECT_EQ(r.entry_count, paths.size());
    EXPECT_TRUE(r.several_entries);
    EXPECT_TRUE(r.close_after_run);
    EXPECT_EQ(list_, paths);
    EXPECT_TRUE(context_.boxes.empty());
}

TEST_F(HandoffReader, ApostrophesAndNonAsciiComeBackUnchanged) {
    const std::vector<std::string> paths = {
        file("it's mine.txt"),
        file("'quoted'"),
        file("\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88"),  // Czech
        file("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"),                 // Japanese
        file("\xF0\x9F\x98\x80 smile"),                                   // past U+FFFF
    };
    ListResult r = hand_over(paths);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.first_entry, paths.front());
    EXPECT_EQ(list_, paths);
    EXPECT_TRUE(context_.boxes.empty()) << context_.box_texts().front();
}

TEST_F(HandoffReader, AnEmptyFirstBlockIsACompletedRequestWithNothing) {
    SharedMemory empty = make_block(u"");
    ListResult r = read_list(empty.name(), list_, context_);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.first_entry, "");
    EXPECT_EQ(r.entry_count, 0u);
    EXPECT_FALSE(r.several_entries);
    EXPECT_TRUE(r.close_after_run);
    EXPECT_TRUE(list_.empty());
    EXPECT_TRUE(context_.boxes.empty());
}

TEST_F(HandoffReader, AChainLineFirstIsUnexpectedEndOfThatBlock) {
    SharedMemory next = make_block(u16(file("a.txt")));
    SharedMemory first = make_block(u"conmap:" + u16(next.name()));
    expect_unexpected_end(read_list(first.name(), list_, context_), first.name());
    EXPECT_EQ(context_.boxes.size(), 1u);
}

TEST_F(HandoffReader, AChainLineBeforeAnotherLineIsUnexpectedEndOfTheAnnouncedBlock) {
    SharedMemory next = make_block(u16(file("c.txt")));
    SharedMemory first = make_block(u16(file("a.txt")) + u"\r\nconmap:" + u16(next.name()) +
                                    u"\r\n" + u16(file("b.txt")));
    expect_unexpected_end(read_list(first.name(), list_, context_), next.name());
    EXPECT_EQ(context_.boxes.size(), 1u);
}

TEST_F(HandoffReader, AChainThatComesBackIsUnexpectedEndNotALoop) {
    // Block names are fresh for every block: one named again is broken data.
    const std::string a = file("a.txt");
    SharedMemory second = make_block(u"");
    SharedMemory first = make_block(u16(a) + u"\r\nconmap:" + u16(second.name()));
    test::fill(second, u16(a) + u"\r\nconmap:" + u16(first.name()));
    expect_unexpected_end(read_list(first.name(), list_, context_), first.name());
}

TEST_F(HandoffReader, ABlockThatDoesNotExistIsAWarning) {
    const std::string missing = fresh_shared_memory_name();
    ListResult r = read_list(missing, list_, context_);
    ASSERT_EQ(context_.boxes.size(), 1u);
    EXPECT_EQ(context_.boxes[0].text, "Mapping file object '" + missing + "' cannot be opened!");
    EXPECT_EQ(context_.boxes[0].caption, "Warning");
    EXPECT_EQ(context_.boxes[0].type, mb::kWarning);
    EXPECT_EQ(context_.boxes[0].owner, Owner::progress_dialog);
    // No lines from it: a completed request with nothing in it.
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.entry_count, 0u);
    EXPECT_TRUE(list_.empty());
}

TEST_F(HandoffReader, AChainedBlockThatIsGoneEndsTheListAfterItsWarning) {
    const std::string a = file("a.txt"), b = file("b.txt");
    const std::string gone = fresh_shared_memory_name();
    SharedMemory first = make_block(u16(a) + u"\r\n" + u16(b) + u"\r\nconmap:" + u16(gone));
    ListResult r = read_list(first.name(), list_, context_);
    EXPECT_EQ(context_.box_texts(),
              std::vector<std::string>{"Mapping file object '" + gone + "' cannot be opened!"});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.entry_count, 2u);
    EXPECT_EQ(list_, (FileList{a, b}));
}

TEST(HandoffReadBlock, LinesAreSplitAtCrLfOnly) {
    test::ScriptedContext context;
    SharedMemory block = make_block(
        u"C:\\it's here\r\n'C:\\quoted'\r\n\"C:\\dq\"\r\nC:\\a\rb\nc\r\nC:\\x, y; z");
    EXPECT_EQ(read_block(block.name(), context),
              (std::vector<std::string>{"C:\\it's here", "'C:\\quoted'", "\"C:\\dq\"",
                                        "C:\\a\rb\nc", "C:\\x, y; z"}));
    EXPECT_TRUE(context.boxes.empty());
}

TEST(HandoffReadBlock, ABlockWithoutATerminatorIsReadToItsEndAndNoFurther) {
    test::ScriptedContext context;
    std::u16string full(kBlockUnits, u'x');
    full.replace(0, 4, u"C:\\a");
    full.replace(kBlockUnits - 3, 3, u"end");
    SharedMemory block = make_block(full);
    const auto lines = read_block(block.name(), context);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), kBlockUnits);
    EXPECT_EQ(lines[0].substr(0, 4), "C:\\a");
    EXPECT_EQ(lines[0].substr(kBlockUnits - 3), "end");
}

TEST(HandoffReadBlock, AWholeBlockOfNonAsciiTextIsNeverCut) {
    // Three UTF-8 bytes for each unit: a buffer sized by units would keep a third of it.
    test::ScriptedContext context;
    const std::u16string cjk(kBlockUnits - 1, u'\u65E5');
    SharedMemory block = make_block(cjk);
    const auto lines = read_block(block.name(), context);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(u16(lines[0]), cjk);
}

TEST(HandoffWriterAndReader, ReleasedBlocksOutliveTheirWriter) {
    test::TempDir dir;
    const std::string a = dir / "a.txt";
    test::write_file(a, "x");
    std::string first;
    {
        Blocks blocks;
        ASSERT_EQ(write_blocks(std::vector<std::string>{a}, blocks), WriteResult::written);
        first = blocks.first_name();
        blocks.release();
    }
    test::ScriptedContext context;
    FileList list;
    ListResult r = read_list(first, list, context);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(list, FileList{a});
    SharedMemory::discard(first);
}

}  // namespace
}  // namespace vx::handoff
