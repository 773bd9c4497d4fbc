// Feeds arbitrary bytes to the container reader with a known key. The first byte chooses what the
// rest is: a whole container file (even) or a plain info text that is sealed with the key into an
// otherwise well-formed container (odd), so that the entry checks are reached too. The reader must
// never crash, hang, read out of bounds or allocate from an unchecked length.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "crypt/container.h"
#include "crypt/file_access.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace {

constexpr const char* kKey = "12345678";

struct State {
    vx::CipherEngine engine;
    vx::CCodeStr layer;
    std::string file;
    State() {
        if (engine.load() != vx::CipherEngine::Status::ok) std::abort();
        file = vx::path::join(vx::fs::temp_directory(),
                              "vx-fuzz-" + std::to_string(vx::fs::process_id()) + ".vx");
    }
};

// Kept for the whole process: the engine library stays loaded, so what libgcrypt holds at the end
// is still reachable and not reported as a leak.
State& state() {
    static State* s = new State;
    return *s;
}

vx::Buffer sealed_container(State& s, const std::uint8_t* data, std::size_t size) {
    vx::Buffer block(64);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7);
    vx::seal(s.engine, s.layer, kKey, block);
    vx::SealedInfo info;
    std::string text = "0001" + std::string(reinterpret_cast<const char*>(data), size);
    vx::seal_info(s.engine, s.layer, kKey, text, info);
    std::string head = vx::first_service_row(false, static_cast<std::uint32_t>(block.size()));
    vx::Buffer out(head.begin(), head.end());
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), info.service_row.begin(), info.service_row.end());
    out.insert(out.end(), info.row.begin(), info.row.end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    State& s = state();
    vx::Buffer bytes = (data[0] & 1) ? sealed_container(s, data + 1, size - 1)
                                     : vx::Buffer(data + 1, data + size);
    if (!vx::write_buffer(s.file, bytes, true, vx::MoveMethod::begin, 0)) std::abort();

    vx::ContainerReader reader(s.engine, s.layer, kKey);
    if (reader.open(s.file) == vx::ContainerReader::Open::ok) {
        std::uint64_t offset = 0;
        vx::Buffer payload;
        for (const vx::Entry& e : reader.entries()) {
            if (reader.is_sound(e, offset) &&
                reader.read_block(e, offset, payload) == vx::ContainerReader::Block::ok) {
                reader.check_matches(e, payload);
            }
            auto length = vx::number_value(e.block_length);
            if (length && *length > 0) offset += static_cast<std::uint64_t>(*length);
        }
    }
    return 0;
}
