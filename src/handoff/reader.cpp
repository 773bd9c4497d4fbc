#include "handoff/reader.h"

#include <set>

#include "handoff/format.h"
#include "handoff/messages.h"
#include "handoff/utf16.h"
#include "platform/shared_memory.h"

namespace vx::handoff {

namespace {

void warn(WorkerContext& context, const std::string& text, const char* caption) {
    context.ask({text, caption, mb::kWarning, Owner::progress_dialog});
}

// Splits at CR LF and nowhere else: quotes and apostrophes are ordinary characters of a path.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

}  // namespace

std::vector<std::string> read_block(const std::string& name, WorkerContext& context) {
    SharedMemory block;
    switch (block.open(name)) {
        case SharedMemory::Opened::opened: break;
        case SharedMemory::Opened::open_failed:
            warn(context, msg::not_opened(name), msg::kWarning);
            return {};
        case SharedMemory::Opened::map_failed:
            warn(context, msg::not_mapped(name), msg::kWarning);
            return {};
    }
    // The text ends at the first zero unit, or at the block's end when it has none.
    const std::uint8_t* bytes = block.data();
    std::u16string units;
    units.reserve(kBlockUnits);
    for (std::size_t i = 0; i < kBlockUnits; ++i) {
        const auto u = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (u == 0) break;
        units.push_back(u);
    }
    block.close();
    return split_lines(to_utf8(units));
}

ListResult read_list(const std::string& first_block, FileList& list, WorkerContext& context) {
    auto unexpected_end = [&](const std::string& name) {
        list.clear();
        warn(context, msg::unexpected_end(name), msg::kError);
        return ListResult();
    };

    ListResult result;
    std::vector<std::string> lines = read_block(first_block, context);
    if (!lines.empty()) {
        if (is_chain_line(lines.front())) return unexpected_end(first_block);
        result.first_entry = lines.front();
    }

    // Blocks get fresh names; one named again would lead round in a circle for ever.
    std::set<std::string> read{first_block};
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < lines.size()) {
        if (!is_chain_line(lines[i])) {
            add_path(list, context, lines[i], true);
            ++count;
            ++i;
            continue;
        }
        const std::string next = lines[i].substr(kChainMarkerUnits);
        if (i + 1 != lines.size() || !read.insert(next).second) return unexpected_end(next);
        lines = read_block(next, context);  // and on from its first line
        i = 0;
    }

    result.ok = true;
    result.entry_count = count;
    result.several_entries = count > 1;
    result.close_after_run = true;
    return result;
}

}  // namespace vx::handoff
