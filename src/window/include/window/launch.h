#pragma once
// What the program is started for: the argument text of its command line and the launch request
// read from it (nothing, one path to decrypt, or a hand-off list from the shell).
#include <string>

#include "handoff/command_line.h"

namespace vx::window {

// The command line without the program's name: everything after the first word, which is taken
// as the program's start-up code takes it (quotes group it, nothing escapes), the blanks in
// between included.
std::string argument_text(const std::string& command_line);

// The request of a whole command line (program name first).
handoff::Launch launch_request(const std::string& command_line);

}  // namespace vx::window
