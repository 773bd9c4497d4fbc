#pragma once
// The main window MSystem: the selection, the key, the zipping option, the target and the command
// button. Its rules live in the portable vx_window library; this class applies them to the Win32
// controls of the form resource "ID_MSystem" and forwards the controls' events to them. Every run
// (selecting, crypting, decrypting) goes to a modal progress dialog with its own worker thread.
#include <windows.h>
// The common dialogs and the shell's drop handle, which the lean <windows.h> leaves out.
#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "crypt/engine.h"
#include "handoff/command_line.h"
#include "ui/handle.h"
#include "window/command.h"
#include "window/selection.h"

namespace vx::ui {

class MSystem {
public:
    enum class Binding {
        ok,
        engine_missing,  // the cipher engine could not be bound (its message has been shown)
        system_missing,  // "kernel32.dll" or one of its 64-bit file functions is missing
    };

    // Binds the cipher engine and the 64-bit file functions, loads "ast.ico" and "eye.ico" from
    // the working directory, then makes the program's folder the working directory.
    MSystem();
    ~MSystem();
    MSystem(const MSystem&) = delete;
    MSystem& operator=(const MSystem&) = delete;

    Binding binding() const { return binding_; }

    // Makes the window from the form resource "ID_MSystem" in 'module', with no parent; false
    // when there is no such resource or the window cannot be made.
    bool create(HINSTANCE module);
    HWND hwnd() const { return hwnd_; }
    // Closing this window ends the program's message loop (with exit code 0).
    void make_main() { main_ = true; }

    // Shows the window, brings it to the foreground, gives the key toggle its hand cursor and
    // handles the launch request: a path or a hand-off list is selected, and on success the key
    // box takes the focus a moment later.
    void show_and_launch(const handoff::Launch& launch);

    // The selection, as the controls ask for it.
    void select();
    void drop(const std::vector<std::string>& paths);
    bool command_line_selection(const std::string& text, bool handoff, bool crypting, int variant);
    void set_mode(const window::ModeRequest& mode);

    void choose_target();
    void command();
    void toggle_key();

    const window::WindowState& state() const { return state_; }

private:
    static INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK toggle_proc(HWND toggle, UINT message, WPARAM wparam, LPARAM lparam);

    void form_created(HWND dialog);
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result);
    void on_command(int id, int code);
    void dropped(HDROP hdrop);

    // Runs 'work' on 'job' under a progress dialog with that title; true when the user cancelled.
    // The worker is gone when it returns.
    bool run_progress(const char* title, bool progress_bar, void* job,
                      int (*work)(WorkerContext&, void*));
    bool run_selection(window::ProgressSelecting& job);
    // Selects the paths chosen in the open dialog or dropped, and sets the mode they give.
    void select_paths(window::RequestKind kind, const std::vector<std::string>& paths);
    std::vector<std::string> open_dialog();
    void crypt(window::Command command, const std::string& key, const std::string& target);
    void decrypt(window::Command command, const std::string& source, const std::string& target,
                 const std::string& key);
    void finish(const window::Aftermath& after);

    void draw_toggle();
    void fit_label(int id);
    void focus(int id);
    void warn(const std::string& text);
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    std::string text(int id) const;
    void set_text(int id, const std::string& text);

    window::WindowState state_;
    CipherEngine engine_;
    Binding binding_ = Binding::ok;
    HMODULE kernel32_ = nullptr;
    bool kernel32_loaded_ = false;  // by name, so it is released again
    bool key_masked_ = true;
    IconHandle ast_, eye_;
    IconHandle form_icon_big_, form_icon_small_, key_picture_;
    CursorHandle hand_;
    HWND hwnd_ = nullptr;
    WNDPROC toggle_previous_ = nullptr;
    bool main_ = false;
};

}  // namespace vx::ui
