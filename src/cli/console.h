#pragma once
// What a run sees of the terminal: messages on standard error, one status line redrawn in place,
// questions answered on the terminal or in advance, and the stop flag raised by Ctrl-C.
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "options.h"
#include "worker/context.h"

namespace vx::cli {

// The terminal's streams, shared by the program's threads.
class Console {
public:
    explicit Console(bool quiet);

    bool quiet() const { return quiet_; }
    // A status line is drawn only on a terminal, and not with --quiet.
    bool shows_status() const { return status_; }

    // A warning or an error: always shown.
    void message(const std::string& caption, const std::string& body);
    // A notice: not shown with --quiet.
    void notice(const std::string& caption, const std::string& body);
    // Text written as it is to standard error (prompts, answers), after the status line is gone.
    void prompt(const std::string& text);
    // Standard output (help, version, reports).
    void out(const std::string& text);

    void status(const std::string& line);
    void clear_status();

private:
    void clear_locked();

    std::mutex mutex_;
    const bool quiet_;
    const bool status_;
    std::size_t shown_ = 0;  // columns of the status line on screen; 0 when there is none
};

// How far a run has got through its bytes, from its status texts; none when a text tells nothing.
using BytesDone = std::function<std::optional<std::uint64_t>(const std::string& status)>;

class TerminalContext : public WorkerContext {
public:
    TerminalContext(Console& console, Preset answer);

    Answer ask(const Message& message) override;
    YesToAll ask_yes_to_all(const std::string& text, const std::string& caption) override;

    // The bytes of the work and how to tell the done part from a status text: the status line
    // then shows the share of bytes done, the speed and the time left.
    void measure(std::uint64_t total, BytesDone done);
    // Warnings and errors shown so far.
    std::size_t warnings() const { return warnings_; }
    // Raises the stop flag when Ctrl-C has been pressed; true when it is raised.
    bool poll_interrupt();

protected:
    void show_text(const std::string& text) override;
    void show_position(int percent) override;

private:
    enum class Reply { yes, yes_to_all, no };
    Reply reply(const std::string& caption, const std::string& text, bool yes_to_all);
    void draw(bool force);

    Console& console_;
    const Preset answer_;
    const bool interactive_;
    std::size_t warnings_ = 0;

    // Unattended answers: the last question answered Yes and how often in a row, so that a
    // "Try again?" never loops.
    std::string last_auto_;
    int auto_repeats_ = 0;

    using Clock = std::chrono::steady_clock;
    std::string text_;
    int position_ = 0;
    std::uint64_t total_ = 0;
    BytesDone done_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_draw_{};
    bool drawn_ = false;
    // The first moment bytes were seen moving, and how many were done then.
    std::optional<Clock::time_point> moving_since_;
    std::uint64_t moving_from_ = 0;
};

}  // namespace vx::cli
