// handoff_writer <names-file> <done-file> <path>...: a stand-in for the shell extension in tests.
// Writes the paths into hand-off blocks and leaves them open, puts the blocks' names (the first
// one first, one a line) into <names-file>, then waits for <done-file> (a minute at most) before
// it ends, and with it, on Windows, the blocks.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "handoff/writer.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/terminal.h"

namespace {

bool write_text(const std::string& path, const std::string& text) {
    vx::File f;
    return f.open(path, vx::File::Access::write_exclusive, vx::File::Disposition::create_always) &&
           f.write(text.data(), text.size());
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = vx::terminal::arguments(argc, argv);
    if (args.size() < 3) return 64;
    const std::string names_file = args[1];
    const std::string done_file = args[2];
    const std::vector<std::string> paths(args.begin() + 3, args.end());

    vx::handoff::Blocks blocks;
    vx::handoff::WriteResult r = vx::handoff::write_blocks(paths, blocks);
    if (r != vx::handoff::WriteResult::written) {
        vx::terminal::write(vx::terminal::Stream::error, vx::handoff::failure_text(r) + "\n");
        return 2;
    }
    std::string names;
    for (std::size_t i = 0; i < blocks.size(); ++i) names += blocks[i].name() + "\n";
    blocks.release();

    // Whole or not at all: the reader looks for the file while this runs.
    const std::string part = names_file + ".part";
    if (!write_text(part, names) || !vx::fs::rename(part, names_file, true)) return 3;

    for (int i = 0; i < 6000; ++i) {
        if (vx::fs::exists(done_file)) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 4;
}
