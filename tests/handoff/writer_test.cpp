#include <gtest/gtest.h>

#include <deque>

#include "block_support.h"
#include "handoff/format.h"
#include "handoff/writer.h"

namespace vx::handoff {
namespace {

using test::text_of;
using test::u16;
using test::units_of;

// A path of exactly 'units' units.
std::u16string path_of(std::size_t units, char16_t fill = u'p') {
    std::u16string p = u"C:\\";
    p.resize(units, fill);
    return p;
}

// Names from a list, then fresh ones.
NameSource names_from(std::deque<std::string> names) {
    return [names]() mutable {
        if (names.empty()) return fresh_shared_memory_name();
        std::string n = names.front();
        names.pop_front();
        return n;
    };
}

TEST(HandoffWriter, OnePathIsTheBlocksOnlyTextThenZeros) {
    Blocks blocks;
    ASSERT_EQ(write_blocks(std::vector<std::string>{"C:\\Docs\\report.doc"}, blocks),
              WriteResult::written);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks.first_name(), blocks[0].name());
    std::u16string expected = u"C:\\Docs\\report.doc";
    expected.resize(kBlockUnits, u'\0');
    EXPECT_EQ(units_of(blocks[0]), expected);
}

TEST(HandoffWriter, ThreePathsInOneBlockByteForByte) {
    Blocks blocks;
    ASSERT_EQ(write_blocks(std::vector<std::string>{"C:\\a", "C:\\b\xC3\xA9", "C:\\c\\"}, blocks),
              WriteResult::written);
    ASSERT_EQ(blocks.size(), 1u);
    const std::uint8_t expected[] = {
        'C', 0, ':', 0, '\\', 0, 'a', 0, '\r', 0, '\n', 0,             // C:\a CR LF
        'C', 0, ':', 0, '\\', 0, 'b', 0, 0xE9, 0, '\r', 0, '\n', 0,    // C:\bé CR LF
        'C', 0, ':', 0, '\\', 0, 'c', 0, '\\', 0,                      // C:\c\ (no CR LF)
    };
    const std::uint8_t* data = blocks[0].data();
    for (std::size_t i = 0; i < sizeof expected; ++i) ASSERT_EQ(data[i], expected[i]) << i;
    for (std::size_t i = sizeof expected; i < SharedMemory::kSize; ++i) ASSERT_EQ(data[i], 0) << i;
}

TEST(HandoffWriter, AnEmptySelectionIsOneEmptyBlock) {
    Blocks blocks;
    ASSERT_EQ(write_blocks(std::vector<std::u16string>{}, blocks), WriteResult::written);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(text_of(blocks[0]), u"");
}

// Takes the chained blocks apart again, checking the layout on the way.
std::vector<std::u16string> entries_of(const Blocks& blocks) {
    std::vector<std::u16string> entries;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::u16string all = units_of(blocks[b]);
        const std::size_t end = all.find(u'\0');
        EXPECT_NE(end, std::u16string::npos) << "block " << b << " has no terminator";
        std::u16string text = all.substr(0, end);
        const bool last = b + 1 == blocks.size();
        const std::u16string chain = u"\r\nconmap:" + u16(last ? "" : blocks[b + 1].name());
        if (!last) {
            // CR LF, "conmap:", the next name, a zero unit: the block's last line.
            EXPECT_GE(text.size(), chain.size());
            EXPECT_EQ(text.substr(text.size() - chain.size()), chain) << "block " << b;
            text.resize(text.size() - chain.size());
        }
        EXPECT_NE(text.rfind(u"conmap:", 0), 0u) << "a chain line first in block " << b;
        std::size_t start = 0;
        for (;;) {
            std::size_t crlf = text.find(u"\r\n", start);
            entries.push_back(text.substr(start, crlf - start));
            if (crlf == std::u16string::npos) break;
            start = crlf + 2;
        }
    }
    return entries;
}

TEST(HandoffWriter, ALongSelectionIsChainedInOrderAndNeverPastABlocksEnd) {
    std::vector<std::u16string> paths;
    for (int i = 0; i < 30; ++i) paths.push_back(path_of(150 + 11 * i, u'a' + i % 26));
    Blocks blocks;
    ASSERT_EQ(write_blocks(paths, blocks), WriteResult::written);
    ASSERT_GE(blocks.size(), 3u);
    EXPECT_EQ(blocks.first_name(), blocks[0].name());
    EXPECT_EQ(entries_of(blocks), paths);
}

