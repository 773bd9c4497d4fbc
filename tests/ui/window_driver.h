#pragma once
// Drives Vaultrix's main window as a person would, in this process or in another one: finds its
// windows by process, class and caption, reads what the controls show, types into them, clicks
// them, drops files on the window. Everything that acts is posted; reads are sends with a time
// limit, so the driver never waits inside the window's modal loops.
#include <windows.h>

#include <string>
#include <vector>

#include "gui_driver.h"

namespace vx::test::window {

// A visible top-level window of process 'pid' with that class and caption; null when none.
HWND find(DWORD pid, const wchar_t* window_class, const std::wstring& caption);
HWND wait(DWORD pid, const wchar_t* window_class, const std::wstring& caption,
          int ms = gui::kWaitMs);
// Every visible top-level window of process 'pid'.
std::vector<HWND> windows_of(DWORD pid);

// The main window " Vaultrix", and a message box or dialog by its caption.
HWND wait_main(DWORD pid = GetCurrentProcessId(), int ms = gui::kWaitMs);
HWND wait_box(const std::wstring& caption, DWORD pid = GetCurrentProcessId(),
              int ms = gui::kWaitMs);
// A message box's text.
std::wstring box_text(HWND box);
// The file name box of an open or save dialog (the combo box of the Explorer style, else the
// edit field), or null.
HWND file_name_box(HWND dialog);

std::string text(HWND dialog, int id);  // a control's text as UTF-8
bool enabled(HWND dialog, int id);
bool visible(HWND dialog, int id);
// The control of 'dialog' that has the keyboard focus (its id), or 0.
int focused_id(HWND dialog);

// Types the text into a control, one character message after another.
void type(HWND control, const std::string& text);
// A left click in the middle of a control.
void click_control(HWND control);

// Files dropped on a window of this process, as the shell delivers them.
void drop_files(HWND window, const std::vector<std::string>& paths);

// Closes whatever this driver left open in process 'pid' (boxes, dialogs, then the main window),
// so that a failed case never leaves the program waiting.
void close_all(DWORD pid = GetCurrentProcessId());

}  // namespace vx::test::window
