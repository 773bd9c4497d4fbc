#pragma once
// The reader of a hand-off, in the program: the selecting worker's hand-off case. It opens,
// copies and closes every block once; the writer still holds them, so closing never destroys one.
#include <cstddef>
#include <string>
#include <vector>

#include "crypt/file_list.h"
#include "worker/context.h"

namespace vx::handoff {

// The lines of one block: its text up to the first zero unit (or the block's end when there is
// none), as UTF-8, split at CR LF only. A block that cannot be opened or mapped gives no lines,
// after a warning owned by the progress dialog.
std::vector<std::string> read_block(const std::string& name, WorkerContext& context);

// What a hand-off request leaves for the main window.
struct ListResult {
    bool ok = false;           // false after unexpected end: nothing selected, all else cleared
    std::string first_entry;   // the first block's first line, shown as the selected source
    std::size_t entry_count = 0;
    bool several_entries = false;  // more than one entry
    bool close_after_run = false;  // the window closes after a run that did not fail
};

// Reads the blocks from 'first_block' on and adds every listed path to 'list' (folders with
// everything below them, as add_path does), with one entry count over all blocks. A first line
// that is a chain line, a chain line that is not its block's last line, or a chain back to a block
// read already ends in "unexpected end" (caption "Error"): 'list' is emptied and the result is
// all cleared. A block that cannot be read only ends the list there, after its warning.
ListResult read_list(const std::string& first_block, FileList& list, WorkerContext& context);

}  // namespace vx::handoff
