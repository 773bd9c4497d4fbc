// The progress dialog in a real window under a driver thread that finds it, reads it and clicks
// it the way a person would.
#include "ui/progress_dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gui_driver.h"
#include "platform/win32/wide.h"
#include "ui/progress_resources.h"

namespace vx::ui {
namespace {

namespace gui = vx::test::gui;

// A duplicate of the calling thread's handle, to read its exit code after it is gone.
HANDLE current_thread() {
    HANDLE h = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &h, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return h;
}

DWORD exit_code(const Handle& thread) {
    DWORD code = 0;
    GetExitCodeThread(thread.get(), &code);
    return code;
}

bool ended(const Handle& thread) { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }

// What a worker under test shares with the test.
struct Job {
    std::atomic<bool> go{false};  // lets a waiting worker return
    std::atomic<int> steps{0};    // blocks of work begun
    std::atomic<bool> ended_by_itself{false};
    Handle thread;     // the worker's own thread
    std::string text;  // what the worker reports
    int calls = 0;
};

Job& job_of(ProgressContext& c) { return *static_cast<Job*>(c.job()); }

// Waits (bounded) for the test to say go; the worker never outlives a failed driver.
void wait_for_go(Job& job) {
    gui::wait_until([&] { return job.go.load(); });
}

// A worker that works in blocks of 750 ms and looks at the stop flag between blocks.
std::uint8_t busy_worker(ProgressContext& c) {
    Job& job = job_of(c);
    job.thread.reset(current_thread());
    c.report_text("Crypting 'C:\\data\\big.bin'");
    while (!c.stop_requested()) {
        ++job.steps;
        Sleep(750);
        c.report_position(job.steps * 10);
    }
    job.ended_by_itself = true;
    return 1;
}

// A worker that never looks at the stop flag.
std::uint8_t stubborn_worker(ProgressContext& c) {
    Job& job = job_of(c);
    job.thread.reset(current_thread());
    ++job.steps;
    for (;;) Sleep(10);
}

// What the driver saw of a cancellation.
struct Seen {
    std::vector<std::wstring> texts;  // the status texts in the order they were shown
    bool cancel_disabled = false;
    bool close_grayed = false;
};

// Waits for the dialog to close, noting every status text it shows and, once the cancellation has
// begun, the state of Cancel and of Close.
Seen watch_until_closed(HWND dialog) {
    Seen seen;
    gui::wait_until([&] {
        if (!IsWindow(dialog)) return true;
        std::wstring t = gui::item_text(dialog, IDC_STATUS_TEXT);
        if (IsWindow(dialog) && (seen.texts.empty() || seen.texts.back() != t)) {
            seen.texts.push_back(t);
            if (t == kTerminationText) {
                seen.cancel_disabled = !IsWindowEnabled(GetDlgItem(dialog, IDCANCEL));
                seen.close_grayed = gui::menu_item_grayed(dialog, SC_CLOSE);
            }
        }
        return false;
    });
    return seen;
}

// The texts that matter, without the dialog's reading at the moment it closed.
std::vector<std::wstring> status_sequence(const Seen& seen) {
    std::vector<std::wstring> out;
    for (const auto& t : seen.texts)
        if (t != L"<no answer>" && t != L"<no item>" && (out.empty() || out.back() != t))
            out.push_back(t);
    return out;
}

TEST(ProgressDialog, WorkerResultBecomesTheDialogResult) {
    struct Case {
        const char* name;
        WorkerFunction worker;
        INT_PTR result;
    };
    const Case cases[] = {
        {"returns 1", [](ProgressContext&) -> std::uint8_t { return 1; }, kWorkerSucceeded},
        {"returns 0", [](ProgressContext&) -> std::uint8_t { return 0; }, kWorkerFailed},
        {"returns 7", [](ProgressContext&) -> std::uint8_t { return 7; }, kWorkerFailed},
        {"throws", [](ProgressContext&) -> std::uint8_t { throw std::runtime_error("x"); },
         kWorkerFailed},
        {"no function", nullptr, kWorkerFailed},
    };
    gui::OwnerWindow owner;
    for (const Case& c : cases) {
        CUPDialog dialog(owner.get(), c.worker, nullptr, "Selecting progress", true, false);
        EXPECT_EQ(dialog.run(), c.result) << c.name;
        EXPECT_FALSE(dialog.stop_requested()) << c.name;
    }
}

TEST(ProgressDialog, ARunThatCannotStartLeavesTheStopFlagSet) {
    // A dialog that cannot be made (its owner is no window) runs no worker. The callers read only
    // the stop flag, so it must not look like a finished run.
    bool called = false;
    auto worker = [](ProgressContext& c) -> std::uint8_t {
        *static_cast<bool*>(c.job()) = true;
        return 1;
    };
    CUPDialog dialog(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7654321)), worker, &called,
                     "Crypting progress", true, true);
    EXPECT_EQ(dialog.run(), kWorkerFailed);
    EXPECT_TRUE(dialog.stop_requested());
    EXPECT_FALSE(called);
}

