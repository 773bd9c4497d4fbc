// The main window's selection: the Select button's open dialog, dropped files and the command
// line, each read by the selecting worker under the "Selecting progress" dialog.
#include "ui/main_window.h"  // with <windows.h> and the shell's drop handle

#include "platform/path.h"
#include "platform/win32/drop.h"
#include "platform/win32/wide.h"
#include "ui/main_resources.h"
#include "ui/progress_dialog.h"

namespace vx::ui {

namespace {

// Boxes shown on the main thread once a worker has gone, owned by the main window.
class MainThreadBoxes final : public WorkerContext {
public:
    explicit MainThreadBoxes(HWND window) : window_(window) {}
    Answer ask(const Message& m) override {
        int id = MessageBoxW(window_, win32::widen(m.text).c_str(), win32::widen(m.caption).c_str(),
                             m.type);
        return id == IDOK    ? Answer::ok
               : id == IDYES ? Answer::yes
               : id == IDNO  ? Answer::no
                             : Answer::cancel;
    }
    YesToAll ask_yes_to_all(const std::string&, const std::string&) override {
        return YesToAll::no;
    }

protected:
    void show_text(const std::string&) override {}
    void show_position(int) override {}

private:
    HWND window_;
};

// Room for the names of a large choice of files; the dialog gives up on a choice that needs more.
constexpr std::size_t kOpenBufferUnits = 1 << 20;

}  // namespace

// The open dialog: several files, all files or only containers. Empty when cancelled.
std::vector<std::string> MSystem::open_dialog() {
    static const wchar_t filter[] = L"All files (*.*)\0*.*\0Crypted files (*.vx)\0*.vx\0";
    std::wstring buffer(kOpenBufferUnits, L'\0');
    const std::wstring folder = win32::widen(window::open_dialog_folder(text(IDC_TB_FILE)));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return {};

    // One file: its full path. Several: the folder, then every name, each ended by a zero.
    std::vector<std::string> names;
    const wchar_t* p = buffer.c_str();
    while (*p) {
        const std::size_t n = wcslen(p);
        names.push_back(win32::narrow(p, n));
        p += n + 1;
    }
    if (names.size() <= 1) return names;
    std::vector<std::string> chosen;
    for (std::size_t i = 1; i < names.size(); ++i) chosen.push_back(path::join(names[0], names[i]));
    return chosen;
}

void MSystem::select() {
    const std::vector<std::string> chosen = open_dialog();
    if (!chosen.empty()) select_paths(window::RequestKind::dialog_selection, chosen);
}

void MSystem::dropped(HDROP hdrop) {
    // While a run is under way (its modal dialog has disabled the window) the file list belongs
    // to the run's worker: a drop that still gets here is passed over.
    if (!IsWindowEnabled(hwnd_)) {
        DragFinish(hdrop);
        return;
    }
    std::vector<std::string> paths;
    for (const std::wstring& p : win32::dropped_paths(hdrop)) paths.push_back(win32::narrow(p));
    DragFinish(hdrop);
    drop(paths);
}

void MSystem::drop(const std::vector<std::string>& paths) {
    if (!paths.empty()) select_paths(window::RequestKind::dropped_files, paths);
}

void MSystem::select_paths(window::RequestKind kind, const std::vector<std::string>& paths) {
    window::ProgressSelecting job;
    job.window = &state_;
    job.kind = kind;
    job.paths = &paths;
    if (run_selection(job)) set_mode(window::mode_for_paths(paths));
}

bool MSystem::command_line_selection(const std::string& text, bool handoff, bool crypting,
                                     int variant) {
    state_.file_list.clear();
    state_.first_entry.clear();
    state_.entry_count = 0;
    window::ProgressSelecting job;
    job.window = &state_;
    job.kind = handoff ? window::RequestKind::handoff_list : window::RequestKind::single_path;
    job.text = text;
    if (!run_selection(job)) return false;
    set_mode(window::mode_for_command_line(state_, handoff, text, crypting, variant));
    return true;
}

bool MSystem::run_selection(window::ProgressSelecting& job) {
    state_.file_list.clear();
    // The worker writes the list: it is gone before the list is looked at.
    const bool cancelled =
        run_progress(window::kSelectingTitle, false, &job, [](WorkerContext& c, void* j) {
            return window::selecting_worker(c, *static_cast<window::ProgressSelecting*>(j));
        });
    MainThreadBoxes boxes(hwnd_);
    if (!window::selection_stands(state_, cancelled, boxes)) {
        set_mode(window::empty_mode());
        return false;
    }
    return true;
}

}  // namespace vx::ui
