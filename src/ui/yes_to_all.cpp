#include "ui/yes_to_all.h"

#include "platform/win32/wide.h"

namespace vx::ui {

namespace {

// The hook of the prompt being shown on this thread; the hook procedure runs on the same thread.
thread_local HHOOK prompt_hook = nullptr;

// Relabels the box's buttons when it is activated: Yes stays "Yes", No becomes "Yes to All" and
// Cancel becomes "No".
LRESULT CALLBACK relabel_buttons(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wparam);
        SetDlgItemTextW(box, IDYES, L"Yes");
        SetDlgItemTextW(box, IDNO, L"Yes to All");
        SetDlgItemTextW(box, IDCANCEL, L"No");
        return 0;
    }
    return CallNextHookEx(prompt_hook, code, wparam, lparam);
}

// Installs the relabelling hook for the calling thread and removes it again.
class RelabelHook {
public:
    RelabelHook() {
        if (!prompt_hook) {
            prompt_hook = SetWindowsHookExW(WH_CBT, relabel_buttons, nullptr, GetCurrentThreadId());
            owned_ = prompt_hook != nullptr;
        }
    }
    ~RelabelHook() {
        if (owned_) {
            UnhookWindowsHookEx(prompt_hook);
            prompt_hook = nullptr;
        }
    }
    RelabelHook(const RelabelHook&) = delete;
    RelabelHook& operator=(const RelabelHook&) = delete;

    bool installed() const { return owned_; }

private:
    bool owned_ = false;
};

}  // namespace

YesToAll ask_yes_to_all(HWND owner, const std::string& text, const std::string& caption) {
    std::wstring wtext = win32::widen(text);
    std::wstring wcaption = win32::widen(caption);
    RelabelHook hook;
    if (!hook.installed()) {
        int id = MessageBoxW(owner, wtext.c_str(), wcaption.c_str(),
                             MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
        return id == IDYES ? YesToAll::yes : YesToAll::no;
    }
    int id = MessageBoxW(owner, wtext.c_str(), wcaption.c_str(),
                         MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON3);
    switch (id) {
        case IDYES:
            return YesToAll::yes;
        case IDNO:
            return YesToAll::yes_to_all;
        default:
            return YesToAll::no;  // the "No" button, Esc or the close box
    }
}

}  // namespace vx::ui
