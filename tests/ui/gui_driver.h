#pragma once
// Drives this process's windows the way a person would: finds them by class and caption, reads
// what they show, presses their buttons and keys. Everything that acts is posted, never sent, so
// the driver never waits inside a window's modal loop; reads use sends with a time limit.
#include <windows.h>

#include <functional>
#include <string>

namespace vx::test::gui {

constexpr int kWaitMs = 10000;

// A visible top-level window of this process with that class and caption; null when none.
HWND find_window(const wchar_t* window_class, const std::wstring& caption);
HWND wait_window(const wchar_t* window_class, const std::wstring& caption, int ms = kWaitMs);
// Polls every few milliseconds; true when the condition came true in time.
bool wait_until(const std::function<bool()>& condition, int ms = kWaitMs);
bool wait_gone(HWND window, int ms = kWaitMs);

std::wstring text_of(HWND window);
std::wstring item_text(HWND dialog, int id);
// The position of a progress bar, or -1 when it does not answer.
int progress_position(HWND bar);
bool menu_item_grayed(HWND window, UINT command);

// A click on a dialog's own button, as the dialog receives it: WM_COMMAND with BN_CLICKED.
void press(HWND dialog, int id);
// A click on a message box's button.
void click(HWND button);
void press_key(HWND window, UINT key);
// Close on the system menu (what the close box and Alt+F4 send).
void system_close(HWND window);

// The window as it is on the screen, saved as <folder of the test program>/../screenshots/<name>.
// Returns the file's path, empty when it could not be taken.
std::string save_screenshot(HWND window, const std::string& name);

// A plain visible top-level window on the calling thread, to own the dialogs under test.
class OwnerWindow {
public:
    OwnerWindow();
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

}  // namespace vx::test::gui
