#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"

extern char** environ;

namespace vx::process {

namespace {

constexpr int kPollMs = 20;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        ::posix_spawnattr_destroy(&attr);
        ::posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

// Reads what the pipe holds now; false once every writer has closed it (or it failed).
bool drain(int fd, std::string& out) {
    char buf[16384];
    for (;;) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r > 0) {
            out.append(buf, static_cast<std::size_t>(r));
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        return r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

int exit_code_of(int status) {
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

Result run_hidden(const std::string& command_line, const std::function<bool()>& stop) {
    Result result;
    std::vector<std::string> args = split_command_line(command_line);
    if (args.empty() || args[0].empty()) return result;

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return result;
    Fd read_end(ends[0]);
    Fd write_end(ends[1]);
    ::fcntl(read_end.get(), F_SETFL, ::fcntl(read_end.get(), F_GETFL) | O_NONBLOCK);

    SpawnSetup setup;
    ::posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&setup.actions, write_end.get(), 1);
    ::posix_spawn_file_actions_adddup2(&setup.actions, write_end.get(), 2);
    // A group of its own, so that ending it also ends whatever it started; default signal
    // handling and no blocked signals, whatever this process has set.
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    ::posix_spawnattr_setsigmask(&setup.attr, &none);
    ::posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    ::posix_spawnattr_setpgroup(&setup.attr, 0);
    ::posix_spawnattr_setflags(
        &setup.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ) != 0) {
        return result;
    }
    write_end.reset();

    bool open = true;  // the pipe still has a writer
    int status = -1;
    for (;;) {
        if (open) {
            pollfd p{read_end.get(), POLLIN, 0};
            ::poll(&p, 1, kPollMs);
            open = drain(read_end.get(), result.output);
        } else {
            ::usleep(kPollMs * 1000);
        }
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) {  // reaped elsewhere: ended, with no code to tell
            status = -1;
            break;
        }
        if (stop && stop()) {
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            result.end = End::stopped;
            return result;
        }
    }
    // What is left in the pipe; a grandchild still holding it open does not keep us waiting.
    drain(read_end.get(), result.output);
    result.end = End::exited;
    result.exit_code = exit_code_of(status);
    return result;
}

std::string companion_program(const std::string& stem) {
    std::string beside = path::join(fs::program_directory(), stem);
    if (fs::exists(beside)) return beside;
    return "/usr/bin/" + stem;
}

bool make_work_directory(const std::string& path) {
    if (path.empty()) return false;
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

bool set_environment_variable(const std::string& name, const std::optional<std::string>& value) {
    if (value) return ::setenv(name.c_str(), value->c_str(), 1) == 0;
    return ::unsetenv(name.c_str()) == 0;
}

}  // namespace vx::process
