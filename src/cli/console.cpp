#include "console.h"

#include <cctype>

#include "output.h"
#include "platform/terminal.h"

namespace vx::cli {

namespace {

using terminal::Stream;

constexpr auto kRedraw = std::chrono::milliseconds(100);
// The speed and the time left show once bytes have been moving this long.
constexpr auto kLongRun = std::chrono::seconds(2);
// An unattended Yes is given this often in a row to the same question, then No.
constexpr int kAutoYesInARow = 3;

std::size_t columns(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) != 0x80) ++n;
    }
    return n;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

// --- Console ----------------------------------------------------------------------------------

Console::Console(bool quiet) : quiet_(quiet), status_(!quiet && terminal::is_terminal(Stream::error)) {}

void Console::message(const std::string& caption, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    clear_locked();
    terminal::write(Stream::error, text::message(caption, body));
}

void Console::notice(const std::string& caption, const std::string& body) {
    if (quiet_) return;
    message(caption, body);
}

void Console::prompt(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    clear_locked();
    terminal::write(Stream::error, text);
}

void Console::out(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    clear_locked();
    terminal::write(Stream::output, text);
}

void Console::status(const std::string& line) {
    if (!status_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t n = columns(line);
    std::string text = "\r" + line;
    if (shown_ > n) text += std::string(shown_ - n, ' ');
    terminal::write(Stream::error, text);
    shown_ = n;
}

void Console::clear_status() {
    std::lock_guard<std::mutex> lock(mutex_);
    clear_locked();
}

void Console::clear_locked() {
    if (shown_ == 0) return;
    terminal::write(Stream::error, "\r" + std::string(shown_, ' ') + "\r");
    shown_ = 0;
}

// --- TerminalContext --------------------------------------------------------------------------

TerminalContext::TerminalContext(Console& console, Preset answer)
    : console_(console), answer_(answer),
      // Questions are written to standard error: ask only when the user can see them there.
      interactive_(answer == Preset::none && terminal::is_terminal(Stream::input) &&
                   terminal::is_terminal(Stream::error)) {}

bool TerminalContext::poll_interrupt() {
    if (terminal::interrupted() && !stop_requested()) request_stop();
    return stop_requested();
}

Answer TerminalContext::ask(const Message& m) {
    poll_interrupt();
    const std::uint32_t buttons = m.type & 0xF;
    if (buttons == mb::kYesNo || buttons == mb::kYesNoCancel) {
        return reply(m.caption, m.text, false) == Reply::no ? Answer::no : Answer::yes;
    }
    if ((m.type & 0xF0) == mb::kIconInformation) {
        console_.notice(m.caption, m.text);
    } else {
        console_.message(m.caption, m.text);
        ++warnings_;
    }
    return Answer::ok;
}

YesToAll TerminalContext::ask_yes_to_all(const std::string& text, const std::string& caption) {
    poll_interrupt();
    switch (reply(caption, text, true)) {
        case Reply::yes: return YesToAll::yes;
        case Reply::yes_to_all: return YesToAll::yes_to_all;
        case Reply::no: break;
    }
    return YesToAll::no;
}

TerminalContext::Reply TerminalContext::reply(const std::string& caption, const std::string& body,
                                              bool yes_to_all) {
    // Once Ctrl-C has been pressed every question is answered No, which is also the default.
    if (stop_requested()) return Reply::no;

    if (interactive_) {
        console_.prompt(text::question(caption, body, yes_to_all));
        std::optional<std::string> line = terminal::read_line(true);
        if (!line) console_.prompt("\n");
        if (poll_interrupt() || !line) return Reply::no;
        const std::string a = lower(*line);
        if (a == "y" || a == "yes") return Reply::yes;
        if (yes_to_all && (a == "a" || a == "all" || a == "yes to all")) return Reply::yes_to_all;
        return Reply::no;
    }

    Reply r = Reply::no;
    if (answer_ == Preset::yes) r = Reply::yes;
    if (answer_ == Preset::yes_to_all) r = yes_to_all ? Reply::yes_to_all : Reply::yes;
    if (r != Reply::no) {
        // The same question right after an unattended Yes is a retry: give it a few attempts,
        // then No, so that a file that cannot be deleted does not keep the run asking forever.
        auto_repeats_ = body == last_auto_ ? auto_repeats_ + 1 : 0;
        last_auto_ = body;
        if (auto_repeats_ >= kAutoYesInARow) r = Reply::no;
    } else {
        last_auto_.clear();
        auto_repeats_ = 0;
    }
    if (!console_.quiet()) {
        const char choice = r == Reply::yes ? 'y' : r == Reply::yes_to_all ? 'a' : 'n';
        console_.prompt(text::question(caption, body, yes_to_all) + text::answered(choice));
    }
    return r;
}

void TerminalContext::measure(std::uint64_t total, BytesDone done) {
    total_ = total;
    done_ = std::move(done);
    moving_since_.reset();
    moving_from_ = 0;
}

void TerminalContext::show_text(const std::string& text) {
    text_ = text;
    draw(false);
}

void TerminalContext::show_position(int percent) {
    position_ = percent;
    draw(percent >= 100);
}

void TerminalContext::draw(bool force) {
    poll_interrupt();
    if (!console_.shows_status()) return;
    const Clock::time_point now = Clock::now();
    if (!force && drawn_ && now - last_draw_ < kRedraw) return;
    drawn_ = true;
    last_draw_ = now;

    int percent = position_;
    std::string speed;
    std::optional<std::uint64_t> done;
    if (done_ && total_ > 0) done = done_(text_);
    if (done) {
        const std::uint64_t d = *done < total_ ? *done : total_;
        percent = static_cast<int>(d * 100 / total_);
        if (!moving_since_ && d > 0) {
            moving_since_ = now;
            moving_from_ = d;
        }
        if (moving_since_ && now - *moving_since_ >= kLongRun && d > moving_from_) {
            const double seconds = std::chrono::duration<double>(now - *moving_since_).count();
            const double rate = static_cast<double>(d - moving_from_) / seconds;
            speed = text::speed(rate, static_cast<double>(total_ - d) / rate);
        }
    }
    console_.status(text::status_line(percent, speed, text_, terminal::width()));
}

}  // namespace vx::cli
