#pragma once
// The four commands of vx, each returning the program's exit status.
#include "options.h"

namespace vx::cli {

// Exit statuses.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kDeclined = 3;
constexpr int kStopped = 130;

// Runs the command of a sound command line (help and version included).
int run(const Options& options);

}  // namespace vx::cli
