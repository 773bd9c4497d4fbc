#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "archive/archiver.h"
#include "fake_archiver.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"
#include "scripted_context.h"
#include "temp_dir.h"

namespace vx {
namespace {

using test::bytes_of;
using test::FakeMode;
using test::ScopedVariable;
using test::ScriptedContext;
using test::TempDir;

// A path written with "/" in the platform's own form.
std::string native(std::string p) {
    for (char& c : p) {
        if (c == '/') c = path::kSeparator;
    }
    return p;
}

// The hand-off with the real archiver and a temporary directory of the test's own.
ArchiverSetup real_setup(const TempDir& dir) {
    ArchiverSetup s = default_archiver_setup();
    s.temp_directory = dir.path();
    return s;
}

ArchiverSetup fake_setup(const TempDir& dir) { return {test::fake_archiver(), dir.path()}; }

struct ZipEntry {
    std::string name;
    std::uint32_t size = 0;
    bool operator==(const ZipEntry& o) const { return name == o.name && size == o.size; }
};

std::uint32_t le(const Buffer& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
    return v;
}

// The entries of a zip archive, read from its central directory.
std::vector<ZipEntry> zip_entries(const Buffer& zip) {
    std::vector<ZipEntry> entries;
    if (zip.size() < 22) return entries;
    std::size_t end = zip.size() - 22;
    while (end > 0 && le(zip, end, 4) != 0x06054b50) --end;
    if (le(zip, end, 4) != 0x06054b50) return entries;
    std::size_t count = le(zip, end + 10, 2);
    std::size_t at = le(zip, end + 16, 4);
    for (std::size_t i = 0; i < count && le(zip, at, 4) == 0x02014b50; ++i) {
        std::size_t name_length = le(zip, at + 28, 2);
        auto name = zip.begin() + static_cast<std::ptrdiff_t>(at + 46);
        entries.push_back({std::string(name, name + static_cast<std::ptrdiff_t>(name_length)),
                           le(zip, at + 24, 4)});
        at += 46 + name_length + le(zip, at + 30, 2) + le(zip, at + 32, 2);
    }
    return entries;
}

Buffer pattern(std::size_t size) {
    Buffer b(size);
    std::uint32_t x = 2463534242u;
    for (std::size_t i = 0; i < size; ++i) {
        // Stretches of noise and of text, so that the archive is neither stored nor trivial.
        if ((i / 4096) % 2 == 0) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b[i] = static_cast<std::uint8_t>(x);
        } else {
            b[i] = static_cast<std::uint8_t>("Vaultrix block "[i % 15]);
        }
    }
    return b;
}

// Nothing of the hand-off is left in the temporary directory.
void expect_clean(const ArchiverJob& job) {
    EXPECT_FALSE(fs::exists(job.part_file)) << job.part_file;
    EXPECT_FALSE(fs::exists(job.archive_file)) << job.archive_file;
    EXPECT_FALSE(fs::exists(job.folder)) << job.folder;
}

TEST(ArchiverJob, CommandLinesCharacterForCharacter) {
    const std::string pid = std::to_string(fs::process_id());
    const std::string work = native("/tmp/my work/Vaultrix-" + pid);
    const std::string part = work + native("/temp.part");
    const std::string zip = work + native("/temp.part.zip");
    const std::string program = native("/opt/7-Zip/7z");
    for (const std::string& temp : {native("/tmp/my work"), native("/tmp/my work/")}) {
        ArchiverJob job = archiver_job({program, temp});
        EXPECT_EQ(job.folder, work) << temp;
        EXPECT_EQ(job.part_file, part);
        EXPECT_EQ(job.archive_file, zip);
        EXPECT_EQ(job.archiver, "\"" + program + "\"");
        EXPECT_EQ(job.zip_command, "\"" + program + "\" a -y \"" + zip + "\" \"" + part + "\"");
        EXPECT_EQ(job.unzip_command,
                  "\"" + program + "\" e -y -o\"" + work + "\" \"" + zip + "\"");
        // And the archiver gets the arguments meant, the output folder among them.
        using Args = std::vector<std::string>;
        EXPECT_EQ(process::split_command_line(job.zip_command),
                  (Args{program, "a", "-y", zip, part}));
        EXPECT_EQ(process::split_command_line(job.unzip_command),
                  (Args{program, "e", "-y", "-o" + work, zip}));
    }
}

TEST(ArchiverSetup, TheArchiverBesideTheProgramAndTheTempFolder) {
    TempDir dir;
    {
        ScopedVariable temp("TEMP", dir.path());
        ArchiverSetup s = default_archiver_setup();
        EXPECT_EQ(s.temp_directory, dir.path());
        if (path::kSeparator == '/') {
            EXPECT_EQ(s.program, "/usr/bin/7z") << "no 7z beside the test program";
        } else {
            EXPECT_EQ(s.program, path::join(fs::program_directory(), "7z.exe"));
        }
    }
    for (const auto& unset : {std::optional<std::string>(), std::optional<std::string>("")}) {
        ScopedVariable temp("TEMP", unset);
        ScopedVariable tmpdir("TMPDIR", dir.path());
        ArchiverSetup s = default_archiver_setup();
        EXPECT_EQ(s.temp_directory, fs::temp_directory());
        if (path::kSeparator == '/') {
            EXPECT_EQ(s.temp_directory, dir.path());
        }
    }
}

TEST(ZipAndUnzip, RoundTripThroughTheRealArchiver) {
    for (std::size_t size : {std::size_t{5}, std::size_t{10} << 20}) {
        TempDir dir;
        ScriptedContext context;
        const ArchiverSetup setup = real_setup(dir);
        const Buffer input = size == 5 ? bytes_of(std::string("a\0b\r\n", 5)) : pattern(size);
        ASSERT_EQ(input.size(), size);

        Buffer zipped;
        ASSERT_TRUE(zip_part(context, "C:\\Docs\\plans.doc", input, zipped, setup))
            << (context.boxes.empty() ? "" : context.boxes[0].text);
        EXPECT_EQ(zip_entries(zipped),
                  (std::vector<ZipEntry>{{"temp.part", static_cast<std::uint32_t>(size)}}));
        expect_clean(archiver_job(setup));

        Buffer block = zipped;
        ASSERT_TRUE(unzip_block(context, "plans.doc", "C:\\Docs\\plans.vx", block, setup))
            << (context.boxes.empty() ? "" : context.boxes[0].text);
        EXPECT_TRUE(block == input) << "size " << size;
        expect_clean(archiver_job(setup));
        EXPECT_TRUE(context.boxes.empty());
    }
}

TEST(ZipAndUnzip, DeleteStaleTempFilesFirst) {
    TempDir dir;
    ScriptedContext context;
    const ArchiverSetup setup = real_setup(dir);
    const ArchiverJob job = archiver_job(setup);
    auto plant = [&] {
        ASSERT_TRUE(process::make_work_directory(job.folder));
        test::write_file(job.part_file, "stale part");
        // 7-Zip would refuse to add to this, or add to a real archive: either way, wrong.
        test::write_file(job.archive_file, "stale, and no archive");
    };
    const Buffer input = bytes_of("fresh bytes");

    plant();
    Buffer zipped;
    ASSERT_TRUE(zip_part(context, "a.txt", input, zipped, setup));
    EXPECT_EQ(zip_entries(zipped), (std::vector<ZipEntry>{{"temp.part", 11}}));

    plant();
    Buffer block = zipped;
    ASSERT_TRUE(unzip_block(context, "a.txt", "a.vx", block, setup));
    EXPECT_TRUE(block == input);
    expect_clean(job);
    EXPECT_TRUE(context.boxes.empty());
}

// A way to make a step fail: it prepares the temporary directory or the setup, and gives the
// mode of the fake archiver ("" for the real one).
struct Fault {
    const char* situation;
    std::function<void(const ArchiverJob&, ArchiverSetup&, const TempDir&)> prepare;
    const char* fake;
};

void folder_at(const std::string& p) {
    ASSERT_TRUE(process::make_work_directory(path::folder(p)));
    ASSERT_TRUE(fs::create_directory(p));
}

const Fault kOldPartStays{"old part file cannot be deleted",
                          [](auto& job, auto&, auto&) { folder_at(job.part_file); }, ""};
const Fault kOldArchiveStays{"old archive file cannot be deleted",
                             [](auto& job, auto&, auto&) { folder_at(job.archive_file); }, ""};
const Fault kNoWorkFolder{"the temp folder is a file",
                          [](auto&, auto& setup, auto& dir) {
                              setup.temp_directory = dir / "file";
                              test::write_file(setup.temp_directory, "x");
                          },
                          ""};
const Fault kNoArchiver{"the archiver is missing",
                        [](auto&, auto& setup, auto& dir) { setup.program = dir / "7z.exe"; }, ""};
const Fault kNoResult{"no result file", nullptr, "silent"};
const Fault kBrokenResult{"a failed run leaves a result", nullptr, "broken"};
const Fault kResultUnreadable{"the result is a folder", nullptr, "folder"};

struct Row {
    Fault fault;
    // The expected text, from the job's file names and the quoted archiver.
    std::function<std::string(const ArchiverJob&)> text;
};

// Runs one operation with a fault in place; the job is the one the operation saw.
template <typename Operation>
ArchiverJob with_fault(const Fault& fault, const TempDir& dir, Operation operation) {
    ArchiverSetup setup = fault.fake[0] ? fake_setup(dir) : real_setup(dir);
    if (fault.prepare) fault.prepare(archiver_job(setup), setup, dir);
    FakeMode mode(fault.fake);
    operation(setup);
    return archiver_job(setup);
}

TEST(ZipPart, WarnsOnceForEveryFailingStep) {
    const std::string head = "File 'C:\\Docs\\plans.doc' or its part cannot be zipped!\r\n\r\n";
    const Row rows[] = {
        {kOldPartStays,
         [&](auto& j) { return head + "Old temp file '" + j.part_file + "' cannot be deleted."; }},
        {kOldArchiveStays,
         [&](auto& j) {
             return head + "Old temp file '" + j.archive_file + "' cannot be deleted.";
         }},
        {kNoWorkFolder,
         [&](auto& j) { return head + "Temp file '" + j.part_file + "' cannot be saved."; }},
        {kNoArchiver, [&](auto& j) { return head + "'" + j.archiver + "' runtime error."; }},
        {kNoResult,
         [&](auto& j) { return head + "Temp file '" + j.archive_file + "' cannot be saved."; }},
        {kBrokenResult,
         [&](auto& j) { return head + "Temp file '" + j.archive_file + "' cannot be saved."; }},
        {kResultUnreadable,
         [&](auto& j) { return head + "Temp file '" + j.archive_file + "' cannot be read."; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault.situation);
        TempDir dir;
        ScriptedContext context;
        bool ok = true;
        ArchiverJob job = with_fault(row.fault, dir, [&](const ArchiverSetup& setup) {
            Buffer output;
            ok = zip_part(context, "C:\\Docs\\plans.doc", bytes_of("plain"), output, setup);
        });
        EXPECT_FALSE(ok);
        ASSERT_EQ(context.boxes.size(), 1u);
        EXPECT_EQ(context.boxes[0].text, row.text(job));
        EXPECT_EQ(context.boxes[0].caption, "Warning");
        EXPECT_EQ(context.boxes[0].type, 0x30u);
        EXPECT_EQ(context.boxes[0].owner, Owner::progress_dialog);
        // The plain bytes never stay behind in a temp file.
        EXPECT_FALSE(fs::exists(job.part_file) && !fs::is_directory(job.part_file));
    }
}

TEST(UnzipBlock, AsksOrWarnsOnceForEveryFailingStep) {
    const std::string head =
        "File or block 'Docs\\plans.doc' inside 'C:\\plans.vx' cannot be unzipped!\r\n\r\n";
    const std::string again = "\r\n\r\nTry again?";
    const Row rows[] = {
        {kOldArchiveStays,
         [&](auto& j) {
             return head + "Old temp file '" + j.archive_file + "' cannot be deleted." + again;
         }},
        {kOldPartStays,
         [&](auto& j) {
             return head + "Old temp file '" + j.part_file + "' cannot be deleted." + again;
         }},
        {kNoWorkFolder,
         [&](auto& j) {
             return head + "Temp file '" + j.archive_file + "' cannot be saved." + again;
         }},
        {kNoArchiver,
         [&](auto& j) { return head + "'" + j.archiver + "' runtime error." + again; }},
        {kNoResult,
         [&](auto& j) {
             return head + "Temp file '" + j.part_file + "' cannot be saved." + again +
                    "\r\n\r\n\r\n\r\nDEBUG:\r\n"
                    "fake archiver: nothing made\nfake archiver: exit 2\n";
         }},
        {kResultUnreadable,
         [&](auto& j) { return head + "Temp file '" + j.part_file + "' cannot be read."; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault.situation);
        TempDir dir;
        ScriptedContext context;  // answers No
        bool ok = true;
        ArchiverJob job = with_fault(row.fault, dir, [&](const ArchiverSetup& setup) {
            Buffer block = bytes_of("zipped");
            ok = unzip_block(context, "Docs\\plans.doc", "C:\\plans.vx", block, setup);
        });
        EXPECT_FALSE(ok);
        ASSERT_EQ(context.boxes.size(), 1u);
        const bool question = row.fault.prepare || row.fault.fake != std::string("folder");
        EXPECT_EQ(context.boxes[0].text, row.text(job));
        EXPECT_EQ(context.boxes[0].caption, "Warning");
        EXPECT_EQ(context.boxes[0].type, question ? 0x134u : 0x30u);
        EXPECT_EQ(context.boxes[0].owner, Owner::progress_dialog);
        EXPECT_FALSE(fs::exists(job.archive_file) && !fs::is_directory(job.archive_file));
    }
}

TEST(UnzipBlock, ShowsWhatTheArchiverGotAfterDebug) {
    TempDir dir;
    ScriptedContext context;
    const ArchiverSetup setup = fake_setup(dir);
    const ArchiverJob job = archiver_job(setup);
    FakeMode mode("echo");
    Buffer block = bytes_of("zipped");
    EXPECT_FALSE(unzip_block(context, "a", "b.vx", block, setup));
    ASSERT_EQ(context.boxes.size(), 1u);
    const std::string& text = context.boxes[0].text;
    const std::string debug = "\r\n\r\nTry again?\r\n\r\n\r\n\r\nDEBUG:\r\n";
    EXPECT_EQ(text.substr(text.find(debug) + debug.size()),
              "[e]\n[-y]\n[-o" + job.folder + "]\n[" + job.archive_file + "]\nto stderr\n");
}

TEST(UnzipBlock, YesRepeatsTheWholeOperation) {
    TempDir dir;
    const ArchiverSetup setup = real_setup(dir);
    const ArchiverJob job = archiver_job(setup);
    const Buffer input = bytes_of("the plain block");
    Buffer zipped;
    {
        ScriptedContext zipper;
        ASSERT_TRUE(zip_part(zipper, "a", input, zipped, setup));
    }

    // Yes, then No: the same question twice, nothing restored.
    {
        ScriptedContext context;
        context.answers = {Answer::yes, Answer::no};
        folder_at(job.part_file);
        Buffer block = zipped;
        EXPECT_FALSE(unzip_block(context, "a", "b.vx", block, setup));
        ASSERT_EQ(context.boxes.size(), 2u);
        EXPECT_EQ(context.boxes[0].text, context.boxes[1].text);
        EXPECT_NE(context.boxes[0].text.find(job.part_file + "' cannot be deleted"),
                  std::string::npos);
    }
    // Yes twice, and the trouble goes away before the third attempt: the block is restored.
    {
        ScriptedContext context;
        context.answers = {Answer::yes, Answer::yes};
        context.on_box = [&](const Message&) {
            if (context.boxes.size() == 2) fs::remove_directory(job.part_file);
        };
        Buffer block = zipped;
        EXPECT_TRUE(unzip_block(context, "a", "b.vx", block, setup));
        EXPECT_EQ(context.boxes.size(), 2u);
        EXPECT_TRUE(block == input);
        expect_clean(job);
    }
}

TEST(ZipAndUnzip, AStoppedRunEndsTheArchiverAndAsksNothing) {
    for (bool zipping : {true, false}) {
        SCOPED_TRACE(zipping ? "zip" : "unzip");
        TempDir dir;
        ScriptedContext context;
        const ArchiverSetup setup = fake_setup(dir);
        const std::string marker = dir / "started";
        FakeMode mode("hang");
        ScopedVariable where("VX_FAKE_MARKER", marker);
        // The user cancels once the archiver runs; it would otherwise wait five minutes.
        std::thread user([&] {
            for (int i = 0; i < 6000 && !fs::exists(marker); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            context.request_stop();
        });
        Buffer bytes = bytes_of("bytes");
        Buffer out;
        bool ok = zipping ? zip_part(context, "a", bytes, out, setup)
                          : unzip_block(context, "a", "b.vx", bytes, setup);
        user.join();
        EXPECT_TRUE(fs::exists(marker)) << "the archiver ran";
        EXPECT_FALSE(ok);
        EXPECT_TRUE(context.boxes.empty());
        expect_clean(archiver_job(setup));
    }
}

}  // namespace
}  // namespace vx
