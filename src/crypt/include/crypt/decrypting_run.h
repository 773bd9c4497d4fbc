#pragma once
// The decrypting run: checks a container's service rows and info row, then re-creates every
// folder and file it lists under the target folder, block by block, checking each block.
#include <string>
#include <vector>

#include "crypt/run_owner.h"
#include "worker/context.h"

namespace vx {

struct ProgressDecrypting {
    RunOwner* window = nullptr;
    std::string container;
    std::string target;
    std::string key;
    std::uint32_t delete_container = 0;
};

// A folder path with the separator at its end.
class CDirectory {
public:
    explicit CDirectory(const std::string& folder);
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The run's lists of entry numbers: append at the end, and whether a number is there.
class CArrayOpers {
public:
    void append(const std::string& number) { items_.push_back(number); }
    bool contains(const std::string& number) const;

private:
    std::vector<std::string> items_;
};

// The worker: always returns 1; the outcome is the owner's decrypting failure flag.
int decrypting_run(WorkerContext& context, ProgressDecrypting& job);

}  // namespace vx
