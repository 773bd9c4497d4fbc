#include "handoff/writer.h"

#include "handoff/format.h"
#include "handoff/messages.h"
#include "handoff/utf16.h"

namespace vx::handoff {

void Blocks::release() {
    for (auto& b : blocks_) b.release();
    blocks_.clear();
}

std::string failure_text(WriteResult result) {
    switch (result) {
        case WriteResult::written: return std::string();
        case WriteResult::create_failed: return msg::kCreateFailed;
        case WriteResult::map_failed: return msg::kMapFailed;
        case WriteResult::unsuitable_path: return msg::kUnsuitablePath;
    }
    return std::string();
}

namespace {

// Tries this many fresh names for one block before giving up.
constexpr int kNameAttempts = 100;

// Every path must come back from the reader as exactly the line it was.
bool suitable(const std::u16string& p) {
    if (p.empty() || p.size() > kMaxEntryUnits) return false;
    if (p.find(u'\0') != std::u16string::npos) return false;
    if (p.find(u"\r\n") != std::u16string::npos) return false;
    return p.compare(0, kChainMarkerUnits, kChainMarker16) != 0;
}

// A name goes into a chain line and onto a command line: short printable ASCII only.
bool usable_name(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameUnits) return false;
    for (char c : name) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

}  // namespace

// Puts the text into the blocks one unit at a time, little-endian, never past a block's end.
class Writer {
public:
    Writer(Blocks& out, const NameSource& names) : out_(out), names_(names) {}

    WriteResult write(const std::vector<std::u16string>& paths) {
        for (const auto& p : paths) {
            if (!suitable(p)) return WriteResult::unsuitable_path;
        }
        std::string name;
        WriteResult r = make_block(name);
        if (r != WriteResult::written) return r;
        out_.first_name_ = name;

        for (const auto& p : paths) {
            const std::size_t separator = pos_ == 0 ? 0 : 2;
            // Every entry leaves room behind it for the chain line to a next block.
            if (pos_ + separator + p.size() + kChainLineUnits > kBlockUnits) {
                const std::size_t previous = current_;
                r = make_block(name);
                if (r != WriteResult::written) return r;
                const std::size_t next = current_;
                current_ = previous;
                put(u"\r\n");
                put(kChainMarker16);
                for (char c : name) put_unit(static_cast<char16_t>(c));
                put_unit(0);
                current_ = next;
                pos_ = 0;
            } else if (separator != 0) {
                put(u"\r\n");
            }
            put(p);
        }
        // The block's own zero fill ends the text after the last entry.
        return WriteResult::written;
    }

private:
    WriteResult make_block(std::string& name) {
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            name = names_();
            if (!usable_name(name)) return WriteResult::create_failed;
            SharedMemory block;
            switch (block.create(name)) {
                case SharedMemory::Made::made:
                    out_.blocks_.push_back(std::move(block));
                    current_ = out_.blocks_.size() - 1;
                    return WriteResult::written;
                case SharedMemory::Made::name_taken: continue;  // someone else's: a fresh name
                case SharedMemory::Made::create_failed: return WriteResult::create_failed;
                case SharedMemory::Made::map_failed: return WriteResult::map_failed;
            }
        }
        return WriteResult::create_failed;
    }

    void put(const std::u16string& text) {
        for (char16_t u : text) put_unit(u);
    }
    void put_unit(char16_t u) {
        // The layout keeps every write inside the block; this only guards it.
        if (pos_ >= kBlockUnits) return;
        std::uint8_t* at = out_.blocks_[current_].data() + 2 * pos_;
        at[0] = static_cast<std::uint8_t>(u & 0xFF);
        at[1] = static_cast<std::uint8_t>(u >> 8);
        ++pos_;
    }

    Blocks& out_;
    const NameSource& names_;
    std::size_t current_ = 0;  // the block being filled
    std::size_t pos_ = 0;  // in units, in the current block
};

WriteResult write_blocks(const std::vector<std::u16string>& paths, Blocks& out,
                         const NameSource& names) {
    out = Blocks();
    return Writer(out, names).write(paths);
}

WriteResult write_blocks(const std::vector<std::string>& paths, Blocks& out,
                         const NameSource& names) {
    std::vector<std::u16string> wide;
    wide.reserve(paths.size());
    for (const auto& p : paths) {
        auto w = to_utf16(p);
        if (!w) return WriteResult::unsuitable_path;
        wide.push_back(std::move(*w));
    }
    return write_blocks(wide, out, names);
}

}  // namespace vx::handoff
