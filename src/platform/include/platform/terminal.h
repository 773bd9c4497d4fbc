#pragma once
// The terminal a console program runs in: whether its streams are a terminal, writing UTF-8 text
// to them, reading a line (with or without echo), the width of the terminal, a Ctrl-C handler
// that only raises a flag, and the program's arguments as UTF-8.
#include <optional>
#include <string>
#include <vector>

namespace vx::terminal {

enum class Stream { input, output, error };

bool is_terminal(Stream stream);

// Columns of the terminal behind standard error; 80 when it cannot be told.
int width();

// Writes UTF-8 text as it is (a console is handed the text in its own encoding). True when all of
// it was written.
bool write(Stream stream, const std::string& text);

// Reads one line from standard input, without its line end. With 'echo' false and a terminal
// behind standard input, the typed characters are not shown (and the terminal is put back as it
// was afterwards, also after Ctrl-C). None at the end of the input, on an error, or once Ctrl-C
// has been pressed.
std::optional<std::string> read_line(bool echo);

// From now on Ctrl-C (and Ctrl-Break on Windows) does not end the program; it raises the flag that
// interrupted() reads, and ends a read_line in progress.
void catch_interrupt();
bool interrupted();

// The program's arguments as UTF-8, the program itself first. On Windows they are taken from the
// wide command line, so that every name comes through whatever the code page.
std::vector<std::string> arguments(int argc, char** argv);

}  // namespace vx::terminal
