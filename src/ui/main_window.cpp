#include "ui/main_window.h"

#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <memory>

#include "platform/fs.h"
#include "platform/path.h"
#include "platform/win32/wide.h"
#include "ui/main_resources.h"
#include "ui/progress_dialog.h"

namespace vx::ui {

namespace {

constexpr UINT_PTR kFocusTimer = 1;
// How long a cancelled run is given to end by itself once its dialog has gone.
constexpr DWORD kWorkerEndMs = 30000;

// The 64-bit size and seek of kernel32, bound once for the whole process.
using GetFileSizeExFn = BOOL(WINAPI*)(HANDLE, PLARGE_INTEGER);
using SetFilePointerExFn = BOOL(WINAPI*)(HANDLE, LARGE_INTEGER, PLARGE_INTEGER, DWORD);
GetFileSizeExFn get_file_size_ex = nullptr;
SetFilePointerExFn set_file_pointer_ex = nullptr;

template <typename Fn>
Fn bind(HMODULE module, const char* name) {
    // Through the generic function type, which every function pointer converts to and from.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

HICON load_icon_file(const wchar_t* name) {
    return static_cast<HICON>(LoadImageW(nullptr, name, IMAGE_ICON, 16, 16, LR_LOADFROMFILE));
}

// The controls that only mean something once something is selected.
constexpr int kSelectionControls[] = {IDC_LB_KEY,    IDC_TB_KEY,     IDC_LB_ASTERISK,
                                      IDC_PICTB_KEY, IDC_LB_ZIPPING, IDC_LB_RESULT,
                                      IDC_TB_RESULT, IDC_CB_RESULT};

// The labels whose texts change with the mode, and how far right they may grow (dialog units).
constexpr int kLabels[] = {IDC_LB_FILE, IDC_LB_KEY, IDC_LB_ZIPPING, IDC_LB_RESULT};
constexpr int kLabelRightEdge = 270;

}  // namespace

// --- Construction -------------------------------------------------------------------------------

MSystem::MSystem() {
    const CipherEngine::Status bound = engine_.load();
    if (bound != CipherEngine::Status::ok) {
        const std::string text = bound == CipherEngine::Status::not_found
                                     ? CipherEngine::not_found_message()
                                     : CipherEngine::error_message();
        MessageBoxW(nullptr, win32::widen(text).c_str(), L"Warning", MB_OK | MB_ICONEXCLAMATION);
        binding_ = Binding::engine_missing;
        return;
    }
    state_.engine = &engine_;

    kernel32_ = GetModuleHandleW(L"kernel32.dll");
    if (!kernel32_) {
        kernel32_ = LoadLibraryW(L"kernel32.dll");
        kernel32_loaded_ = kernel32_ != nullptr;
    }
    if (kernel32_) {
        get_file_size_ex = bind<GetFileSizeExFn>(kernel32_, "GetFileSizeEx");
        set_file_pointer_ex = bind<SetFilePointerExFn>(kernel32_, "SetFilePointerEx");
    }
    if (!get_file_size_ex || !set_file_pointer_ex) {
        binding_ = Binding::system_missing;
        return;
    }

    key_masked_ = true;
    // By relative name: from wherever the program was started.
    ast_.reset(load_icon_file(L"ast.ico"));
    eye_.reset(load_icon_file(L"eye.ico"));
    fs::set_working_directory(fs::program_directory());
}

MSystem::~MSystem() {
    main_ = false;  // a window destroyed with its object ends no message loop
    if (hwnd_) DestroyWindow(hwnd_);
    engine_.release();
    if (kernel32_loaded_) FreeLibrary(kernel32_);
}

bool MSystem::create(HINSTANCE module) {
    if (binding_ != Binding::ok) return false;
    HWND w = CreateDialogParamW(module, L"ID_MSystem", nullptr, dialog_proc,
                                reinterpret_cast<LPARAM>(this));
    return w != nullptr;
}

// The form is made: its icon, the key box's mask, the checked options, the default button.
void MSystem::form_created(HWND dialog) {
    hwnd_ = dialog;
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    form_icon_big_.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_PRODUCT),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                       GetSystemMetrics(SM_CYICON), 0)));
    form_icon_small_.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_PRODUCT),
                                                         IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                         GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(form_icon_big_.get()));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(form_icon_small_.get()));

    // The key picture: the product icon as large as the picture box allows.
    RECT r;
    GetClientRect(item(IDC_PICTB_KEY), &r);
    const int side = r.right < r.bottom ? r.right : r.bottom;
    key_picture_.reset(static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(IDI_PRODUCT), IMAGE_ICON, side, side, 0)));
    SendDlgItemMessageW(dialog, IDC_PICTB_KEY, STM_SETICON,
                        reinterpret_cast<WPARAM>(key_picture_.get()), 0);

    SendDlgItemMessageW(dialog, IDC_CB_SELECTFILE, BM_SETSTATE, FALSE, 0);
    SendDlgItemMessageW(dialog, IDC_CB_RESULT, BM_SETSTATE, FALSE, 0);
    SendDlgItemMessageW(dialog, IDC_TB_KEY, EM_SETPASSWORDCHAR, '*', 0);
    SendDlgItemMessageW(dialog, IDC_TB_KEY, EM_LIMITTEXT, 8, 0);
    CheckDlgButton(dialog, IDC_OPTB_ZIPPINGON, BST_CHECKED);
    CheckDlgButton(dialog, IDC_OPTB_ZIPPINGDEPENDS, BST_CHECKED);
    SendMessageW(dialog, DM_SETDEFID, IDC_CB_CRYPT, 0);
    DragAcceptFiles(dialog, TRUE);
    for (int id : kLabels) fit_label(id);
    focus(IDC_CB_SELECTFILE);
}

