#pragma once
// The modal progress dialog and its worker thread. The main thread shows the dialog; the dialog's
// initialisation starts one worker thread that runs the worker function. The worker reports text
// and a position by synchronous messages to the dialog, asks the user with message boxes of its
// own, and returns; the dialog then closes itself. Cancel (the button, Esc, or Close on the system
// menu) sets the stop flag, gives the worker about a second to end while the dialog is still up,
// and closes the dialog; a worker still running when the object is destroyed or run again gets
// another 500 ms and is then terminated.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/handle.h"
#include "worker/context.h"

namespace vx::ui {

// The dialog's private messages.
constexpr UINT kDisableCancelMessage = WM_USER + 1234;  // grey Close, disable Cancel
constexpr UINT kWorkerDoneMessage = WM_USER + 1235;     // wParam: result code (1 or 2)
constexpr UINT kSetPositionMessage = WM_USER + 1236;    // wParam: 0-100
constexpr UINT kSetTextMessage = WM_USER + 1237;        // lParam: zero-terminated UTF-16 text
constexpr UINT kCancelRequestMessage = WM_USER + 1238;  // run the cancellation sequence

// What CUPDialog::run() returns.
constexpr INT_PTR kWorkerSucceeded = 1;
constexpr INT_PTR kWorkerFailed = 2;  // the worker returned anything but 1, or never started
constexpr INT_PTR kCancelled = 0x10002;

// The status texts of the cancellation sequence.
constexpr const wchar_t* kTerminationText = L"Termination initiated...";
constexpr const wchar_t* kStoppingText = L"Stopping process...";

class ProgressContext;
// A worker function: 1 means success, anything else failure.
using WorkerFunction = std::function<std::uint8_t(ProgressContext&)>;

// The block a worker thread receives: the dialog window, the caller's job record, the running
// flag, the stop flag (the WorkerContext's own) and the worker function. Reports go to the dialog
// by synchronous sends while the dialog exists and no stop was requested; questions are message
// boxes owned by the dialog (or by the main window when the message says so), shown from the
// worker thread. Once a stop was requested nothing more is shown: a question then answers No (or
// Cancel), so that a cancelled run takes its way out instead of waiting for the user.
class ProgressContext final : public WorkerContext {
public:
    HWND dialog() const { return dialog_.load(std::memory_order_acquire); }
    HWND main_window() const { return owner_; }
    void* job() const { return job_; }
    // True while the worker function executes.
    bool running() const { return running_.load(std::memory_order_acquire); }

    Answer ask(const Message& message) override;
    YesToAll ask_yes_to_all(const std::string& text, const std::string& caption) override;
    // The progress dialog, to own system dialogs a run opens (the mail client's).
    std::uintptr_t window_handle() const override {
        return reinterpret_cast<std::uintptr_t>(dialog());
    }

protected:
    void show_text(const std::string& text) override;
    void show_position(int percent) override;

private:
    friend class CUPDialog;
    ProgressContext(HWND owner, void* job, WorkerFunction worker)
        : owner_(owner), job_(job), worker_(std::move(worker)) {}

    HWND owner_;
    void* job_;
    WorkerFunction worker_;
    std::atomic<HWND> dialog_{nullptr};
    std::atomic<bool> running_{false};
};

class CUPDialog {
public:
    // The title is the dialog's caption (at most 255 characters are kept). Without cancel
    // allowed, the Cancel button and Close on the system menu are disabled from the start.
    CUPDialog(HWND owner, WorkerFunction worker, void* job, const std::string& title,
              bool cancel_allowed, bool show_progress_bar);
    ~CUPDialog() { destroy(); }
    CUPDialog(const CUPDialog&) = delete;
    CUPDialog& operator=(const CUPDialog&) = delete;

    // Shows the dialog modally, owned by the owner window, from the program's own module, and
    // returns its result once it has closed: kWorkerSucceeded, kWorkerFailed or kCancelled.
    // A worker left over from a previous run is ended first. When the dialog or its thread
    // cannot be made, the result is kWorkerFailed and the stop flag is set, so that a caller
    // that reads only the stop flag never takes a run that did not happen for a finished one.
    INT_PTR run();

    // The stop flag as the last run left it.
    bool stop_requested() const { return context_->stop_requested(); }

    // Ends a worker that is still running (500 ms of grace after the stop flag is set, then
    // termination with exit code 2) and releases the thread. run() may be called again after it.
    void destroy();

private:
    static INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
    static DWORD WINAPI thread_routine(void* param);

    bool start(HWND dialog);
    void cancel(HWND dialog);
    bool worker_alive() const;
    bool wait_for_worker(DWORD ms) const;

    HWND owner_;
    bool cancel_allowed_;
    Handle thread_;
    std::wstring title_;
    std::unique_ptr<ProgressContext> context_;
    bool show_progress_bar_;
};

}  // namespace vx::ui
