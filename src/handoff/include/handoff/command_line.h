#pragma once
// The command line that starts the program for a hand-off, and how the program reads its own.
//
// The shell extension starts the program with one space, a six-character mode prefix and the
// first block's name, nothing else: " cmap1:Globals1f8." for "Crypt and email".
//
//   prefix    menu entry            read as
//   "cmap0:"  "Crypt"               crypt, variant 0
//   "cmap1:"  "Crypt and email"     crypt, variant 1
//   "cmap2:"  "Crypt and delete"    crypt, variant 2
//   "dmap0:"  "Decrypt"             decrypt, variant 0
//   "dmap1:"  "Decrypt and delete"  decrypt, variant 1
//   "dmap2:"  (never offered)       not a hand-off: the whole text is tried as one path
#include <cstddef>
#include <optional>
#include <string>

namespace vx::handoff {

enum class Direction { crypt, decrypt };

inline constexpr std::size_t kPrefixLength = 6;

// The mode prefix for a menu command: "cmap" or "dmap", the command offset (0-2), ":".
std::string mode_prefix(Direction direction, int offset);
// The whole command line: " " + the mode prefix + the first block's name.
std::string command_line(Direction direction, int offset, const std::string& first_block);

struct Request {
    Direction direction = Direction::crypt;
    int variant = 0;          // 0, 1 or 2
    std::string block_name;   // the first block's
};

// A hand-off request when the text's first six characters are one of the five prefixes the
// program knows: a "c" first means crypt, anything else decrypt; the fifth character is the
// variant; the block name is the rest.
std::optional<Request> parse_request(const std::string& text);

// What the program's argument text (the command line without the program name) asks for.
struct Launch {
    enum class Kind { none, single_path, handoff };
    Kind kind = Kind::none;
    // The path for a single path (surrounding double quotes removed), the first block's name
    // for a hand-off.
    std::string text;
    Direction direction = Direction::decrypt;
    int variant = 0;
};

// White space is trimmed at both ends; two bytes or fewer ask for nothing; a text that starts
// and ends with a double quote loses both; then a hand-off prefix makes a hand-off request,
// anything else a single path to decrypt (variant 0).
Launch parse_launch(const std::string& arguments);

}  // namespace vx::handoff
