// vx: the command-line front end of Vaultrix, over the same runs and containers as the window.
#include "commands.h"
#include "options.h"
#include "output.h"
#include "platform/memory.h"
#include "platform/terminal.h"

int main(int argc, char** argv) {
    using namespace vx;
    // First of all: from here on Ctrl-C only raises a flag, which the runs look at.
    terminal::catch_interrupt();
    // A run frees and takes a 10 MiB buffer or three for every block: keep them in the process.
    memory::keep_freed(64u << 20);
    std::vector<std::string> args = terminal::arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());
    cli::Parsed parsed = cli::parse(args);
    if (!parsed.error.empty()) {
        terminal::write(terminal::Stream::error, cli::text::usage_error(parsed.error));
        return cli::kUsage;
    }
    return cli::run(parsed.options);
}