// Where the form's own font is missing, the system's stand-in is often wider: a label then grows
// to its text, up to the key picture's column, rather than cutting the text off.
void MSystem::fit_label(int id) {
    HWND label = item(id);
    const std::wstring t = win32::widen(text(id));
    HDC dc = GetDC(label);
    if (!dc) return;
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);

    RECT r, limit{kLabelRightEdge, 0, 0, 0};
    GetWindowRect(label, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    MapDialogRect(hwnd_, &limit);
    const int want = size.cx + 2;
    if (want <= r.right - r.left) return;
    const int width = r.left + want > limit.left ? limit.left - r.left : want;
    if (width <= r.right - r.left) return;
    SetWindowPos(label, nullptr, 0, 0, width, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MSystem::show_and_launch(const handoff::Launch& launch) {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);

    // The toggle's own procedure: the hand cursor over it while it is enabled, and its icon
    // drawn again after every repaint. The cursor file sits next to the program.
    hand_.reset(static_cast<HCURSOR>(
        LoadImageW(nullptr, L"Hand.cur", IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
    HWND toggle = item(IDC_LB_ASTERISK);
    toggle_previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(toggle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(toggle_proc)));

    if (launch.kind == handoff::Launch::Kind::none) return;
    const bool handoff = launch.kind == handoff::Launch::Kind::handoff;
    if (command_line_selection(launch.text, handoff, launch.direction == handoff::Direction::crypt,
                               launch.variant)) {
        SetTimer(hwnd_, kFocusTimer, 1, nullptr);
    }
}

// --- Messages -----------------------------------------------------------------------------------

INT_PTR CALLBACK MSystem::dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<MSystem*>(lparam);
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        self->form_created(dialog);
        return FALSE;  // the focus is set
    }
    auto* self = reinterpret_cast<MSystem*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    if (!self->on_message(message, wparam, lparam, result)) return FALSE;
    return result;
}

bool MSystem::on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) {
    switch (message) {
        case WM_COMMAND:
            on_command(LOWORD(wparam), HIWORD(wparam));
            result = TRUE;
            return true;
        case WM_DROPFILES:
            dropped(reinterpret_cast<HDROP>(wparam));
            result = TRUE;
            return true;
        case WM_TIMER:
            if (wparam != kFocusTimer) return false;
            KillTimer(hwnd_, kFocusTimer);
            focus(IDC_TB_KEY);
            result = TRUE;
            return true;
        case WM_NCPAINT:
        case WM_PAINT: {
            // The toggle's icon lies on the window itself: after the frame or the face has been
            // painted, it is drawn again.
            LRESULT r = DefWindowProcW(hwnd_, message, wparam, lparam);
            draw_toggle();
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, r);
            result = TRUE;
            return true;
        }
        case WM_CLOSE:
            DestroyWindow(hwnd_);
            result = TRUE;
            return true;
        case WM_DESTROY: {
            KillTimer(hwnd_, kFocusTimer);
            HWND toggle = item(IDC_LB_ASTERISK);
            if (toggle_previous_) {
                SetWindowLongPtrW(toggle, GWLP_WNDPROC,
                                  reinterpret_cast<LONG_PTR>(toggle_previous_));
                toggle_previous_ = nullptr;
            }
            SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
            hwnd_ = nullptr;
            if (main_) PostQuitMessage(0);
            return false;
        }
        default:
            return false;
    }
}

