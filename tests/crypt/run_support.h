#pragma once
// Shared by the run and container tests: the real engine, trees of files on disk, containers
// made by the crypting run or crafted piece by piece, and fake system services.
#include <map>
#include <string>
#include <vector>

#include "crypt/crypting_run.h"
#include "crypt/decrypting_run.h"
#include "scripted_context.h"
#include "temp_dir.h"

namespace vx::test {

constexpr const char* kKey = "12345678";

// The engine library beside the test program, bound once per test program.
CipherEngine& engine();

// Relative path (with "/" between folders, a folder ending in "/") -> contents ("" for folders).
using Tree = std::map<std::string, std::string>;
void make_tree(const std::string& folder, const Tree& tree);
Tree read_tree(const std::string& folder);

// Deterministic bytes that do not compress, and bytes that do.
std::string noise(std::size_t n, unsigned seed = 1);
std::string text_bytes(std::size_t n);

// Records what the runs ask of the system; fails where told.
class FakeServices : public Services {
public:
    bool move_to_trash(const std::string& path) override;
    Mail send_mail(const std::string& file, const std::string& subject,
                   std::uintptr_t parent) override;

    std::vector<std::string> trashed;    // paths actually removed
    std::vector<std::string> refuse;     // paths whose deletion fails
    std::vector<std::string> mailed;     // files handed to the mail client
    std::string subject;
    Mail mail_result = Mail::sent;
};

// An owner with the real engine and the given services.
RunOwner make_owner(Services& services);

// Selects 'paths' as the window does (folders walked, several-entries mark for more than one
// top-level item) and crypts them to 'target'.
void crypt(RunOwner& owner, WorkerContext& context, const std::vector<std::string>& paths,
           const std::string& target, bool zip = false, const std::string& key = kKey);

void decrypt(RunOwner& owner, WorkerContext& context, const std::string& container,
             const std::string& folder, bool delete_container = false,
             const std::string& key = kKey);

// A container put together from its pieces, for what the crypting run never writes.
struct Crafted {
    std::string info_text = "0001";
    std::vector<Buffer> blocks;  // plain payloads, sealed in order
    bool several = false;
};
void craft(const std::string& path, const Crafted& c, const std::string& key = kKey);

// Flips one bit at 'offset' of a file.
void flip_bit(const std::string& path, std::uint64_t offset);

// The texts of the reports, without the position reports.
std::vector<std::string> texts(const ScriptedContext& context);

}  // namespace vx::test