TEST(HandoffWriter, ABlockTakesEntriesWhileTheChainLineStillFitsBehindThem) {
    // Two entries that fill the room before the chain line exactly, then the same with one unit
    // more: the second entry moves to the next block.
    for (std::size_t extra : {0, 1}) {
        const std::vector<std::u16string> paths = {path_of(kMaxEntryUnits - 6 + extra), u"C:\\x",
                                                   u"C:\\y"};
        Blocks blocks;
        ASSERT_EQ(write_blocks(paths, blocks), WriteResult::written);
        EXPECT_EQ(entries_of(blocks), paths);
        ASSERT_EQ(blocks.size(), 2u) << extra;
        const std::u16string first = text_of(blocks[0]);
        const std::u16string chain = u"\r\nconmap:" + u16(blocks[1].name());
        if (extra == 0) {
            EXPECT_EQ(first, paths[0] + u"\r\n" + paths[1] + chain);
            EXPECT_EQ(text_of(blocks[1]), u"C:\\y");
        } else {
            EXPECT_EQ(first, paths[0] + chain);
            EXPECT_EQ(text_of(blocks[1]), u"C:\\x\r\nC:\\y");
        }
    }
}

TEST(HandoffWriter, PathsTheBlocksCannotCarryUnchangedAreRefusedBeforeAnythingIsMade) {
    const std::u16string bad[] = {
        u"",
        path_of(kMaxEntryUnits + 1),
        std::u16string(u"C:\\a\0b", 6),
        u"C:\\a\r\nC:\\b",
        u"conmap:Globalx",
    };
    for (const auto& p : bad) {
        Blocks blocks;
        EXPECT_EQ(write_blocks({u"C:\\fine", p}, blocks), WriteResult::unsuitable_path);
        EXPECT_EQ(blocks.size(), 0u);
        EXPECT_EQ(blocks.first_name(), "");
    }
    Blocks blocks;
    EXPECT_EQ(write_blocks(std::vector<std::string>{"C:\\\xC3"}, blocks),
              WriteResult::unsuitable_path);
    EXPECT_EQ(blocks.size(), 0u);
    // A lone CR or LF, quotes and a "conmap:" inside are characters like any other.
    EXPECT_EQ(write_blocks({u"C:\\a\rb", u"C:\\a\nb", u"C:\\'q' \"q\"", u"C:\\conmap:x"}, blocks),
              WriteResult::written);
}

TEST(HandoffWriter, ANameSomebodyElseHoldsIsPassedOverForAFreshOne) {
    // Another process's objects under the names the writer would pick first.
    SharedMemory first_taken = test::make_block(u"C:\\planted");
    SharedMemory chain_taken = test::make_block(u"C:\\planted too");
    const std::string good1 = fresh_shared_memory_name();
    const std::string good2 = fresh_shared_memory_name();

    Blocks blocks;
    const std::vector<std::u16string> paths = {path_of(kMaxEntryUnits), u"C:\\second"};
    ASSERT_EQ(write_blocks(paths, blocks,
                           names_from({first_taken.name(), good1, chain_taken.name(), good2})),
              WriteResult::written);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks.first_name(), good1);
    EXPECT_EQ(blocks[1].name(), good2);
    EXPECT_EQ(entries_of(blocks), paths);
    EXPECT_EQ(text_of(first_taken), u"C:\\planted");
    EXPECT_EQ(text_of(chain_taken), u"C:\\planted too");
}

TEST(HandoffWriter, ABlockThatCannotBeMadeStopsTheWrite) {
    // Windows takes the "\" for a namespace that does not exist, POSIX refuses the "/".
    const std::string bad = "Globalx\\no/such";
    {
        Blocks blocks;
        EXPECT_EQ(write_blocks({u"C:\\a"}, blocks, names_from({bad})), WriteResult::create_failed);
        EXPECT_EQ(blocks.size(), 0u);
    }
    {
        // The second block fails: the first stays with its entry.
        Blocks blocks;
        const std::string good = fresh_shared_memory_name();
        EXPECT_EQ(write_blocks({path_of(kMaxEntryUnits), u"C:\\b"}, blocks,
                               names_from({good, bad})),
                  WriteResult::create_failed);
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks.first_name(), good);
        EXPECT_EQ(text_of(blocks[0]), path_of(kMaxEntryUnits));
    }
    {
        // Every name taken: the writer gives up instead of trying for ever.
        SharedMemory taken = test::make_block(u"x");
        Blocks blocks;
        const std::string name = taken.name();
        EXPECT_EQ(write_blocks({u"C:\\a"}, blocks, [name] { return name; }),
                  WriteResult::create_failed);
        EXPECT_EQ(blocks.size(), 0u);
    }
    {
        // No name at all, or one too long for the room the chain line keeps.
        Blocks blocks;
        EXPECT_EQ(write_blocks({u"C:\\a"}, blocks, names_from({""})), WriteResult::create_failed);
        EXPECT_EQ(write_blocks({u"C:\\a"}, blocks,
                               names_from({"Global" + std::string(kMaxNameUnits, 'n')})),
                  WriteResult::create_failed);
    }
}

TEST(HandoffWriter, FailureTexts) {
    EXPECT_EQ(failure_text(WriteResult::written), "");
    EXPECT_EQ(failure_text(WriteResult::create_failed), "Could not create file mapping object.");
    EXPECT_EQ(failure_text(WriteResult::map_failed), "Could not map view of file.");
    EXPECT_EQ(failure_text(WriteResult::unsuitable_path),
              "Could not pass the selected paths to Vaultrix.");
}

}  // namespace
}  // namespace vx::handoff
