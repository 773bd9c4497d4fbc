#pragma once
// The writer of a hand-off: the selected paths go into as many blocks as they need, in order, the
// first block's name goes on the program's command line. Used by the shell extension.
#include <functional>
#include <string>
#include <vector>

#include "platform/shared_memory.h"

namespace vx::handoff {

// The blocks of one hand-off. They close when this object goes, unless released.
class Blocks {
public:
    // The name for the command line; empty until a block has been made.
    const std::string& first_name() const { return first_name_; }
    std::size_t size() const { return blocks_.size(); }
    const SharedMemory& operator[](std::size_t i) const { return blocks_[i]; }

    // Leaves every block open for as long as this process lives: the program reads them after
    // the menu command has returned, and nothing ever closes them (see SharedMemory::release).
    void release();

private:
    friend class Writer;
    std::vector<SharedMemory> blocks_;
    std::string first_name_;
};

enum class WriteResult {
    written,
    create_failed,    // a block cannot be made
    map_failed,       // a block cannot be mapped
    unsuitable_path,  // a path the blocks cannot carry unchanged; nothing was made
};

// The message for a failed write, for a box with no owner and an empty caption; empty for written.
std::string failure_text(WriteResult result);

// Where block names come from: fresh_shared_memory_name, or a test's own.
using NameSource = std::function<std::string()>;

// Writes 'paths' into fresh blocks. A path must be non-empty, hold no zero unit and no CR LF, not
// start with "conmap:", and be at most kMaxEntryUnits long; otherwise nothing is made at all. A
// name somebody else holds already is passed over for a fresh one. Whatever 'out' held before is
// closed first; on a failure it keeps the blocks made so far.
WriteResult write_blocks(const std::vector<std::u16string>& paths, Blocks& out,
                         const NameSource& names = fresh_shared_memory_name);
// The same for UTF-8 paths; a path that is not well-formed UTF-8 is unsuitable.
WriteResult write_blocks(const std::vector<std::string>& paths, Blocks& out,
                         const NameSource& names = fresh_shared_memory_name);

}  // namespace vx::handoff