TEST(ProgressDialog, TemplatesShowTheReports) {
    struct Case {
        bool bar;
        const char* title;
        int height;      // of the client area, in dialog units
        int cancel_top;  // in dialog units
        const char* screenshot;
        const char* text;
    };
    const Case cases[] = {
        {true, "Crypting progress", 55, 37, "progress_with_bar.png",
         "Crypting 'C:\\data\\report.doc'"},
        {false, "Selecting progress", 37, 19, "progress_text_only.png",
         "Reading 'C:\\data\\Reports\\'"},
    };
    gui::OwnerWindow owner;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Job job;
        job.text = c.text;
        auto worker = [](ProgressContext& ctx) -> std::uint8_t {
            ctx.report_text(job_of(ctx).text);
            ctx.report_position(40);
            ctx.report_position(250);  // out of range: shown as full
            ctx.report_position(40);
            wait_for_go(job_of(ctx));
            return 1;
        };
        CUPDialog dialog(owner.get(), worker, &job, c.title, true, c.bar);

        HWND owner_of = nullptr, bar = nullptr;
        std::wstring status, cancel_text;
        int position = -1;
        RECT client{}, expected_client{0, 0, 387, c.height};
        RECT cancel{}, expected_cancel{329, c.cancel_top, 50, 12};
        RECT status_rect{}, expected_status{7, 5, 372, 8};
        std::string shot;
        const std::wstring text = win32::widen(c.text);
        std::thread driver([&] {
            HWND d = gui::wait_window(L"#32770", win32::widen(c.title));
            if (d) {
                gui::wait_until([&] { return gui::item_text(d, IDC_STATUS_TEXT) == text; });
                status = gui::item_text(d, IDC_STATUS_TEXT);
                cancel_text = gui::item_text(d, IDCANCEL);
                owner_of = GetWindow(d, GW_OWNER);
                bar = GetDlgItem(d, IDC_PROGRESS_BAR);
                if (bar) position = gui::progress_position(bar);
                GetClientRect(d, &client);
                MapDialogRect(d, &expected_client);
                auto place = [&](int id, RECT& r, RECT& expected) {
                    GetWindowRect(GetDlgItem(d, id), &r);
                    MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&r), 2);
                    r.right -= r.left;  // as x, y, width, height
                    r.bottom -= r.top;
                    MapDialogRect(d, &expected);
                };
                place(IDCANCEL, cancel, expected_cancel);
                place(IDC_STATUS_TEXT, status_rect, expected_status);
                Sleep(300);  // let it paint
                shot = gui::save_screenshot(d, c.screenshot);
            }
            job.go = true;
        });
        EXPECT_EQ(dialog.run(), kWorkerSucceeded);
        driver.join();

        EXPECT_EQ(status, text);
        EXPECT_EQ(cancel_text, L"&Cancel");
        EXPECT_EQ(owner_of, owner.get());
        EXPECT_EQ(client.right, expected_client.right);
        EXPECT_EQ(client.bottom, expected_client.bottom);
        EXPECT_TRUE(EqualRect(&cancel, &expected_cancel));
        EXPECT_TRUE(EqualRect(&status_rect, &expected_status));
        if (c.bar) {
            EXPECT_NE(bar, nullptr);
            EXPECT_EQ(position, 40);
        } else {
            EXPECT_EQ(bar, nullptr) << "the text-only layout has no bar";
        }
        EXPECT_FALSE(shot.empty()) << "no screenshot";
        EXPECT_FALSE(dialog.stop_requested());
    }
}

