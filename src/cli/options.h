#pragma once
// The command line of vx: which command, its options, its paths.
#include <optional>
#include <string>
#include <vector>

namespace vx::cli {

enum class Command { none, crypt, decrypt, list, verify };

// The answer given in advance to every question.
enum class Preset { none, yes, yes_to_all, no };

struct Options {
    Command command = Command::none;
    bool help = false;
    bool version = false;

    bool zip = false;
    bool delete_sources = false;
    bool email = false;
    bool delete_container = false;
    bool quiet = false;
    Preset answer = Preset::none;
    std::optional<std::string> output;    // -o
    std::optional<std::string> key_file;  // --key-file
    std::vector<std::string> paths;
};

struct Parsed {
    Options options;
    std::string error;  // a usage problem; empty when the command line is sound
};

// 'args' without the program itself. Options may stand anywhere before "--"; everything after
// it is a path.
Parsed parse(const std::vector<std::string>& args);

}  // namespace vx::cli