void MSystem::on_command(int id, int code) {
    switch (id) {
        case IDC_CB_SELECTFILE:
            if (code == BN_CLICKED) select();
            break;
        case IDC_CB_RESULT:
            if (code == BN_CLICKED) choose_target();
            break;
        case IDC_CB_CRYPT:
            if (code == BN_CLICKED) command();
            break;
        case IDC_LB_ASTERISK:
            if (code == STN_CLICKED || code == STN_DBLCLK) toggle_key();
            break;
        default:
            break;  // Esc (IDCANCEL) does not close the window
    }
}

LRESULT CALLBACK MSystem::toggle_proc(HWND toggle, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<MSystem*>(GetWindowLongPtrW(GetParent(toggle), DWLP_USER));
    if (!self || !self->toggle_previous_) return DefWindowProcW(toggle, message, wparam, lparam);
    if (message == WM_SETCURSOR && self->hand_.get() && IsWindowEnabled(toggle)) {
        SetCursor(self->hand_.get());
        return TRUE;
    }
    LRESULT r = CallWindowProcW(self->toggle_previous_, toggle, message, wparam, lparam);
    if (message == WM_PAINT || message == WM_ENABLE) self->draw_toggle();
    return r;
}

// --- The mode -----------------------------------------------------------------------------------

void MSystem::set_mode(const window::ModeRequest& m) {
    const window::Look l = window::mode_look(m.path, m.count, m.crypting, m.variant);
    set_text(IDC_TB_FILE, l.file_text);
    set_text(IDC_LB_KEY, l.key_label);
    set_text(IDC_LB_ZIPPING, l.zipping_label);
    set_text(IDC_LB_RESULT, l.result_label);
    set_text(IDC_CB_CRYPT, l.command);
    set_text(IDC_TB_RESULT, l.target);
    for (int id : kLabels) fit_label(id);

    for (int id : kSelectionControls) EnableWindow(item(id), l.selection_controls_enabled);
    EnableWindow(item(IDC_OPTB_ZIPPINGON), l.zipping_enabled);
    EnableWindow(item(IDC_OPTB_ZIPPINGOFF), l.zipping_enabled);
    EnableWindow(item(IDC_OPTB_ZIPPINGDEPENDS), l.depends_enabled);

    // "Depends on source file" takes the place of On.
    RECT on, depends;
    GetWindowRect(item(IDC_OPTB_ZIPPINGON), &on);
    GetWindowRect(item(IDC_OPTB_ZIPPINGDEPENDS), &depends);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&on), 2);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&depends), 2);
    SetWindowPos(item(IDC_OPTB_ZIPPINGDEPENDS), nullptr, on.left, depends.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(item(IDC_OPTB_ZIPPINGON), l.zipping_shown ? SW_SHOW : SW_HIDE);
    ShowWindow(item(IDC_OPTB_ZIPPINGOFF), l.zipping_shown ? SW_SHOW : SW_HIDE);
    ShowWindow(item(IDC_OPTB_ZIPPINGDEPENDS), l.depends_shown ? SW_SHOW : SW_HIDE);

    draw_toggle();
    focus(l.focus_key ? IDC_TB_KEY : IDC_CB_SELECTFILE);
}