TEST(ProgressDialog, CancelEndsABusyWorkerInsideTheGracePeriod) {
    struct Case {
        const char* how;
        void (*cancel)(HWND dialog);
    };
    const Case cases[] = {
        {"Cancel button", [](HWND d) { gui::press(d, IDCANCEL); }},
        {"Esc key", [](HWND d) { gui::press_key(d, VK_ESCAPE); }},
        {"Close on the system menu", [](HWND d) { gui::system_close(d); }},
    };
    gui::OwnerWindow owner;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Job job;
        CUPDialog dialog(owner.get(), busy_worker, &job, "Crypting progress", true, true);
        Seen seen;
        std::thread driver([&] {
            HWND d = gui::wait_window(L"#32770", L"Crypting progress");
            if (!d) return;
            // Cancel just after a block of work began, so the worker is busy for 750 ms more.
            gui::wait_until([&] { return job.steps >= 1; });
            int step = job.steps;
            gui::wait_until([&] { return job.steps > step; });
            std::wstring before = gui::item_text(d, IDC_STATUS_TEXT);
            c.cancel(d);
            seen = watch_until_closed(d);
            seen.texts.insert(seen.texts.begin(), before);
        });
        INT_PTR result = dialog.run();
        driver.join();

        EXPECT_EQ(result, kCancelled);
        EXPECT_TRUE(dialog.stop_requested());
        std::vector<std::wstring> expected = {L"Crypting 'C:\\data\\big.bin'", kTerminationText,
                                              kStoppingText};
        EXPECT_EQ(status_sequence(seen), expected);
        EXPECT_TRUE(seen.cancel_disabled);
        EXPECT_TRUE(seen.close_grayed);
        // The worker saw the flag and returned while the dialog was still waiting for it.
        EXPECT_TRUE(job.ended_by_itself);
        ASSERT_TRUE(job.thread);
        EXPECT_TRUE(ended(job.thread));
        EXPECT_EQ(exit_code(job.thread), 0u);
    }
}

