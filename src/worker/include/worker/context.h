#pragma once
// What a run sees of the user: status text, a 0-100 position, the stop flag, modal questions and
// warnings, and the Yes / Yes to All / No prompt. The Win32 progress dialog, the terminal front
// end and the tests each implement it; the runs never know which one they talk to.
#include <atomic>
#include <cstdint>
#include <string>

namespace vx {

// Message-box types and answers, with the values the Windows API gives them.
namespace mb {
constexpr std::uint32_t kOk = 0x0;
constexpr std::uint32_t kYesNoCancel = 0x3;
constexpr std::uint32_t kYesNo = 0x4;
constexpr std::uint32_t kIconError = 0x10;
constexpr std::uint32_t kIconExclamation = 0x30;
constexpr std::uint32_t kIconInformation = 0x40;
constexpr std::uint32_t kDefaultButton2 = 0x100;
constexpr std::uint32_t kDefaultButton3 = 0x200;

// A warning or notice with an OK button and the exclamation icon (0x30).
constexpr std::uint32_t kWarning = kOk | kIconExclamation;
// A question with Yes and No, the exclamation icon and No as the default button (0x134).
constexpr std::uint32_t kQuestion = kYesNo | kIconExclamation | kDefaultButton2;
// A completion notice: OK and the information icon (0x40).
constexpr std::uint32_t kNotice = kOk | kIconInformation;
}  // namespace mb

enum class Answer : int { ok = 1, cancel = 2, yes = 6, no = 7 };
enum class YesToAll { yes, yes_to_all, no };

// Which window owns a box: the progress dialog, or the main window behind it.
enum class Owner { progress_dialog, main_window };

struct Message {
    std::string text;
    std::string caption;
    std::uint32_t type = mb::kWarning;
    Owner owner = Owner::progress_dialog;
};

class WorkerContext {
public:
    virtual ~WorkerContext() = default;

    // Reports are dropped once the stop flag is set.
    void report_text(const std::string& text) {
        if (!stop_requested()) show_text(text);
    }
    void report_position(int percent) {
        if (!stop_requested()) show_position(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    }

    bool stop_requested() const { return stop_.load(std::memory_order_acquire); }
    void request_stop() { stop_.store(true, std::memory_order_release); }

    // A modal box; the answer is the button pressed.
    virtual Answer ask(const Message& message) = 0;
    // The Yes / Yes to All / No prompt.
    virtual YesToAll ask_yes_to_all(const std::string& text, const std::string& caption) = 0;

    // The native window that owns the boxes (the progress dialog), for system dialogs such as
    // the mail client's; 0 where there is none.
    virtual std::uintptr_t window_handle() const { return 0; }

    // A question counts as answered yes only when the Yes button was pressed.
    bool ask_yes(const std::string& text, const std::string& caption) {
        return ask({text, caption, mb::kQuestion, Owner::progress_dialog}) == Answer::yes;
    }
    void warn(const std::string& text, const std::string& caption = "Warning",
              Owner owner = Owner::progress_dialog) {
        ask({text, caption, mb::kWarning, owner});
    }

protected:
    virtual void show_text(const std::string& text) = 0;
    virtual void show_position(int percent) = 0;

private:
    std::atomic<bool> stop_{false};
};

}  // namespace vx
