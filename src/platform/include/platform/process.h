#pragma once
// Child processes: a command line started hidden, its standard output and standard error read
// from one pipe while it runs, its end waited for. Both platforms take the same command text:
// Windows hands it to the new process as it is, POSIX splits it by the Windows rules first.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vx::process {

enum class End {
    exited,       // the child ran to its end
    stopped,      // the stop callback asked for it, and the child was ended
    not_started,  // the command could not be started
};

struct Result {
    End end = End::not_started;
    int exit_code = -1;  // the child's exit code once it has exited
    std::string output;  // everything it wrote to standard output and standard error
};

// Starts 'command_line' with no window, no standard input, and standard output and standard
// error both on one pipe, reads the pipe while the child runs (so a long output never stalls
// it), and waits for its end. The first word names the program by its full path (Windows would
// search for a bare name). 'stop' is asked every few milliseconds while the child runs; when it
// answers true the child is ended.
Result run_hidden(const std::string& command_line, const std::function<bool()>& stop = {});

// Splits a command line into its arguments the way a Windows program's start-up code does. The
// first word is the program: quotes group it, backslashes are plain. In every later word,
// whitespace outside quotes separates; "" inside quotes is one quote; 2n backslashes before a
// quote give n backslashes and the quote opens or closes; 2n+1 give n backslashes and a quote;
// other backslashes are plain.
std::vector<std::string> split_command_line(const std::string& line);

// One argument as split_command_line reads it back: quoted when it holds whitespace or a quote
// or is empty, with backslashes doubled before a quote.
std::string quote_argument(const std::string& arg);
// A whole command line: the program in quotes, then every argument quoted as needed.
std::string join_command_line(const std::vector<std::string>& args);

// The path of a program that ships beside this one, as "7z" -> "<program dir>\7z.exe" on
// Windows. On POSIX "<program dir>/7z" when it is there, else the system's "/usr/bin/7z". The
// path is returned even when nothing is there, so that a message can name it.
std::string companion_program(const std::string& stem);

// Makes 'path' a folder for private work files of this process and its children: only this user
// may enter it. An existing folder is accepted only when it is a real folder (no link) that, on
// POSIX, this user owns and nobody else may enter or write to.
bool make_work_directory(const std::string& path);

// Sets (or with no value removes) a variable in this process's environment, which every child
// started afterwards inherits.
bool set_environment_variable(const std::string& name, const std::optional<std::string>& value);

}  // namespace vx::process