TEST(ProgressDialog, CancelEndsAWorkerThatReportsAllTheTime) {
    // A run over many small files reports at every step, so Cancel finds it waiting for the
    // dialog to take a report. It must still see the flag and end within the grace period.
    gui::OwnerWindow owner;
    Job job;
    auto worker = [](ProgressContext& c) -> std::uint8_t {
        Job& j = job_of(c);
        j.thread.reset(current_thread());
        for (int n = 0; !c.stop_requested(); ++n) {
            c.report_text("Crypting 'C:\\data\\file" + std::to_string(n) + ".txt'");
            c.report_position(n % 101);
            ++j.steps;
        }
        j.ended_by_itself = true;
        return 1;
    };
    CUPDialog dialog(owner.get(), worker, &job, "Crypting progress", true, true);
    std::thread driver([&] {
        HWND d = gui::wait_window(L"#32770", L"Crypting progress");
        if (!d) return;
        gui::wait_until([&] { return job.steps >= 100; });
        gui::press(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.run(), kCancelled);
    driver.join();
    EXPECT_TRUE(dialog.stop_requested());
    EXPECT_TRUE(job.ended_by_itself);
    ASSERT_TRUE(job.thread);
    EXPECT_TRUE(ended(job.thread)) << "ended before the dialog closed, not by termination";
    EXPECT_EQ(exit_code(job.thread), 0u);
}

TEST(ProgressDialog, WorkerIgnoringTheStopFlagIsTerminated) {
    gui::OwnerWindow owner;
    Job job;
    CUPDialog dialog(owner.get(), stubborn_worker, &job, "Derypting progress", true, true);
    Seen seen;
    std::thread driver([&] {
        HWND d = gui::wait_window(L"#32770", L"Derypting progress");
        if (!d) return;
        gui::wait_until([&] { return job.steps >= 1; });
        std::wstring before = gui::item_text(d, IDC_STATUS_TEXT);
        gui::press(d, IDCANCEL);
        seen = watch_until_closed(d);
        seen.texts.insert(seen.texts.begin(), before);
    });
    EXPECT_EQ(dialog.run(), kCancelled);
    driver.join();
    EXPECT_TRUE(dialog.stop_requested());
    std::vector<std::wstring> expected = {L"", kTerminationText, kStoppingText};
    EXPECT_EQ(status_sequence(seen), expected);

    ASSERT_TRUE(job.thread);
    EXPECT_FALSE(ended(job.thread)) << "still running when the dialog has closed";
    dialog.destroy();
    EXPECT_TRUE(ended(job.thread));
    EXPECT_EQ(exit_code(job.thread), 2u);
}

TEST(ProgressDialog, CancelNotAllowedIgnoresEveryWayToCancel) {
    gui::OwnerWindow owner;
    Job job;
    auto worker = [](ProgressContext& c) -> std::uint8_t {
        c.report_text("Reading 'C:\\data'");
        wait_for_go(job_of(c));
        return 1;
    };
    CUPDialog dialog(owner.get(), worker, &job, "Selecting progress", false, false);
    bool cancel_disabled = false, close_grayed = false;
    std::thread driver([&] {
        HWND d = gui::wait_window(L"#32770", L"Selecting progress");
        if (d) {
            gui::wait_until(
                [&] { return gui::item_text(d, IDC_STATUS_TEXT) == L"Reading 'C:\\data'"; });
            cancel_disabled = !IsWindowEnabled(GetDlgItem(d, IDCANCEL));
            close_grayed = gui::menu_item_grayed(d, SC_CLOSE);
            // All of these are queued before the worker's end reaches the dialog, so any of them
            // that started a cancellation would decide the result.
            gui::press(d, IDCANCEL);
            gui::press_key(d, VK_ESCAPE);
            gui::system_close(d);
        }
        job.go = true;
    });
    EXPECT_EQ(dialog.run(), kWorkerSucceeded);
    driver.join();
    EXPECT_TRUE(cancel_disabled);
    EXPECT_TRUE(close_grayed);
    EXPECT_FALSE(dialog.stop_requested());
}

TEST(ProgressDialog, CancelJustAfterTheWorkerFinishedStillCancels) {
    gui::OwnerWindow owner;
    // The click lands after the worker's last step but before its end reaches the dialog.
    auto worker = [](ProgressContext& c) -> std::uint8_t {
        PostMessageW(c.dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 1;
    };
    CUPDialog dialog(owner.get(), worker, nullptr, "Crypting progress", true, true);
    EXPECT_EQ(dialog.run(), kCancelled);
    EXPECT_TRUE(dialog.stop_requested());
}

TEST(ProgressDialog, RunAgainEndsThePreviousWorkerAndStartsClean) {
    gui::OwnerWindow owner;
    Job job;
    Handle first;
    // The first run's worker ignores the flag; the second returns at once.
    auto worker = [](ProgressContext& c) -> std::uint8_t {
        Job& j = job_of(c);
        if (j.calls++ == 0) return stubborn_worker(c);
        return 1;
    };
    CUPDialog dialog(owner.get(), worker, &job, "Crypting progress", true, true);
    std::thread driver([&] {
        HWND d = gui::wait_window(L"#32770", L"Crypting progress");
        if (!d) return;
        gui::wait_until([&] { return job.steps >= 1; });
        gui::press(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.run(), kCancelled);
    driver.join();
    ASSERT_TRUE(job.thread);
    first = std::move(job.thread);
    EXPECT_FALSE(ended(first));

    EXPECT_EQ(dialog.run(), kWorkerSucceeded);
    EXPECT_FALSE(dialog.stop_requested()) << "the second run starts with a clear flag";
    EXPECT_TRUE(ended(first));
    EXPECT_EQ(exit_code(first), 2u);
    EXPECT_EQ(job.calls, 2);
}

TEST(ProgressDialog, QuestionsAreBoxesOwnedByTheDialogOrTheMainWindow) {
    gui::OwnerWindow owner;
    struct Answers {
        bool retry = false;
        Answer notice = Answer::cancel;
        DWORD worker_thread = 0;
        Job job;
    } answers;
    auto worker = [](ProgressContext& c) -> std::uint8_t {
        auto& a = *static_cast<Answers*>(c.job());
        a.worker_thread = GetCurrentThreadId();
        a.retry = c.ask_yes("Cannot open 'C:\\data\\a.txt'.\r\n\r\nTry again?", "Warning");
        a.notice = c.ask({"Files crypted.", "Attention", mb::kNotice, Owner::main_window});
        return 1;
    };
    CUPDialog dialog(owner.get(), worker, &answers, "Crypting progress", true, true);
    HWND dialog_window = nullptr, question_owner = nullptr, notice_owner = nullptr;
    DWORD question_thread = 0;
    std::wstring question_text;
    std::thread driver([&] {
        dialog_window = gui::wait_window(L"#32770", L"Crypting progress");
        HWND q = gui::wait_window(L"#32770", L"Warning");
        if (q) {
            question_owner = GetWindow(q, GW_OWNER);
            question_thread = GetWindowThreadProcessId(q, nullptr);
            question_text = gui::item_text(q, 0xFFFF);
            gui::click(GetDlgItem(q, IDYES));
        }
        HWND n = gui::wait_window(L"#32770", L"Attention");
        if (n) {
            notice_owner = GetWindow(n, GW_OWNER);
            gui::click(GetDlgItem(n, IDOK));
        }
    });
    EXPECT_EQ(dialog.run(), kWorkerSucceeded);
    driver.join();

    EXPECT_EQ(question_text, L"Cannot open 'C:\\data\\a.txt'.\r\n\r\nTry again?");
    EXPECT_EQ(question_owner, dialog_window);
    EXPECT_EQ(question_thread, answers.worker_thread) << "shown from the worker thread";
    EXPECT_TRUE(answers.retry);
    EXPECT_EQ(notice_owner, owner.get());
    EXPECT_EQ(answers.notice, Answer::ok);
}

TEST(ProgressDialog, AfterCancelQuestionsAnswerNoWithoutABox) {
    gui::OwnerWindow owner;
    struct State {
        Job job;
        bool retry = true;
        YesToAll replace = YesToAll::yes;
    } state;
    auto worker = [](ProgressContext& c) -> std::uint8_t {
        auto& s = *static_cast<State*>(c.job());
        s.job.thread.reset(current_thread());
        ++s.job.steps;
        gui::wait_until([&] { return c.stop_requested(); });
        s.retry = c.ask_yes("Cannot write 'C:\\out.vx'.\r\n\r\nTry again?", "Warning");
        s.replace = c.ask_yes_to_all("File 'C:\\a' already exists!", "Attention");
        s.job.ended_by_itself = true;
        return 1;
    };
    CUPDialog dialog(owner.get(), worker, &state, "Derypting progress", true, true);
    std::thread driver([&] {
        HWND d = gui::wait_window(L"#32770", L"Derypting progress");
        if (!d) return;
        gui::wait_until([&] { return state.job.steps >= 1; });
        gui::press(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.run(), kCancelled);
    driver.join();
    EXPECT_TRUE(state.job.ended_by_itself);
    EXPECT_FALSE(state.retry);
    EXPECT_EQ(state.replace, YesToAll::no);
    ASSERT_TRUE(state.job.thread);
    EXPECT_TRUE(ended(state.job.thread));
    EXPECT_EQ(exit_code(state.job.thread), 0u);
}

}  // namespace
}  // namespace vx::ui
