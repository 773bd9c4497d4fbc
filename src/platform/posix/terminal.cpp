#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/terminal.h"

namespace vx::terminal {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler stores into it");

extern "C" void on_interrupt(int) { g_interrupted.store(true); }

int fd_of(Stream s) {
    switch (s) {
        case Stream::input: return STDIN_FILENO;
        case Stream::output: return STDOUT_FILENO;
        case Stream::error: break;
    }
    return STDERR_FILENO;
}

// Turns the terminal's echo off for the life of the object, and back on after it.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (::tcgetattr(fd_, &old_) != 0) return;
        termios quiet = old_;
        quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
        active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_) ::tcsetattr(fd_, TCSAFLUSH, &old_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios old_{};
    bool active_ = false;
};

}  // namespace

bool is_terminal(Stream stream) { return ::isatty(fd_of(stream)) == 1; }

int width() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

bool write(Stream stream, const std::string& text) {
    const int fd = fd_of(stream);
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> read_line(bool echo) {
    const int fd = STDIN_FILENO;
    std::optional<EchoOff> hidden;
    if (!echo && ::isatty(fd) == 1) hidden.emplace(fd);

    std::string line;
    for (;;) {
        if (interrupted()) return std::nullopt;
        // Waiting in small steps, so that Ctrl-C ends the wait whichever thread it reached.
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, 100);
        if (r == 0 || (r < 0 && errno == EINTR)) continue;
        if (r < 0) return std::nullopt;
        char c = 0;
        ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            if (line.empty()) return std::nullopt;
            break;
        }
        if (c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void catch_interrupt() {
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a blocking call returns, and the flag is looked at
    ::sigaction(SIGINT, &sa, nullptr);
}

bool interrupted() { return g_interrupted.load(); }

std::vector<std::string> arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
}

}  // namespace vx::terminal
