#pragma once
// The selection: what the window holds of it, the four ways it comes in (dropped files, the open
// dialog, a path on the command line, a hand-off list from the shell), the selecting worker that
// fills the file list on the worker thread, and the rules applied once it has run.
#include <cstdint>
#include <string>
#include <vector>

#include "crypt/run_owner.h"
#include "worker/context.h"

namespace vx::window {

// The window's state beyond what the runs use.
struct WindowState : RunOwner {
    std::string first_entry;            // the first path of a hand-off list
    std::uint32_t entry_count = 0;      // top-level items of a hand-off list
    std::uint32_t close_after_run = 0;  // a hand-off: close after a run that did not fail
};

enum class RequestKind : std::uint16_t {
    dropped_files = 1,
    dialog_selection = 2,
    single_path = 3,
    handoff_list = 4,
};

// The selecting worker's job record.
struct ProgressSelecting {
    WindowState* window = nullptr;
    RequestKind kind = RequestKind::single_path;
    // The dropped paths or the open dialog's chosen files, in their order; null otherwise.
    const std::vector<std::string>* paths = nullptr;
    // The command-line path, or the first hand-off block's name.
    std::string text;
};

// Fills the window's file list (folders walked recursively) and sets its request flags. Returns 1,
// or 0 after a hand-off list that ended unexpectedly (nothing is then selected). Nobody looks at
// the result: the stop flag and the same-folder rule decide.
int selecting_worker(WorkerContext& context, ProgressSelecting& job);

// What stands after the selecting worker has gone: false (and the file list emptied) when the
// user cancelled or the selection fails the same-folder rule, whose warning goes to 'boxes'.
bool selection_stands(WindowState& state, bool cancelled, WorkerContext& boxes);

// A choice of paths is crypted unless it is exactly one whose extension is exactly ".vx".
bool crypting_for(const std::vector<std::string>& paths);

// The open dialog's first folder: the drive and folder part of what tb_File shows; empty (the
// dialog's own choice) when that has none.
std::string open_dialog_folder(const std::string& file_text);

// The set-mode operation's arguments.
struct ModeRequest {
    std::string path;
    std::size_t count = 0;
    bool crypting = true;
    int variant = 0;
};

// Nothing selected: the initial look.
ModeRequest empty_mode();
// Dropped files or the open dialog's choice.
ModeRequest mode_for_paths(const std::vector<std::string>& paths);
// A command-line selection: a hand-off shows its first entry and entry count in the hand-off's
// mode; a single path is one container to decrypt.
ModeRequest mode_for_command_line(const WindowState& state, bool handoff, const std::string& text,
                                  bool crypting, int variant);

}  // namespace vx::window