// The key toggle: "eye.ico" while the key is masked, "ast.ico" while it shows, centred on the
// toggle and drawn on the window itself, greyed while the toggle is disabled.
void MSystem::draw_toggle() {
    if (!hwnd_) return;
    HWND toggle = item(IDC_LB_ASTERISK);
    HICON icon = key_masked_ ? eye_.get() : ast_.get();
    if (!toggle || !icon) return;
    RECT r;
    GetWindowRect(toggle, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    const int x = r.left + (r.right - r.left) / 2 - 8;
    const int y = r.top + (r.bottom - r.top) / 2 - 8;
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    if (IsWindowEnabled(toggle)) {
        DrawIconEx(dc, x, y, icon, 16, 16, 0, nullptr, DI_NORMAL);
    } else {
        DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, 16, 16,
                   DST_ICON | DSS_DISABLED);
    }
    ReleaseDC(hwnd_, dc);
}

void MSystem::toggle_key() {
    HWND toggle = item(IDC_LB_ASTERISK);
    if (!IsWindowEnabled(toggle)) return;
    key_masked_ = !key_masked_;
    SendDlgItemMessageW(hwnd_, IDC_TB_KEY, EM_SETPASSWORDCHAR, key_masked_ ? '*' : 0, 0);
    InvalidateRect(item(IDC_TB_KEY), nullptr, TRUE);
    EnableWindow(toggle, FALSE);
    EnableWindow(toggle, TRUE);
    draw_toggle();
}

// --- The target ---------------------------------------------------------------------------------

void MSystem::choose_target() {
    const std::string source = text(IDC_TB_FILE);
    if (window::chooses_folder(source)) {
        std::wstring title = win32::widen(window::kSelectDirectory);
        wchar_t name[MAX_PATH] = {};
        BROWSEINFOW bi{};
        bi.hwndOwner = hwnd_;
        bi.pszDisplayName = name;
        bi.lpszTitle = title.c_str();
        bi.ulFlags = BIF_RETURNONLYFSDIRS;
        PIDLIST_ABSOLUTE picked = SHBrowseForFolderW(&bi);
        if (!picked) return;
        std::wstring folder(32768, L'\0');
        BOOL ok = SHGetPathFromIDListEx(picked, folder.data(), static_cast<DWORD>(folder.size()),
                                        GPFIDL_DEFAULT);
        CoTaskMemFree(picked);
        if (!ok) return;
        folder.resize(wcslen(folder.c_str()));
        set_text(IDC_TB_RESULT, window::folder_target(win32::narrow(folder)));
        return;
    }

    std::wstring file = win32::widen(text(IDC_TB_RESULT));
    file.resize(32768, L'\0');
    static const wchar_t filter[] = L"Crypted files (*.vx)\0*.vx\0";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn)) return;
    file.resize(wcslen(file.c_str()));
    set_text(IDC_TB_RESULT, window::container_target(win32::narrow(file)));
}

// --- The command --------------------------------------------------------------------------------

void MSystem::command() {
    const window::CommandFields fields{text(IDC_CB_CRYPT), text(IDC_TB_FILE), text(IDC_TB_KEY),
                                       text(IDC_TB_RESULT)};
    const window::Verdict v = window::check_command(fields);
    if (!v.warning.empty()) warn(v.warning);
    using Then = window::Verdict::Then;
    switch (v.then) {
        case Then::stop:
            return;
        case Then::select_files:
            select();
            return;
        case Then::focus_key:
            focus(IDC_TB_KEY);
            return;
        case Then::choose_target:
            choose_target();
            return;
        case Then::run:
            break;
    }
    if (window::is_decrypting(v.command)) {
        decrypt(v.command, fields.source, fields.target, fields.key);
    } else {
        crypt(v.command, fields.key, fields.target);
    }
}

