#include "ui/progress_dialog.h"

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "ui/progress_resources.h"
#include "ui/yes_to_all.h"

namespace vx::ui {

namespace {

constexpr DWORD kGraceMs = 500;
constexpr std::size_t kTitleMax = 255;

void set_status(HWND dialog, const wchar_t* text) {
    SetDlgItemTextW(dialog, IDC_STATUS_TEXT, text);
}

// The cancellation sequence blocks the dialog's thread, so what it changes is painted at once.
void paint_now(HWND dialog) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

Answer answer_of(int id) {
    switch (id) {
        case IDOK:
            return Answer::ok;
        case IDYES:
            return Answer::yes;
        case IDNO:
            return Answer::no;
        default:
            return Answer::cancel;  // Cancel, the close box, or no box at all
    }
}

// The answer a question gets when it is not shown: the way out of the run.
Answer unasked_answer(std::uint32_t type) {
    switch (type & 0xF) {
        case mb::kYesNo:
            return Answer::no;
        case mb::kOk:
            return Answer::ok;
        default:
            return Answer::cancel;
    }
}

}  // namespace

// --- The worker's side --------------------------------------------------------------------------

void ProgressContext::show_text(const std::string& text) {
    HWND d = dialog();
    if (!d || !IsWindow(d)) return;
    std::wstring w = win32::widen(text);
    SendMessageW(d, kSetTextMessage, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void ProgressContext::show_position(int percent) {
    HWND d = dialog();
    if (!d || !IsWindow(d)) return;
    SendMessageW(d, kSetPositionMessage, static_cast<WPARAM>(percent), 0);
}

Answer ProgressContext::ask(const Message& message) {
    if (stop_requested()) return unasked_answer(message.type);
    HWND owner = message.owner == Owner::main_window ? owner_ : dialog();
    if (owner && !IsWindow(owner)) owner = nullptr;
    int id = MessageBoxW(owner, win32::widen(message.text).c_str(),
                         win32::widen(message.caption).c_str(), message.type);
    return answer_of(id);
}

YesToAll ProgressContext::ask_yes_to_all(const std::string& text, const std::string& caption) {
    if (stop_requested()) return YesToAll::no;
    HWND owner = dialog();
    if (owner && !IsWindow(owner)) owner = nullptr;
    return ui::ask_yes_to_all(owner, text, caption);
}

// --- The dialog ---------------------------------------------------------------------------------

CUPDialog::CUPDialog(HWND owner, WorkerFunction worker, void* job, const std::string& title,
                     bool cancel_allowed, bool show_progress_bar)
    : owner_(owner),
      cancel_allowed_(cancel_allowed),
      title_(win32::widen(title)),
      context_(new ProgressContext(owner, job, std::move(worker))),
      show_progress_bar_(show_progress_bar) {
    if (title_.size() > kTitleMax) {
        title_.resize(kTitleMax);
        if (IS_HIGH_SURROGATE(title_.back())) title_.pop_back();
    }
}

bool CUPDialog::worker_alive() const {
    return thread_ && WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

// Waits up to ms for the worker thread to end. Messages that other threads send to this one are
// delivered meanwhile, so a worker caught in a report is not held up until the wait is over.
bool CUPDialog::wait_for_worker(DWORD ms) const {
    if (!thread_) return true;
    HANDLE h = thread_.get();
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        // Peeking delivers the messages sent to this thread (and only those); a send that came
        // before the wait began does not wake the wait, hence the peek first and the short slices.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        ULONGLONG now = GetTickCount64();
        DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
        DWORD r = MsgWaitForMultipleObjectsEx(1, &h, left < 20 ? left : 20, QS_SENDMESSAGE,
                                              MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) return true;
        if (r == WAIT_FAILED || left == 0) return WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    }
}

void CUPDialog::destroy() {
    context_->request_stop();
    if (thread_) {
        if (!wait_for_worker(kGraceMs)) {
            // The last resort for a worker that does not stop: it may leave its work half done.
            if (TerminateThread(thread_.get(), 2)) WaitForSingleObject(thread_.get(), 5000);
        }
        thread_.reset();
    }
    context_->running_.store(false, std::memory_order_release);
    context_->dialog_.store(nullptr, std::memory_order_release);
}

INT_PTR CUPDialog::run() {
    destroy();
    // A fresh context: clear flags, and nothing of the old thread can reach the new one.
    context_.reset(new ProgressContext(owner_, context_->job_, context_->worker_));

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    int id = show_progress_bar_ ? IDD_PROGRESS_WITH_BAR : IDD_PROGRESS_TEXT_ONLY;
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), owner_,
                                     dialog_proc, reinterpret_cast<LPARAM>(this));
    if (result == -1 || result == 0) {  // no dialog, so no run
        context_->request_stop();
        result = kWorkerFailed;
    }
    return result;
}

// The dialog's initialisation, on the main thread: clears the status, sets the caption and
// starts the worker thread.
bool CUPDialog::start(HWND dialog) {
    if (!cancel_allowed_) SendMessageW(dialog, kDisableCancelMessage, 0, 0);
    set_status(dialog, L"");
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
    SetWindowTextW(dialog, title_.c_str());
    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    context_->dialog_.store(dialog, std::memory_order_release);

    thread_.reset(CreateThread(nullptr, 0, thread_routine, context_.get(), 0, nullptr));
    return static_cast<bool>(thread_);
}

// Sets the stop flag, gives the worker up to a second to end while the dialog shows what is
// happening, and closes the dialog whether or not the worker has ended.
void CUPDialog::cancel(HWND dialog) {
    context_->request_stop();
    set_status(dialog, kTerminationText);
    SendMessageW(dialog, kDisableCancelMessage, 0, 0);
    paint_now(dialog);
    if (worker_alive()) wait_for_worker(kGraceMs);
    if (worker_alive()) {
        set_status(dialog, kStoppingText);
        paint_now(dialog);
        wait_for_worker(kGraceMs);
    }
    EndDialog(dialog, kCancelled);
}

INT_PTR CALLBACK CUPDialog::dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CUPDialog*>(lparam);
        if (!self->start(dialog)) {
            self->context_->request_stop();
            EndDialog(dialog, kWorkerFailed);
        }
        return TRUE;
    }
    HWND cancel_button = GetDlgItem(dialog, IDCANCEL);
    if (message == kDisableCancelMessage) {  // also sent before the object is attached
        EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE,
                       MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
        EnableWindow(cancel_button, FALSE);
        return TRUE;
    }
    auto* self = reinterpret_cast<CUPDialog*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    if (!self) return FALSE;

    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wparam) != IDCANCEL) return FALSE;
            // Esc reaches here even with the button disabled: when cancelling is not allowed,
            // or a cancellation is already under way, it does nothing.
            if (IsWindowEnabled(cancel_button)) SendMessageW(dialog, kCancelRequestMessage, 0, 0);
            return TRUE;
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) != SC_CLOSE) return FALSE;
            if (IsWindowEnabled(cancel_button)) SendMessageW(dialog, kCancelRequestMessage, 0, 0);
            return TRUE;
        case kWorkerDoneMessage:
            // After a cancel the cancellation sequence decides how the dialog ends.
            if (!self->context_->stop_requested()) EndDialog(dialog, static_cast<INT_PTR>(wparam));
            return TRUE;
        case kSetPositionMessage:
            SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, wparam, 0);
            return TRUE;
        case kSetTextMessage:
            // A report already on its way when Cancel was pressed must not hide the status of
            // the cancellation.
            if (!self->context_->stop_requested())
                set_status(dialog, reinterpret_cast<const wchar_t*>(lparam));
            return TRUE;
        case kCancelRequestMessage:
            self->cancel(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

// The worker thread: runs the worker function unless a stop came first, and tells the dialog the
// result unless the dialog is being cancelled.
DWORD WINAPI CUPDialog::thread_routine(void* param) {
    auto* ctx = static_cast<ProgressContext*>(param);
    ctx->running_.store(true, std::memory_order_release);
    WPARAM code = kWorkerFailed;
    if (!ctx->stop_requested() && ctx->worker_) {
        try {
            code = ctx->worker_(*ctx) == 1 ? kWorkerSucceeded : kWorkerFailed;
        } catch (...) {
            code = kWorkerFailed;  // a failure, not the end of the program
        }
    }
    ctx->running_.store(false, std::memory_order_release);
    if (!ctx->stop_requested()) PostMessageW(ctx->dialog(), kWorkerDoneMessage, code, 0);
    return 0;
}

}  // namespace vx::ui
