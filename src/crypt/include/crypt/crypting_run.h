#pragma once
// The crypting run: writes every entry of the owner's file list into one container at the
// target, then deletes the sources or hands the container to the mail client.
#include <functional>
#include <string>

#include "crypt/run_owner.h"
#include "worker/context.h"

namespace vx {

struct ProgressCrypting {
    RunOwner* window = nullptr;
    std::string key;
    std::uint32_t zipping = 0;
    std::string target;
    std::uint32_t delete_sources = 0;
    std::uint32_t email = 0;
    // Called with the finished container before it is verified for deleting the sources; the
    // tests use it to damage the container in between.
    std::function<void(const std::string&)> before_verify;
};

// The worker: always returns 1; the outcome is in the owner's crypting flags.
int crypting_run(WorkerContext& context, ProgressCrypting& job);

// The temporary name a run writes its container under, in the target's folder.
std::string temporary_target(const std::string& target);

}  // namespace vx