void MSystem::crypt(window::Command command, const std::string& key, const std::string& target) {
    const window::TargetWatch watch(target);
    state_.crypting_failed = 0;
    state_.crypting_declined = 0;
    ProgressCrypting job = window::crypting_job(
        state_, command, key, IsDlgButtonChecked(hwnd_, IDC_OPTB_ZIPPINGON) == BST_CHECKED, target);
    window::RunEnd end;
    end.cancelled = run_progress(window::kCryptingTitle, true, &job, [](WorkerContext& c, void* j) {
        return crypting_run(c, *static_cast<ProgressCrypting*>(j));
    });
    end.failed = state_.crypting_failed != 0;
    end.declined = state_.crypting_declined != 0;
    end.close_after_run = state_.close_after_run != 0;
    end.target_made_by_run = watch.made_by_run();
    const window::Aftermath after = window::after_crypting(end, target);
    if (after.remove_temporary) {
        const std::string temp = temporary_target(target);
        if (fs::exists(temp)) fs::remove_file(temp);
    }
    if (after.remove_target) fs::remove_file(target);
    finish(after);
}

void MSystem::decrypt(window::Command command, const std::string& source, const std::string& target,
                      const std::string& key) {
    state_.decrypting_failed = 0;
    ProgressDecrypting job = window::decrypting_job(state_, command, source, target, key);
    window::RunEnd end;
    end.cancelled =
        run_progress(window::kDecryptingTitle, true, &job, [](WorkerContext& c, void* j) {
            return decrypting_run(c, *static_cast<ProgressDecrypting*>(j));
        });
    end.failed = state_.decrypting_failed != 0;
    end.close_after_run = state_.close_after_run != 0;
    finish(window::after_decrypting(end, target));
}

bool MSystem::run_progress(const char* title, bool progress_bar, void* job,
                           int (*work)(WorkerContext&, void*)) {
    // The worker says when it has ended, so that a cancelled one can be let finish the step it is
    // in (every run looks at the stop flag between steps). Only one that does not end in time
    // meets the dialog's last resort, the forced end, which may leave a lock of the process held.
    Handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto started = std::make_shared<std::atomic<bool>>(false);
    HANDLE signal = done.get();
    WorkerFunction worker = [signal, started, work](ProgressContext& c) -> std::uint8_t {
        struct Ended {
            HANDLE event;
            ~Ended() {
                if (event) SetEvent(event);
            }
        } ended{signal};
        started->store(true);
        return static_cast<std::uint8_t>(work(c, c.job()));
    };
    CUPDialog dialog(hwnd_, worker, job, title, true, progress_bar);
    dialog.run();
    const bool cancelled = dialog.stop_requested();
    if (signal && started->load()) {
        // The window keeps painting while it waits; clicks and keys wait in the queue until the
        // run has ended.
        HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        const ULONGLONG until = GetTickCount64() + kWorkerEndMs;
        for (;;) {
            const ULONGLONG now = GetTickCount64();
            if (now >= until) break;
            const DWORD r = MsgWaitForMultipleObjects(1, &signal, FALSE,
                                                      static_cast<DWORD>(until - now),
                                                      QS_PAINT | QS_SENDMESSAGE);
            if (r != WAIT_OBJECT_0 + 1) break;  // ended, timed out or failed
            MSG m;
            while (PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&m);
        }
        SetCursor(old);
    }
    dialog.destroy();
    return cancelled;
}

void MSystem::finish(const window::Aftermath& after) {
    if (after.close_window) {
        DestroyWindow(hwnd_);
        return;
    }
    state_.close_after_run = 0;
    if (!after.notice.empty()) {
        MessageBoxW(hwnd_, win32::widen(after.notice).c_str(), L"Attention",
                    MB_OK | MB_ICONINFORMATION);
    }
}

// --- Small things -------------------------------------------------------------------------------

void MSystem::focus(int id) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(id)), TRUE);
}

void MSystem::warn(const std::string& text) {
    MessageBoxW(hwnd_, win32::widen(text).c_str(), L"Warning", MB_OK | MB_ICONEXCLAMATION);
}

std::string MSystem::text(int id) const {
    HWND w = item(id);
    int n = GetWindowTextLengthW(w);
    if (n <= 0) return std::string();
    std::wstring t(static_cast<std::size_t>(n) + 1, L'\0');
    n = GetWindowTextW(w, t.data(), n + 1);
    return win32::narrow(t.data(), static_cast<std::size_t>(n));
}

void MSystem::set_text(int id, const std::string& text) {
    SetWindowTextW(item(id), win32::widen(text).c_str());
}

}  // namespace vx::ui
