#include "window_driver.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "platform/win32/wide.h"

namespace vx::test::window {

namespace {

struct Search {
    DWORD pid;
    const wchar_t* window_class;
    const std::wstring* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (s->window_class) {
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (std::wstring(cls) != s->window_class) return TRUE;
    }
    if (s->caption && gui::text_of(hwnd) != *s->caption) return TRUE;
    s->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

HWND find(DWORD pid, const wchar_t* window_class, const std::wstring& caption) {
    Search s{pid, window_class, &caption, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
    return s.found.empty() ? nullptr : s.found.front();
}

HWND wait(DWORD pid, const wchar_t* window_class, const std::wstring& caption, int ms) {
    HWND found = nullptr;
    gui::wait_until([&] { return (found = find(pid, window_class, caption)) != nullptr; }, ms);
    return found;
}

std::vector<HWND> windows_of(DWORD pid) {
    Search s{pid, nullptr, nullptr, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND wait_main(DWORD pid, int ms) { return wait(pid, L"#32770", L" Vaultrix", ms); }

HWND wait_box(const std::wstring& caption, DWORD pid, int ms) {
    return wait(pid, L"#32770", caption, ms);
}

std::wstring box_text(HWND box) { return gui::item_text(box, 0xFFFF); }

HWND file_name_box(HWND dialog) {
    HWND name = GetDlgItem(dialog, 0x47C);
    return name ? name : GetDlgItem(dialog, 0x480);
}

std::string text(HWND dialog, int id) { return win32::narrow(gui::item_text(dialog, id)); }

bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

bool visible(HWND dialog, int id) {
    return (GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

int focused_id(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) || !info.hwndFocus)
        return 0;
    if (GetParent(info.hwndFocus) != dialog) return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

void type(HWND control, const std::string& text) {
    for (wchar_t c : win32::widen(text)) PostMessageW(control, WM_CHAR, c, 1);
}

void click_control(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
}

void drop_files(HWND window, const std::vector<std::string>& paths) {
    std::wstring names;
    for (const auto& p : paths) {
        names += win32::widen(p);
        names += L'\0';
    }
    names += L'\0';
    const std::size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
                names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    // The window owns the drop from now on (DragFinish frees it).
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

void close_all(DWORD pid) {
    for (int round = 0; round < 20; ++round) {
        std::vector<HWND> open = windows_of(pid);
        HWND main = nullptr;
        bool other = false;
        for (HWND w : open) {
            if (gui::text_of(w) == L" Vaultrix") {
                main = w;
                continue;
            }
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (std::wstring(cls) != L"#32770") continue;
            other = true;
            // A message box or dialog: whichever of its ways out it has.
            for (int id : {IDCANCEL, IDNO, IDOK}) {
                if (GetDlgItem(w, id)) {
                    gui::press(w, id);
                    break;
                }
            }
        }
        if (!other && main) gui::system_close(main);
        if (!other && !main) return;
        Sleep(200);
    }
}

}  // namespace vx::test::window
