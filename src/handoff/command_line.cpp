#include "handoff/command_line.h"

namespace vx::handoff {

std::string mode_prefix(Direction direction, int offset) {
    std::string p = direction == Direction::crypt ? "cmap" : "dmap";
    p += static_cast<char>('0' + offset);
    p += ':';
    return p;
}

std::string command_line(Direction direction, int offset, const std::string& first_block) {
    return " " + mode_prefix(direction, offset) + first_block;
}

std::optional<Request> parse_request(const std::string& text) {
    static const char* const known[] = {"cmap0:", "cmap1:", "cmap2:", "dmap0:", "dmap1:"};
    for (const char* k : known) {
        if (text.compare(0, kPrefixLength, k) != 0) continue;
        Request r;
        r.direction = text[0] == 'c' ? Direction::crypt : Direction::decrypt;
        r.variant = text[4] - '0';
        r.block_name = text.substr(kPrefixLength);
        return r;
    }
    return std::nullopt;
}

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

Launch parse_launch(const std::string& arguments) {
    std::size_t b = 0, e = arguments.size();
    while (b < e && is_space(arguments[b])) ++b;
    while (e > b && is_space(arguments[e - 1])) --e;
    std::string text = arguments.substr(b, e - b);

    Launch l;
    if (text.size() <= 2) return l;
    if (text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    if (auto r = parse_request(text)) {
        l.kind = Launch::Kind::handoff;
        l.text = std::move(r->block_name);
        l.direction = r->direction;
        l.variant = r->variant;
        return l;
    }
    l.kind = Launch::Kind::single_path;
    l.text = std::move(text);
    l.direction = Direction::decrypt;
    l.variant = 0;
    return l;
}

}  // namespace vx::handoff
