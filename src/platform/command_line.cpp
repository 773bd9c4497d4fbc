#include <cstddef>

#include "platform/process.h"

namespace vx::process {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> split_command_line(const std::string& line) {
    std::vector<std::string> args;
    const std::size_t n = line.size();
    std::size_t i = 0;

    // The program: quotes only group, backslashes are part of the path.
    std::string program;
    for (bool quoted = false; i < n && (quoted || !is_blank(line[i])); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else {
            program += line[i];
        }
    }
    if (program.empty() && i == 0) return args;
    args.push_back(program);

    for (;;) {
        while (i < n && is_blank(line[i])) ++i;
        if (i == n) break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !is_blank(line[i]))) {
            char c = line[i];
            if (c == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                    // With an even count the quote that follows opens or closes.
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::string quote_argument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote itself is escaped.
        out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, '\\');  // before the closing quote
    return out + "\"";
}

std::string join_command_line(const std::vector<std::string>& args) {
    std::string line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) line += ' ';
        // The program's own name ends at its closing quote: it takes no escapes.
        line += i == 0 ? "\"" + args[0] + "\"" : quote_argument(args[i]);
    }
    return line;
}

}  // namespace vx::process
