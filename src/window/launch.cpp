#include "window/launch.h"

namespace vx::window {

std::string argument_text(const std::string& line) {
    std::size_t i = 0;
    for (bool quoted = false; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            break;
        }
    }
    return line.substr(i);
}

handoff::Launch launch_request(const std::string& command_line) {
    return handoff::parse_launch(argument_text(command_line));
}

}  // namespace vx::window
