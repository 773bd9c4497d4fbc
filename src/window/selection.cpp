#include "window/selection.h"

#include "crypt/file_list.h"
#include "handoff/reader.h"
#include "platform/path.h"

namespace vx::window {

int selecting_worker(WorkerContext& context, ProgressSelecting& job) {
    WindowState& w = *job.window;
    switch (job.kind) {
        case RequestKind::dropped_files:
        case RequestKind::dialog_selection: {
            static const std::vector<std::string> none;
            const auto& paths = job.paths ? *job.paths : none;
            for (const auto& p : paths) add_path(w.file_list, context, p, true);
            w.close_after_run = 0;
            w.several_entries = paths.size() > 1 ? 1 : 0;
            return 1;
        }
        case RequestKind::single_path:
            add_path(w.file_list, context, job.text, true);
            w.several_entries = 0;
            w.close_after_run = 0;
            return 1;
        case RequestKind::handoff_list: {
            handoff::ListResult r = handoff::read_list(job.text, w.file_list, context);
            w.first_entry = r.first_entry;
            w.entry_count = static_cast<std::uint32_t>(r.entry_count);
            w.several_entries = r.several_entries ? 1 : 0;
            w.close_after_run = r.close_after_run ? 1 : 0;
            return r.ok ? 1 : 0;
        }
    }
    return 1;
}

bool selection_stands(WindowState& state, bool cancelled, WorkerContext& boxes) {
    if (cancelled || !same_folder_rule(state.file_list, boxes)) {
        state.file_list.clear();
        return false;
    }
    return true;
}

bool crypting_for(const std::vector<std::string>& paths) {
    return !(paths.size() == 1 && path::extension(paths.front()) == ".vx");
}

std::string open_dialog_folder(const std::string& file_text) { return path::folder(file_text); }

ModeRequest empty_mode() { return ModeRequest(); }

ModeRequest mode_for_paths(const std::vector<std::string>& paths) {
    ModeRequest m;
    if (paths.empty()) return m;
    m.path = paths.front();
    m.count = paths.size();
    m.crypting = crypting_for(paths);
    return m;
}

ModeRequest mode_for_command_line(const WindowState& state, bool handoff, const std::string& text,
                                  bool crypting, int variant) {
    ModeRequest m;
    if (handoff) {
        m.path = state.first_entry;
        m.count = state.entry_count;
        m.crypting = crypting;
        m.variant = variant;
    } else {
        m.path = text;
        m.count = 1;
        m.crypting = false;
    }
    return m;
}

}  // namespace vx::window
